'use strict';
// Compares two ZIP archives by their entries: names, order, uncompressed
// contents and CRC-32. The compressed bytes are not compared, so an archive
// deflated by another zlib, which may pack the same contents differently,
// still compares equal.
//
// Usage: node compare-zip.js EXPECTED ACTUAL
// Prints one line per entry (name, CRC-32, size, and whether it differs);
// exits 0 when the entries agree, 1 when they differ, 2 on an unreadable archive.
const fs = require('fs');
const zlib = require('zlib');
const { crc32 } = require('./lib/zip');

const END = 0x06054b50;
const CENTRAL = 0x02014b50;
const LOCAL = 0x04034b50;

// The entries of an archive, read from its central directory, each
// inflated and checked against the sizes and CRC-32 that the directory records.
function readEntries(file) {
  const zip = fs.readFileSync(file);
  let end = -1;
  for (let at = zip.length - 22; at >= Math.max(0, zip.length - 22 - 0xffff); at--) {
    if (zip.readUInt32LE(at) === END) { end = at; break; }
  }
  if (end < 0) throw new Error(`${file}: no end of central directory`);
  const count = zip.readUInt16LE(end + 10);
  let at = zip.readUInt32LE(end + 16);
  const entries = [];
  for (let i = 0; i < count; i++) {
    if (zip.readUInt32LE(at) !== CENTRAL) throw new Error(`${file}: bad central directory entry ${i}`);
    const method = zip.readUInt16LE(at + 10);
    const crc = zip.readUInt32LE(at + 16);
    const packedSize = zip.readUInt32LE(at + 20);
    const size = zip.readUInt32LE(at + 24);
    const nameLength = zip.readUInt16LE(at + 28);
    const extraLength = zip.readUInt16LE(at + 30);
    const commentLength = zip.readUInt16LE(at + 32);
    const local = zip.readUInt32LE(at + 42);
    const name = zip.toString('latin1', at + 46, at + 46 + nameLength);
    at += 46 + nameLength + extraLength + commentLength;

    if (zip.readUInt32LE(local) !== LOCAL) throw new Error(`${file}: ${name}: bad local header`);
    const start = local + 30 + zip.readUInt16LE(local + 26) + zip.readUInt16LE(local + 28);
    const packed = zip.subarray(start, start + packedSize);
    let bytes;
    if (method === 8) bytes = zlib.inflateRawSync(packed);
    else if (method === 0) bytes = packed;
    else throw new Error(`${file}: ${name}: compression method ${method}`);
    if (bytes.length !== size || crc32(bytes) !== crc) {
      throw new Error(`${file}: ${name}: contents do not match the recorded size or CRC-32`);
    }
    entries.push({ name, crc, bytes });
  }
  return entries;
}

function main() {
  const [expectedPath, actualPath] = process.argv.slice(2);
  if (!expectedPath || !actualPath) {
    console.error('usage: node compare-zip.js EXPECTED ACTUAL');
    process.exit(2);
  }
  let expected;
  let actual;
  try {
    expected = readEntries(expectedPath);
    actual = readEntries(actualPath);
  } catch (e) {
    console.error(e.message);
    process.exit(2);
  }
  const hex = (crc) => crc.toString(16).padStart(8, '0');
  let same = expected.length === actual.length;
  for (let i = 0; i < Math.max(expected.length, actual.length); i++) {
    const e = expected[i];
    const a = actual[i];
    if (!e || !a) {
      same = false;
      console.log(`${(e ?? a).name}: only in ${e ? expectedPath : actualPath}`);
    } else if (e.name !== a.name || e.crc !== a.crc || !e.bytes.equals(a.bytes)) {
      same = false;
      console.log(`entry ${i + 1}: ${e.name} ${hex(e.crc)} ${e.bytes.length} bytes`
        + ` in ${expectedPath}, ${a.name} ${hex(a.crc)} ${a.bytes.length} bytes in ${actualPath}`);
    } else {
      console.log(`${e.name} ${hex(e.crc)} ${e.bytes.length} bytes: same`);
    }
  }
  process.exit(same ? 0 : 1);
}

main();
