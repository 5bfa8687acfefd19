'use strict';
// "data.om": the communes of the overseas departments and of
// Saint-Pierre-et-Miquelon as they are today.
//
// Record: territory number (1 byte, TERRITORIES), then one short string: the
// five-character commune code, the five-digit postal code and the name
// ("9710197139Les Abymes"), the data.fr record.
const { joinKey, sortBy } = require('./collate');
const { shortString, u8, entry } = require('./cp1252');
const { meanPosition } = require('./postal');

// Numbered in the order of their codes. `table` names GeoNames' postal table
// of the territory; `communes` is how many communes it has today.
// Saint-Barthélemy and Saint-Martin, communes of Guadeloupe (97123, 97127)
// until they became territories of their own (977, 978) in 2007, are not in.
const TERRITORIES = [
  { number: 1, code: '971', name: 'Guadeloupe', table: 'GP', communes: 32 },
  { number: 2, code: '972', name: 'Martinique', table: 'MQ', communes: 34 },
  { number: 3, code: '973', name: 'Guyane', table: 'GF', communes: 22 },
  { number: 4, code: '974', name: 'La Réunion', table: 'RE', communes: 24 },
  { number: 5, code: '975', name: 'Saint-Pierre-et-Miquelon', table: 'PM', communes: 2 },
  { number: 6, code: '976', name: 'Mayotte', table: 'YT', communes: 17 },
];

const CEDEX = /^[0-9]{5} CEDEX( [0-9]+)?$/;

// The communes of a territory: the versions of the official geographic code
// in force today (no end date); for a territory the history does not hold,
// the communes that its postal table names with their code in the `state`
// columns (Saint-Pierre-et-Miquelon's table: "Miquelon-Langlade", 97501).
function communesOf(territory, history, rows) {
  const current = history.filter((v) => v.type === 'COM' && !v.dateFin
    && v.code.startsWith(territory.code));
  if (current.length > 0) {
    return current.map((v) => ({ code: v.code, name: v.nom, source: 'INSEE history' }));
  }
  const named = new Map();
  for (const r of rows) {
    if (/^[0-9]{5}$/.test(r.stateCode) && r.stateCode.startsWith(territory.code)) {
      named.set(r.stateCode, r.state);
    }
  }
  return [...named].map(([code, name]) => ({ code, name, source: 'GeoNames' }));
}

// "Le Gros-Morne" for Gros-Morne, "L'Entre-Deux" for Entre-Deux,
// "Trois-Bassins" for Les Trois-Bassins: the tables and the official code do
// not always agree on the article.
const withoutArticle = (key) => key.replace(/^(le|la|les|l) /, '');

// The rows of the territory's table that name the commune, tried in turn:
//  - "commune code": the rows whose `state_code` is its code (the tables of
//    Mayotte and Saint-Pierre-et-Miquelon carry the codes there);
//  - "name": the rows whose place name is its name, both read as joinKey
//    reads them (case, accents, hyphens and apostrophes ignored);
//  - "name without article": the same with a leading article dropped from
//    both names.
function rowsOf(commune, rows) {
  const byCode = rows.filter((r) => r.stateCode === commune.code);
  if (byCode.length > 0) return ['commune code', byCode];
  const key = joinKey(commune.name);
  const byName = rows.filter((r) => joinKey(r.place) === key);
  if (byName.length > 0) return ['name', byName];
  const bare = rows.filter((r) => withoutArticle(joinKey(r.place)) === withoutArticle(key));
  if (bare.length > 0) return ['name without article', bare];
  throw new Error(`outre-mer: no row of the postal table for ${commune.code} ${commune.name}`);
}

// The postal code of a commune among its rows' codes: one ending in 0 (the
// main office's, as 97460 for Saint-Paul beside 97411 or 97434), else the
// smallest.
function choosePostcode(rows) {
  const codes = [...new Set(rows.map((r) => r.zipcode))].sort();
  return codes.find((c) => c.endsWith('0')) ?? codes[0];
}

// history: historique-communes.json; tables: GeoNames' postal rows by table
// name (TERRITORIES' `table`); postRows: La Poste's file, which has every
// overseas commune with its postal codes and serves as a check that the rows
// found for a commune are its own.
// Returns { bytes, places, methods, sources, unclaimed }: the places in their
// stored order, with their position and how it was found; how many names
// each source gave; and the localities of the tables that are no commune.
function build(history, tables, postRows) {
  const laPoste = new Map();
  for (const r of postRows) {
    if (!laPoste.has(r.codeInsee)) laPoste.set(r.codeInsee, new Set());
    laPoste.get(r.codeInsee).add(r.codePostal);
  }
  const methods = { 'commune code': 0, name: 0, 'name without article': 0 };
  const sources = { 'INSEE history': 0, GeoNames: 0 };
  const unclaimed = [];
  const places = [];
  for (const territory of TERRITORIES) {
    const table = tables[territory.table];
    if (!table) throw new Error(`outre-mer: no postal table ${territory.table}`);
    // CEDEX codes are the post's codes for large customers and boxes, not
    // for a commune: their rows are left out.
    const rows = table.filter((r) => {
      if (CEDEX.test(r.zipcode)) return false;
      if (!/^[0-9]{5}$/.test(r.zipcode) || !r.zipcode.startsWith(territory.code)) {
        throw new Error(`outre-mer: postal code "${r.zipcode}" in the table of ${territory.name}`);
      }
      return true;
    });
    const communes = communesOf(territory, history, table);
    if (communes.length !== territory.communes) {
      throw new Error(`outre-mer: ${communes.length} communes in ${territory.name}`
        + ` instead of ${territory.communes}`);
    }
    const claimed = new Set();
    for (const c of communes) {
      const [method, own] = rowsOf(c, rows);
      const official = laPoste.get(c.code);
      for (const r of own) {
        if (!official || !official.has(r.zipcode)) {
          throw new Error(`outre-mer: ${r.zipcode} ${r.place} is not a postal code of ${c.code} ${c.name}`);
        }
        if (claimed.has(r)) throw new Error(`outre-mer: ${r.zipcode} ${r.place} named by two communes`);
        claimed.add(r);
      }
      methods[method]++;
      sources[c.source]++;
      places.push({
        territory: territory.number, code: c.code, postcode: choosePostcode(own), name: c.name,
        source: c.source, method, ...meanPosition(own),
      });
    }
    for (const r of rows) if (!claimed.has(r)) unclaimed.push(`${r.place} (${r.zipcode})`);
  }
  const sorted = sortBy(places, (p) => [p.code]);
  const records = sorted.map((p) => Buffer.concat([u8(p.territory),
    shortString(p.code + p.postcode + p.name)]));
  return { bytes: entry(records), places: sorted, methods, sources, unclaimed };
}

module.exports = { build, TERRITORIES };
