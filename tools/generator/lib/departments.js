'use strict';
// The departments of metropolitan France in the program's own order: grouped
// by region number (1 Alsace .. 22 Rhône - Alpes), codes ascending within a
// region. The commune catalogue is stored in this order, and each commune's
// region number comes from here.
const REGIONS = [
  ['67', '68'],
  ['24', '33', '40', '47', '64'],
  ['03', '15', '43', '63'],
  ['21', '58', '71', '89'],
  ['22', '29', '35', '56'],
  ['18', '28', '36', '37', '41', '45'],
  ['08', '10', '51', '52'],
  ['2A', '2B'],
  ['25', '39', '70', '90'],
  ['75', '77', '78', '91', '92', '93', '94', '95'],
  ['11', '30', '34', '48', '66'],
  ['19', '23', '87'],
  ['54', '55', '57', '88'],
  ['09', '12', '31', '32', '46', '65', '81', '82'],
  ['59', '62'],
  ['14', '50', '61'],
  ['27', '76'],
  ['44', '49', '53', '72', '85'],
  ['02', '60', '80'],
  ['16', '17', '79', '86'],
  ['04', '05', '06', '13', '83', '84'],
  ['01', '07', '26', '38', '42', '69', '73', '74'],
];

// department code -> { region, position } (position in the 96-entry list)
const DEPARTMENTS = new Map();
REGIONS.forEach((codes, r) => {
  for (const code of codes) DEPARTMENTS.set(code, { region: r + 1, position: DEPARTMENTS.size });
});

module.exports = { DEPARTMENTS };
