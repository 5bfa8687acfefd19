'use strict';
// "data.ca": Canadian cities, per province the most populous places.
//
// Record: province number (1 byte), the city code as a short string ("AB-12"),
// then the name as a short string.
const { encodable, shortString, u8, entry } = require('./cp1252');
const { fold, sortBy } = require('./collate');

// In the order of the program's province list (province number = index + 1):
// GeoNames' first-level code, the weather service's abbreviation and how
// many cities the service lists for the province.
const PROVINCES = [
  { geonames: '01', abbrev: 'AB', count: 71 },  // Alberta
  { geonames: '02', abbrev: 'BC', count: 98 },  // Colombie-Britannique
  { geonames: '03', abbrev: 'MB', count: 66 },  // Manitoba
  { geonames: '04', abbrev: 'NB', count: 35 },  // Nouveau-Brunswick
  { geonames: '05', abbrev: 'NF', count: 48 },  // Terre-Neuve-et-Labrador
  { geonames: '07', abbrev: 'NS', count: 43 },  // Nouvelle-Écosse
  { geonames: '13', abbrev: 'NT', count: 30 },  // Territoires du Nord-Ouest
  { geonames: '14', abbrev: 'NU', count: 29 },  // Nunavut
  { geonames: '08', abbrev: 'ON', count: 170 }, // Ontario
  { geonames: '09', abbrev: 'PE', count: 6 },   // Île-du-Prince-Édouard
  { geonames: '10', abbrev: 'QC', count: 175 }, // Québec
  { geonames: '11', abbrev: 'SK', count: 56 },  // Saskatchewan
  { geonames: '12', abbrev: 'YK', count: 17 },  // Yukon
];

// Parts of a city (PPLX), abandoned, historical or destroyed places are not
// cities one asks a forecast for.
const NOT_A_CITY = new Set(['PPLX', 'PPLQ', 'PPLH', 'PPLW', 'PPLCH']);

function build(rows) {
  const cities = [];
  PROVINCES.forEach((province, index) => {
    const candidates = sortBy(
      rows.filter((r) => r.country === 'CA' && r.admin1 === province.geonames
        && r.featureClass === 'P' && !NOT_A_CITY.has(r.featureCode)),
      (r) => [-r.population, r.id]);
    // The most populous first; a name already taken in the province is
    // skipped, so names stay unique within a province.
    const taken = new Set();
    const chosen = [];
    for (const r of candidates) {
      if (chosen.length === province.count) break;
      const name = encodable(r.name) ? r.name : r.asciiName;
      if (taken.has(fold(name))) continue;
      taken.add(fold(name));
      chosen.push({ name, population: r.population, lat: r.lat, lon: r.lon });
    }
    sortBy(chosen, (c) => [fold(c.name), c.name]).forEach((c, i) => {
      cities.push({
        province: index + 1, code: `${province.abbrev}-${i + 1}`, name: c.name, lat: c.lat, lon: c.lon,
      });
    });
  });
  const records = cities.map((c) => Buffer.concat([u8(c.province), shortString(c.code), shortString(c.name)]));
  return { bytes: entry(records), places: cities, provinces: PROVINCES };
}

module.exports = { build };
