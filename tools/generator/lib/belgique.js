'use strict';
// "data.be": Belgian localities, each served by the nearest synoptic
// weather station.
//
// Record: station number (2 bytes: the WMO index without its leading zero),
// then the name as a short string.
const { fold, sortBy } = require('./collate');
const { shortString, u16, entry } = require('./cp1252');

// The 18 stations whose forecasts the Belgian source reads.
const STATIONS = [6400, 6407, 6431, 6447, 6449, 6450, 6451, 6456, 6458, 6464,
  6476, 6477, 6478, 6479, 6484, 6490, 6496, 6590];

// Province names in French, by GeoNames' second-level code.
const PROVINCES = {
  BRU: 'Bruxelles', VAN: 'Anvers', VBR: 'Brabant flamand', VLI: 'Limbourg',
  VOV: 'Flandre-Orientale', VWV: 'Flandre-Occidentale', WBR: 'Brabant wallon',
  WHT: 'Hainaut', WLG: 'Liège', WLX: 'Luxembourg', WNA: 'Namur',
};

// Great-circle distance in kilometres.
function distance(a, b) {
  const rad = Math.PI / 180;
  const dLat = (b.lat - a.lat) * rad;
  const dLon = (b.lon - a.lon) * rad;
  const h = Math.sin(dLat / 2) ** 2
    + Math.cos(a.lat * rad) * Math.cos(b.lat * rad) * Math.sin(dLon / 2) ** 2;
  return 2 * 6371 * Math.asin(Math.sqrt(h));
}

function nearestStation(place, stations) {
  let best = null;
  for (const s of stations) {
    const d = distance(place, s);
    if (best === null || d < best.d) best = { d, number: s.number };
  }
  return best.number;
}

function groupBy(items, keyOf) {
  const groups = new Map();
  for (const item of items) {
    const k = keyOf(item);
    if (!groups.has(k)) groups.set(k, []);
    groups.get(k).push(item);
  }
  return groups;
}

// Names must be unique, since the city list is the only way to tell two
// places apart. Duplicates are resolved in two passes:
//  1. every place of a repeated name gets its province: "Aalst (Limbourg)";
//  2. places that still share a name (same name in the same province) are
//     merged into one when their nearest station is the same, since they get
//     the same forecast; otherwise each gets the larger locality nearest to it.
function uniqueNames(places, all) {
  for (const group of groupBy(places, (p) => p.name).values()) {
    if (group.length < 2) continue;
    for (const p of group) p.name = `${p.name} (${PROVINCES[p.admin2]})`;
  }
  const out = [];
  for (const group of groupBy(places, (p) => p.name).values()) {
    if (group.length < 2) { out.push(group[0]); continue; }
    const stations = new Set(group.map((p) => p.station));
    if (stations.size === 1) {
      out.push(group.reduce((a, b) => (b.population > a.population ? b : a)));
      continue;
    }
    for (const p of group) {
      const larger = all.filter((q) => q.population > 10000 && q.name !== p.baseName);
      const near = larger.reduce((a, b) => (distance(p, b) < distance(p, a) ? b : a));
      p.name = `${p.baseName} (${PROVINCES[p.admin2]}, près de ${near.baseName})`;
      out.push(p);
    }
  }
  return out;
}

function build(rows, stationCoordinates) {
  const stations = STATIONS.map((number) => {
    const c = stationCoordinates.get(number);
    if (!c) throw new Error(`no coordinates for station ${number}`);
    return { number, lat: c.lat, lon: c.lon };
  });
  const all = rows.filter((r) => r.country === 'BE').map((r) => ({
    ...r, baseName: r.name, station: nearestStation(r, stations),
  }));
  for (const p of all) {
    if (!PROVINCES[p.admin2]) throw new Error(`unknown province ${p.admin2} for ${p.name}`);
  }
  const places = uniqueNames(all.map((p) => ({ ...p })), all);
  if (new Set(places.map((p) => p.name)).size !== places.length) throw new Error('Belgian names not unique');
  const sorted = sortBy(places, (p) => [fold(p.name), p.name]);
  const records = sorted.map((p) => Buffer.concat([u16(p.station), shortString(p.name)]));
  return { bytes: entry(records), places: sorted };
}

module.exports = { build, STATIONS };
