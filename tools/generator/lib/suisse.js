'use strict';
// "data.ch": Swiss localities, one per postal number.
//
// Record: postal number (2 bytes), then the name as a short string, in
// capitals without accents as the post writes it ("AADORF").
const { postalCapitals, sortBy } = require('./collate');
const { shortString, u16, entry } = require('./cp1252');

// The postal numbers 9485 to 9498 belong to Liechtenstein.
const isLiechtenstein = (npa) => npa >= 9485 && npa <= 9498;

function build(zipcodes) {
  const places = Object.values(zipcodes)
    .map((z) => ({ npa: Number(z.zipcode), name: postalCapitals(z.city_name.trim()) }))
    .filter((p) => !isLiechtenstein(p.npa));
  for (const p of places) {
    if (!(p.npa >= 1000 && p.npa <= 9999)) throw new Error(`bad postal number ${p.npa}`);
  }
  const sorted = sortBy(places, (p) => [p.name.replace(/['-]/g, ''), p.name, p.npa]);
  const records = sorted.map((p) => Buffer.concat([u16(p.npa), shortString(p.name)]));
  return { bytes: entry(records), places: sorted };
}

module.exports = { build };
