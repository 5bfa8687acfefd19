'use strict';
// "data.ch": Swiss localities, one record per pair of postal number and
// locality, from GeoNames' Swiss postal-code table.
//
// Record: postal number (2 bytes), then the name as a short string, in
// capitals without accents as the post writes it ("AADORF").
const { postalCapitals, sortBy } = require('./collate');
const { shortString, u16, entry } = require('./cp1252');

// The postal numbers 9485 to 9498 belong to Liechtenstein.
const isLiechtenstein = (npa) => npa >= 9485 && npa <= 9498;

// The cantons' abbreviations, which the post appends to a name that occurs
// in several cantons ("Buchs AG", "Reute AR").
const CANTONS = new Set(['AG', 'AI', 'AR', 'BE', 'BL', 'BS', 'FR', 'GE', 'GL', 'GR',
  'JU', 'LU', 'NE', 'NW', 'OW', 'SG', 'SH', 'SO', 'SZ', 'TG', 'TI', 'UR', 'VD', 'VS',
  'ZG', 'ZH']);

// Words of the post's own services: post-office boxes (Postfach, Caselle),
// PostFinance, special services.
const SERVICE_WORDS = new Set(['postfinance', 'postfach', 'caselle', 'casel', 'sonderdienste']);

// Why a row of the table is not a locality, or null when it is one. The
// table lists, beside the localities, the numbers the post gives to its own
// offices and to large customers. Their names are a locality's name followed
// by one of these words:
//  - "number": a word with a digit: numbered offices and their box counters
//    ("Aarau 1", "Genève 15 Aéroport", "Olten 1 Fächer") and a business park
//    ("Root D4");
//  - "code": a word in capitals that is not a canton: a customer's or the
//    post's own code ("Zofingen PF", "Basel UBS", "Villigen PSI", "Neuchâtel OFS");
//  - "service": a service word ("Massagno Caselle", "Bern PostFinance",
//    "Olten Sonderdienste");
//  - "centre": a processing, business or shopping centre with its own number
//    ("Bern Verarbeitungszentrum", "Schönbühl Einkaufszentrum", "Marin-Centre").
function notALocality(name) {
  const words = name.split(' ').slice(1);
  if (words.some((w) => /[0-9]/.test(w))) return 'number';
  if (words.some((w) => /^[A-Z]+$/.test(w) && !CANTONS.has(w))) return 'code';
  if (words.some((w) => SERVICE_WORDS.has(w.toLowerCase()))) return 'service';
  if (/zentr(um|\.)|-Centre\b/i.test(name)) return 'centre';
  return null;
}

function build(rows) {
  const dropped = { number: 0, code: 0, service: 0, centre: 0, liechtenstein: 0, repeated: 0 };
  const seen = new Set();
  const places = [];
  for (const r of rows) {
    const npa = Number(r.zipcode);
    if (!/^[0-9]{4}$/.test(r.zipcode) || npa < 1000) throw new Error(`bad postal number ${r.zipcode}`);
    if (isLiechtenstein(npa)) { dropped.liechtenstein++; continue; }
    const why = notALocality(r.place);
    if (why) { dropped[why]++; continue; }
    const name = postalCapitals(r.place);
    // A locality listed twice under its number (the table repeats some
    // rows, a few once per municipality the number's area touches; always
    // at the same position) is kept once, as first listed.
    const key = `${npa} ${name}`;
    if (seen.has(key)) { dropped.repeated++; continue; }
    seen.add(key);
    places.push({ npa, name, lat: r.lat, lon: r.lon });
  }
  const sorted = sortBy(places, (p) => [p.name.replace(/['-]/g, ''), p.name, p.npa]);
  const records = sorted.map((p) => Buffer.concat([u16(p.npa), shortString(p.name)]));
  return { bytes: entry(records), places: sorted, dropped };
}

module.exports = { build, notALocality };
