'use strict';
// A minimal, reproducible ZIP writer: deflated entries with a fixed date, no
// folders, no extra fields, no comments and no data descriptors, so the end
// record is the archive's last 22 bytes.
const zlib = require('zlib');

const CRC_TABLE = (() => {
  const t = new Uint32Array(256);
  for (let n = 0; n < 256; n++) {
    let c = n;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    t[n] = c >>> 0;
  }
  return t;
})();

function crc32(bytes) {
  let c = 0xffffffff;
  for (const b of bytes) c = CRC_TABLE[(c ^ b) & 0xff] ^ (c >>> 8);
  return (c ^ 0xffffffff) >>> 0;
}

// MS-DOS date of 2008-06-01, the day the French catalogue describes; time 00:00:00.
const DOS_DATE = ((2008 - 1980) << 9) | (6 << 5) | 1;
const DOS_TIME = 0;

function header(fields) {
  const size = fields.reduce((n, [w]) => n + w, 0);
  const b = Buffer.alloc(size);
  let at = 0;
  for (const [w, v] of fields) {
    if (w === 2) b.writeUInt16LE(v, at);
    else b.writeUInt32LE(v, at);
    at += w;
  }
  return b;
}

// entries: [{ name, bytes }] in archive order.
function write(entries) {
  const parts = [];
  const directory = [];
  let offset = 0;
  for (const e of entries) {
    const name = Buffer.from(e.name, 'latin1');
    const packed = zlib.deflateRawSync(e.bytes, { level: 9, windowBits: 15, memLevel: 9 });
    const crc = crc32(e.bytes);
    const local = header([
      [4, 0x04034b50], [2, 20], [2, 0], [2, 8], [2, DOS_TIME], [2, DOS_DATE],
      [4, crc], [4, packed.length], [4, e.bytes.length], [2, name.length], [2, 0],
    ]);
    directory.push(Buffer.concat([header([
      [4, 0x02014b50], [2, 20], [2, 20], [2, 0], [2, 8], [2, DOS_TIME], [2, DOS_DATE],
      [4, crc], [4, packed.length], [4, e.bytes.length], [2, name.length], [2, 0], [2, 0],
      [2, 0], [2, 0], [4, 0], [4, offset],
    ]), name]));
    parts.push(local, name, packed);
    offset += local.length + name.length + packed.length;
  }
  const dir = Buffer.concat(directory);
  const end = header([
    [4, 0x06054b50], [2, 0], [2, 0], [2, entries.length], [2, entries.length],
    [4, dir.length], [4, offset], [2, 0],
  ]);
  return Buffer.concat([...parts, dir, end]);
}

module.exports = { write, crc32 };
