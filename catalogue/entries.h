// Parsing of one decompressed catalogue entry into its table. LoadCatalogues
// runs these on the bytes that the archive reader produced; they are public
// so that tools and tests can parse entry bytes without an archive.
//
// Stored form of an entry: a 32-bit little-endian signed record count, then
// that many records packed with no alignment and no trailer. A short string
// is one length byte n, then n bytes of Windows-1252 text.
//
//   "data.fr"  region (1 byte), commune string: code (5) + postal code (5) + name
//   "data.ca"  province (1 byte), city code (short string), name (short string)
//   "data.ch"  postal number (2 bytes), name (short string)
//   "data.be"  station number (2 bytes), name (short string)
//   "data.lu"  canton (1 byte), name (short string)
//   "data.mc"  0 (1 byte), name (short string)
//   "data.om"  territory (1 byte), commune string as in "data.fr"
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "catalogue.h"

namespace nubra {

// What a parse found: the count the entry announced and how many bytes the
// complete records and the count took. A well-formed entry has
// table.size() == announced and consumed == its size.
struct TEntryParse {
    std::int32_t announced = 0;
    std::size_t consumed = 0;
};

// Each replaces `table` with the records of `bytes`. The records point into
// `bytes` (their texts are views, see catalogue.h), which must outlive the
// table.
//
// The count is read from the first 4 bytes; when fewer are there, the ones
// present fill its low-order bytes and the rest stay 0, so an empty entry
// gives an empty table. Damaged data is handled as follows:
//  - data that ends inside a record (the entry is shorter than its count
//    promises): the table keeps only the complete records before it;
//  - a negative count gives an empty table;
//  - a count larger than the data could hold: the table is never reserved
//    beyond what the remaining bytes could fill, so a bogus count costs no
//    memory; parsing stops at the end of the data as above.
// Bytes after the last counted record are left unread (consumed tells).
TEntryParse ParseFranceEntry(std::span<const std::uint8_t> bytes, std::vector<TVilleFrance>& table);
TEntryParse ParseCanadaEntry(std::span<const std::uint8_t> bytes, std::vector<TVillecanada>& table);
TEntryParse ParseSuisseEntry(std::span<const std::uint8_t> bytes, std::vector<TVilleSuisse>& table);
TEntryParse ParseBelgiqueEntry(std::span<const std::uint8_t> bytes, std::vector<TVilleBelge>& table);
TEntryParse ParseLieuEntry(std::span<const std::uint8_t> bytes, std::vector<TLieu>& table);

} // namespace nubra
