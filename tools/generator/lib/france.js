'use strict';
// "data.fr": the communes of metropolitan France as they stood on 2008-06-01.
//
// Record: region number (1 byte), then one short string: the five-character
// commune code, the five-digit postal code and the name ("6700167204Achenheim").
const { DEPARTMENTS } = require('./departments');
const { fold, joinKey, sortBy } = require('./collate');
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



function centre(rows) {
  const mean = (field) => Math.round(rows.reduce((sum, r) => sum + r[field], 0) / rows.length * 1e4) / 1e4;
  return { lat: mean('lat'), lon: mean('lon') };
}

// The position of every commune of `communes` (the records of build(), in
// their order). The main source is GeoNames' French postal table, whose rows
// name a place of a department under one postal code but carry no commune
// code. A commune is looked for, in turn:
//  - "name": a row of its department with its name; a row that adds a
//    bracketed qualifier counts too ("Castillon (Canton de Lembeye)");
//  - "shortened name": a row with its postal code whose name is the first
//    words of its own, as La Poste shortens a few ("Antonne" for
//    "Antonne-et-Trigonant");
//  - "longer name": a row with its postal code whose name is its own
//    followed by more words ("Seyne-les-Alpes" for "Seyne");
//  - "later name": the three tests above with the names the commune took
//    later in the history (Chaleix, renamed Chalais in 2009);
//  - "successor": the same tests with the commune it was merged into, and
//    that commune's later names (Ammerzwiller, part of Bernwiller since 2016);
//  - "populated place": a populated place of GeoNames' cities500 table with
//    its name in its department (the postal table lacks a few communes,
//    Pierrefitte-sur-Seine among them);
//  - "postal code": the centre of the places of its department that share
//    its postal code (the mean of their positions, to four decimals).
// Among several matching rows, those with the commune's postal code come
// first, then the table's order. `places` are cities500's rows of France.
// Returns { coordinates, methods }.
function locate(communes, history, rows, places) {
  const byId = new Map(history.map((v) => [v.id, v]));
  const index = (map, key, item) => {
    if (!map.has(key)) map.set(key, []);
    if (!map.get(key).includes(item)) map.get(key).push(item);
  };
  const byName = new Map();
  const byPostcode = new Map();
  for (const r of rows) {
    index(byName, `${r.provinceCode} ${joinKey(r.place)}`, r);
    index(byName, `${r.provinceCode} ${joinKey(r.place.replace(/\s*\([^)]*\)/g, ''))}`, r);
    index(byPostcode, r.zipcode.slice(0, 5), r);
  }
  const placeByName = new Map();
  for (const p of places) {
    if (p.featureClass === 'P') index(placeByName, `${p.admin2} ${joinKey(p.name)}`, p);
  }

  function find(name, department, postcode) {
    const named = byName.get(`${department} ${joinKey(name)}`);
    if (named) return named.find((r) => r.zipcode === postcode) ?? named[0];
    const key = joinKey(name);
    const local = (byPostcode.get(postcode) ?? []).filter((r) => r.provinceCode === department);
    return local.find((r) => key.startsWith(`${joinKey(r.place)} `))
      ?? local.find((r) => joinKey(r.place).startsWith(`${key} `));
  }
  const how = (row, name) => {
    const key = joinKey(name);
    const rowKey = joinKey(row.place);
    if (rowKey === key || joinKey(row.place.replace(/\s*\([^)]*\)/g, '')) === key) return 'name';
    return key.startsWith(`${rowKey} `) ? 'shortened name' : 'longer name';
  };

  // The versions that follow `version` in the history: its later names, then
  // the commune it became part of (a delegated commune leads to its pole).
  function* later(version) {
    let v = version;
    for (let step = 0; step < 50 && v.successeur; step++) {
      v = byId.get(v.successeur);
      if (v && v.pole) v = byId.get(v.pole);
      if (!v) return;
      yield v;
    }
  }

  const versions = new Map(communesOn(history).map((v) => [v.code, v]));
  const methods = {
    name: 0, 'shortened name': 0, 'longer name': 0, 'later name': 0, successor: 0,
    'populated place': 0, 'postal code': 0,
  };
  const missing = [];
  const coordinates = communes.map((c) => {
    const department = c.code.slice(0, 2);
    let found = find(c.name, department, c.postcode);
    let method = found && how(found, c.name);
    for (const v of found ? [] : later(versions.get(c.code))) {
      found = find(v.nom, v.code.slice(0, 2), c.postcode);
      if (found) { method = v.code === c.code && v.type === 'COM' ? 'later name' : 'successor'; break; }
    }
    if (!found) {
      found = placeByName.get(`${department} ${joinKey(c.name)}`)?.[0];
      method = 'populated place';
    }
    if (!found) {
      const area = (byPostcode.get(c.postcode) ?? []).filter((r) => r.provinceCode === department);
      if (area.length > 0) found = centre(area);
      method = 'postal code';
    }
    if (!found) { missing.push(`${c.code} ${c.name}`); return null; }
    methods[method]++;
    return { lat: found.lat, lon: found.lon, method };
  });
  if (missing.length > 0) throw new Error(`no position for the communes ${missing.join(', ')}`);
  return { coordinates, methods };
}

module.exports = { build, locate };
