'use strict';
// "data.geo": the position of every place of the seven catalogues.
//
// Seven sections, one per catalogue, in the order "fr", "ca", "ch", "be",
// "lu", "mc", "om" (the last three came later and follow, so the first four
// keep their bytes).
// A section: the catalogue's two-letter code (2 ASCII bytes), the 32-bit
// little-endian record count, then for each record of that catalogue, in its
// stored order, the latitude and the longitude as 32-bit signed little-endian
// integers in millionths of a degree (north and east positive). Position i of
// a section belongs to record i of its catalogue. The entry ends right after
// the last section.

// A coordinate in millionths of a degree; the sources give four decimals at
// most, so rounding loses nothing.
function micro(degrees, limit) {
  if (!Number.isFinite(degrees) || Math.abs(degrees) > limit) throw new Error(`bad coordinate ${degrees}`);
  return Math.round(degrees * 1e6);
}

// sections: [[code, [{ lat, lon }, ...]], ...]
function entry(sections) {
  const parts = [];
  for (const [code, places] of sections) {
    const head = Buffer.alloc(6);
    head.write(code, 0, 'latin1');
    head.writeInt32LE(places.length, 2);
    const body = Buffer.alloc(places.length * 8);
    places.forEach((p, i) => {
      body.writeInt32LE(micro(p.lat, 90), i * 8);
      body.writeInt32LE(micro(p.lon, 180), i * 8 + 4);
    });
    parts.push(head, body);
  }
  return Buffer.concat(parts);
}

module.exports = { entry };
