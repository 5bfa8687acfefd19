'use strict';
// GeoNames' postal-code tables (one country each) as converted to CSV:
// a header line, then one row per postal code and place name, UTF-8,
// comma-separated, never quoted. Columns: country_code, zipcode, place,
// state, state_code, province, province_code, community, community_code,
// latitude, longitude.
const fs = require('fs');
const zlib = require('zlib');

const HEADER = 'country_code,zipcode,place,state,state_code,province,province_code,'
  + 'community,community_code,latitude,longitude';

// Reads a gzip-compressed table. Rows keep the table's order; a row that
// does not have the eleven fields, or whose coordinates are not numbers,
// stops the build rather than slip into a catalogue.
function read(gzPath, country) {
  const text = zlib.gunzipSync(fs.readFileSync(gzPath)).toString('utf8');
  const lines = text.split(/\r?\n/);
  if (lines[0] !== HEADER) throw new Error(`${gzPath}: unexpected header "${lines[0]}"`);
  const rows = [];
  for (let i = 1; i < lines.length; i++) {
    if (lines[i] === '') continue;
    if (lines[i].includes('"')) throw new Error(`${gzPath}:${i + 1}: quoted field`);
    const f = lines[i].split(',');
    if (f.length !== 11 || f[0] !== country) throw new Error(`${gzPath}:${i + 1}: bad row`);
    const lat = Number(f[9]);
    const lon = Number(f[10]);
    if (f[9] === '' || f[10] === '' || !Number.isFinite(lat) || !Number.isFinite(lon)) {
      throw new Error(`${gzPath}:${i + 1}: bad coordinates`);
    }
    rows.push({
      zipcode: f[1], place: f[2], state: f[3], stateCode: f[4], province: f[5],
      provinceCode: f[6], community: f[7], communityCode: f[8], lat, lon,
    });
  }
  return rows;
}

// The mean position of `rows`, which the catalogues built from several rows
// of a table take as the position of their place.
function meanPosition(rows) {
  if (rows.length === 0) throw new Error('mean position of no row');
  const mean = (field) => rows.reduce((sum, r) => sum + r[field], 0) / rows.length;
  return { lat: mean('lat'), lon: mean('lon') };
}

module.exports = { read, meanPosition };
