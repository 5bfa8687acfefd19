'use strict';
// Windows-1252 encoding of the catalogue texts, and the short string of the
// stored records: one length byte, then that many bytes, no terminator.

// Unicode code points of bytes 80..9F (the five undefined bytes are absent).
const HIGH = {
  0x20ac: 0x80, 0x201a: 0x82, 0x0192: 0x83, 0x201e: 0x84, 0x2026: 0x85,
  0x2020: 0x86, 0x2021: 0x87, 0x02c6: 0x88, 0x2030: 0x89, 0x0160: 0x8a,
  0x2039: 0x8b, 0x0152: 0x8c, 0x017d: 0x8e, 0x2018: 0x91, 0x2019: 0x92,
  0x201c: 0x93, 0x201d: 0x94, 0x2022: 0x95, 0x2013: 0x96, 0x2014: 0x97,
  0x02dc: 0x98, 0x2122: 0x99, 0x0161: 0x9a, 0x203a: 0x9b, 0x0153: 0x9c,
  0x017e: 0x9e, 0x0178: 0x9f,
};

// True when every character of `text` has a Windows-1252 byte.
function encodable(text) {
  for (const ch of text.normalize('NFC')) {
    const cp = ch.codePointAt(0);
    if (!(cp < 0x80 || (cp >= 0xa0 && cp <= 0xff) || cp in HIGH)) return false;
  }
  return true;
}

// The Windows-1252 bytes of `text` (NFC); throws on a character outside it.
function encode(text) {
  const out = [];
  for (const ch of text.normalize('NFC')) {
    const cp = ch.codePointAt(0);
    if (cp < 0x80 || (cp >= 0xa0 && cp <= 0xff)) out.push(cp);
    else if (cp in HIGH) out.push(HIGH[cp]);
    else throw new Error(`no Windows-1252 byte for U+${cp.toString(16)} in "${text}"`);
  }
  return Buffer.from(out);
}

function shortString(text) {
  const bytes = encode(text);
  if (bytes.length > 255) throw new Error(`text longer than 255 bytes: "${text}"`);
  return Buffer.concat([Buffer.from([bytes.length]), bytes]);
}

function u8(value) {
  if (!Number.isInteger(value) || value < 0 || value > 255) throw new Error(`not a byte: ${value}`);
  return Buffer.from([value]);
}

function u16(value) {
  if (!Number.isInteger(value) || value < 0 || value > 0xffff) throw new Error(`not 16 bits: ${value}`);
  const b = Buffer.alloc(2);
  b.writeUInt16LE(value);
  return b;
}

// An entry: the 32-bit little-endian record count, then the records.
function entry(records) {
  const head = Buffer.alloc(4);
  head.writeInt32LE(records.length);
  return Buffer.concat([head, ...records]);
}

module.exports = { encodable, encode, shortString, u8, u16, entry };
