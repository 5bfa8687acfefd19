'use strict';
// "data.be": Belgian localities from GeoNames' Belgian postal-code table,
// each served by the nearest synoptic weather station.
//
// Record: station number (2 bytes: the WMO index without its leading zero),
// then the name as a short string.
const { fold, sortBy } = require('./collate');
const { shortString, u16, entry } = require('./cp1252');

// The 18 stations whose forecasts the Belgian source reads.
const STATIONS = [6400, 6407, 6431, 6447, 6449, 6450, 6451, 6456, 6458, 6464,
  6476, 6477, 6478, 6479, 6484, 6490, 6496, 6590];

// Province names in French, by the table's province code.
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

// The item of `items` nearest to `place`; the first one on a tie.
function nearest(place, items) {
  return items.reduce((a, b) => (distance(place, b) < distance(place, a) ? b : a));
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
//     the same forecast (the first listed is kept); otherwise each gets the
//     larger locality nearest to it.
function uniqueNames(places, larger) {
  for (const group of groupBy(places, (p) => p.name).values()) {
    if (group.length < 2) continue;
    for (const p of group) p.name = `${p.name} (${PROVINCES[p.province]})`;
  }
  const out = [];
  for (const group of groupBy(places, (p) => p.name).values()) {
    if (group.length < 2 || new Set(group.map((p) => p.station)).size === 1) {
      out.push(group[0]);
      continue;
    }
    for (const p of group) {
      const near = nearest(p, larger.filter((q) => q.baseName !== p.baseName));
      p.name = `${p.baseName} (${PROVINCES[p.province]}, près de ${near.baseName})`;
      out.push(p);
    }
  }
  return out;
}

// rows: the postal table's rows; towns: GeoNames' populated places of
// Belgium with their population (cities500), which tell the larger
// localities apart since the postal table has no population.
function build(rows, stationCoordinates, towns) {
  const stations = STATIONS.map((number) => {
    const c = stationCoordinates.get(number);
    if (!c) throw new Error(`no coordinates for station ${number}`);
    return { number, lat: c.lat, lon: c.lon };
  });
  // A locality with several postal codes (Antwerpen has seven) is listed
  // once per code, always at the same position: it becomes one place.
  const localities = [...groupBy(rows, (r) => `${r.place}|${r.lat}|${r.lon}`).values()]
    .map(([r]) => {
      if (!PROVINCES[r.provinceCode]) throw new Error(`unknown province ${r.provinceCode} for ${r.place}`);
      return {
        name: r.place, baseName: r.place, province: r.provinceCode, lat: r.lat, lon: r.lon,
        station: nearestStation(r, stations),
      };
    });
  // A larger locality: the one nearest to a town of more than 10,000
  // inhabitants, named as the postal table names it.
  const larger = [...new Set(towns.filter((t) => t.population > 10000)
    .map((t) => nearest(t, localities)))];
  const places = uniqueNames(localities, larger);
  if (new Set(places.map((p) => p.name)).size !== places.length) throw new Error('Belgian names not unique');
  const sorted = sortBy(places, (p) => [fold(p.name), p.name]);
  const records = sorted.map((p) => Buffer.concat([u16(p.station), shortString(p.name)]));
  return { bytes: entry(records), places: sorted, merged: rows.length - localities.length };
}

function nearestStation(place, stations) {
  return nearest(place, stations).number;
}

module.exports = { build, STATIONS };
