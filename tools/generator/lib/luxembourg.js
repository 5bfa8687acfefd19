'use strict';
// "data.lu": the localities of Luxembourg, from GeoNames' Luxembourg
// postal-code table, whose rows name a locality (`place`, in its French
// form) of a commune (`province`) of a canton (`state`) under one postal code.
//
// Record: canton number (1 byte, 1 to 12: position in CANTONS plus one),
// then the name as a short string.
const { fold, sortBy } = require('./collate');
const { shortString, u8, entry } = require('./cp1252');
const { meanPosition } = require('./postal');

// The twelve cantons, alphabetical; the number stored is the position plus one.
const CANTONS = ['Capellen', 'Clervaux', 'Diekirch', 'Echternach', 'Esch-sur-Alzette',
  'Grevenmacher', 'Luxembourg', 'Mersch', 'Redange', 'Remich', 'Vianden', 'Wiltz'];

// What the table held when the catalogue was made: 540 locality names, ten
// of them in two cantons. Another table is looked at before it is trusted.
const NAMES = 540;
const PAIRS = 550;

function groupBy(items, keyOf) {
  const groups = new Map();
  for (const item of items) {
    const k = keyOf(item);
    if (!groups.has(k)) groups.set(k, []);
    groups.get(k).push(item);
  }
  return groups;
}

// One place per locality name and canton, at the mean position of its rows
// (one row per postal code). A name listed in one canton under several
// communes stands for as many localities, each named with its commune in
// parentheses ("Belvaux (Sanem)") so that each can be chosen.
// Returns { bytes, places, withCommune }: withCommune counts the places so named.
function build(rows) {
  const states = [...new Set(rows.map((r) => r.state))].sort();
  if (states.join('|') !== CANTONS.join('|')) {
    throw new Error(`Luxembourg: cantons ${states.join(', ')} instead of ${CANTONS.join(', ')}`);
  }
  const names = new Set(rows.map((r) => r.place)).size;
  const pairs = groupBy(rows, (r) => `${r.place}|${r.state}`);
  if (names !== NAMES || pairs.size !== PAIRS) {
    throw new Error(`Luxembourg: ${names} names in ${pairs.size} pairs of name and canton`
      + ` instead of ${NAMES} in ${PAIRS}`);
  }
  const places = [];
  let withCommune = 0;
  for (const group of pairs.values()) {
    const canton = CANTONS.indexOf(group[0].state) + 1;
    const communes = groupBy(group, (r) => r.province);
    for (const [commune, own] of communes) {
      const name = communes.size > 1 ? `${own[0].place} (${commune})` : own[0].place;
      if (communes.size > 1) withCommune++;
      places.push({ canton, name, commune, ...meanPosition(own) });
    }
  }
  if (new Set(places.map((p) => `${p.canton}|${p.name}`)).size !== places.length) {
    throw new Error('Luxembourg: a name repeats within a canton');
  }
  const sorted = sortBy(places, (p) => [p.canton, fold(p.name), p.name]);
  const records = sorted.map((p) => Buffer.concat([u8(p.canton), shortString(p.name)]));
  return { bytes: entry(records), places: sorted, withCommune };
}

module.exports = { build, CANTONS };
