'use strict';
// "data.fr": the communes of metropolitan France as they stood on 2008-06-01.
//
// Record: region number (1 byte), then one short string: the five-character
// commune code, the five-digit postal code and the name ("6700167204Achenheim").
const { DEPARTMENTS } = require('./departments');
const { fold, sortBy } = require('./collate');
const { shortString, u8, entry } = require('./cp1252');

const DAY = '2008-06-01';

// The six communes of the Meuse left without inhabitants since 1918: they
// keep a code but no one lives there to ask for a forecast.
const UNINHABITED = new Set(['55039', '55050', '55139', '55189', '55239', '55307']);

// The cities with municipal arrondissements have no postal code of their
// own in La Poste's file (it lists the arrondissements); they take the
// first arrondissement's.
const CITY_POSTCODES = new Map([['75056', '75001'], ['13055', '13001'], ['69123', '69001']]);

// Versions of the official geographic code valid on DAY: communes only,
// without the overseas departments and territories (codes 97 and 98).
function communesOn(history) {
  return history.filter((v) => v.type === 'COM'
    && (!v.dateDebut || v.dateDebut <= DAY)
    && (!v.dateFin || v.dateFin > DAY)
    && !/^9[78]/.test(v.code));
}

// The postal code of one commune among the rows of La Poste's file: the rows
// whose commune name is also the delivery name come first; among them a code
// ending in "00" (the main office) is preferred, else the smallest.
function choosePostcode(rows) {
  const own = rows.filter((r) => r.nomCommune === r.libelleAcheminement);
  const pool = (own.length > 0 ? own : rows).map((r) => r.codePostal).sort();
  return pool.find((c) => c.endsWith('00')) ?? pool[0];
}

function build(history, postRows) {
  const byId = new Map(history.map((v) => [v.id, v]));
  const rowsByCode = new Map();
  for (const r of postRows) {
    if (!/^[0-9][0-9AB][0-9]{3}$/.test(r.codeInsee)) continue; // the file's heading row
    if (!rowsByCode.has(r.codeInsee)) rowsByCode.set(r.codeInsee, []);
    rowsByCode.get(r.codeInsee).push(r);
  }

  // A commune merged after DAY may be missing from the 2016 file: follow its
  // history to the commune that absorbed it and take that commune's code.
  function postcodeOf(version) {
    if (CITY_POSTCODES.has(version.code)) return CITY_POSTCODES.get(version.code);
    let v = version;
    for (let step = 0; step < 50 && v; step++) {
      const rows = rowsByCode.get(v.code);
      if (rows) return choosePostcode(rows);
      const next = v.successeur ? byId.get(v.successeur) : undefined;
      v = next && next.pole ? byId.get(next.pole) : next;
    }
    throw new Error(`no postal code for commune ${version.code} ${version.nom}`);
  }

  const communes = communesOn(history)
    .filter((v) => !UNINHABITED.has(v.code))
    .map((v) => {
      const department = v.code.slice(0, 2);
      const dep = DEPARTMENTS.get(department);
      if (!dep) throw new Error(`unknown department ${department}`);
      // The two Castillon of the Pyrénées-Atlantiques and the two Bors of
      // the Charente carry their canton in the official name; the catalogue
      // names them plainly, as their inhabitants do.
      const name = v.nom.replace(/ \(Canton [^)]*\)$/, '');
      return { code: v.code, postcode: postcodeOf(v), name, region: dep.region, position: dep.position };
    });

  const sorted = sortBy(communes, (c) => [c.position, fold(c.name).replace(/-/g, ' '), c.code]);
  const records = sorted.map((c) => Buffer.concat([u8(c.region), shortString(c.code + c.postcode + c.name)]));
  return { bytes: entry(records), places: sorted };
}

module.exports = { build };
