'use strict';
// Rows of GeoNames' cities500 table (tab-separated, UTF-8, one place of at
// least 500 inhabitants per line) for a set of countries.
const fs = require('fs');

function readCountries(path, countries) {
  const rows = [];
  for (const line of fs.readFileSync(path, 'utf8').split('\n')) {
    if (line === '') continue;
    const f = line.split('\t');
    if (!countries.has(f[8])) continue;
    rows.push({
      id: Number(f[0]),
      name: f[1],
      asciiName: f[2],
      lat: Number(f[4]),
      lon: Number(f[5]),
      featureClass: f[6],
      featureCode: f[7],
      country: f[8],
      admin1: f[10],
      admin2: f[11],
      population: Number(f[14]) || 0,
    });
  }
  return rows;
}

module.exports = { readCountries };
