'use strict';
// "data.mc": the quarters of Monaco, from GeoNames' Monaco postal-code
// table. Its rows are places and landmarks ("Port Hercule", "Jardin
// Exotique") under the one postal code 98000, each with the quarter it lies
// in (`community`).
//
// Record: a group byte, always 0 (the principality is one commune), then the
// name as a short string: the data.lu record.
const { fold, sortBy } = require('./collate');
const { shortString, u8, entry } = require('./cp1252');
const { meanPosition } = require('./postal');

const QUARTERS = 6;

// One place per quarter, at the mean position of its rows. The rows whose
// community is the commune itself ("Monaco": the principality as a whole and
// its marine reserve) are in no quarter and are left out.
// Returns { bytes, places, leftOut }: leftOut counts those rows.
function build(rows) {
  const quarters = new Map();
  let leftOut = 0;
  for (const r of rows) {
    if (r.community === '') throw new Error(`Monaco: no quarter for "${r.place}"`);
    if (r.community === r.province) { leftOut++; continue; }
    if (!quarters.has(r.community)) quarters.set(r.community, []);
    quarters.get(r.community).push(r);
  }
  if (quarters.size !== QUARTERS) {
    throw new Error(`Monaco: ${quarters.size} quarters (${[...quarters.keys()].join(', ')})`
      + ` instead of ${QUARTERS}`);
  }
  const places = [...quarters].map(([name, own]) => ({ name, rows: own.length, ...meanPosition(own) }));
  const sorted = sortBy(places, (p) => [fold(p.name), p.name]);
  const records = sorted.map((p) => Buffer.concat([u8(0), shortString(p.name)]));
  return { bytes: entry(records), places: sorted, leftOut };
}

module.exports = { build };
