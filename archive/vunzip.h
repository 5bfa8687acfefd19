// Reading a ZIP archive held in a seekable stream, and decompressing single
// entries of it into another stream.
//
// Single-disk archives with 32-bit sizes and offsets; compression methods 0
// (stored), 1 (shrunk), 6 (imploded) and 8 (deflated); no encryption. The
// reader never writes to the archive stream.
//
// Result codes, shared by every operation of the reader (0 is success; -5
// and -8 are not used):
//    0  success
//   -1  ZipFindEntry: no entry of that name, or ZipOpen failed;
//       ZipExtract: the CRC-32 of the written bytes differs from the expected one
//   -2  the output stream accepted fewer bytes than written
//   -3  the input ended before the decoder finished
//   -4  local header signature wrong, or invalid compressed data
//   -6  compression method not supported (also: method 1 without a
//       compressed size in the local header)
//   -7  entry encrypted
//   -9  central-directory entry signature wrong
//  -10  no further entry in the central directory
//  -11  no end-of-central-directory record (also: stream shorter than 22 bytes)
//
// Reads of fixed-size structures use TStream::ReadBuffer, so a structure that
// the stream cannot supply raises EReadError ("Erreur de lecture du flux"),
// which passes through to the caller.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "stream.h"

namespace nubra {

inline constexpr int ZIP_OK = 0;
inline constexpr int ZIP_NOT_FOUND_OR_BAD_CRC = -1;
inline constexpr int ZIP_SHORT_WRITE = -2;
inline constexpr int ZIP_INPUT_ENDED = -3;
inline constexpr int ZIP_BAD_DATA = -4;
inline constexpr int ZIP_UNSUPPORTED_METHOD = -6;
inline constexpr int ZIP_ENCRYPTED = -7;
inline constexpr int ZIP_BAD_DIR_SIGNATURE = -9;
inline constexpr int ZIP_NO_MORE_ENTRIES = -10;
inline constexpr int ZIP_NO_END_RECORD = -11;

// The cursor of a walk over the central directory.
struct TZipRec {
    std::uint32_t EntryTime = 0;        // MS-DOS time (low 16 bits) and date (high 16 bits)
    std::int32_t EntrySize = 0;         // uncompressed size of the current entry
    std::int32_t EntryPackedSize = 0;   // compressed size of the current entry
    std::int32_t LocalHeaderPos = 0;    // stream position of its local header
    std::uint8_t EntryAttr = 0;         // low byte of the external attributes when "version made by" is 0
    TStream* ArchiveStream = nullptr;   // not owned
    std::int32_t SearchPos = 0;         // where the end-record search stands
    std::string ArchiveComment;
    std::int32_t NextDirPos = 0;        // stream position of the next directory entry
    std::int32_t EntryCount = 0;        // entries announced by the end record (0 to 65,535)
    std::int32_t EntriesRead = 0;       // entries read so far, folders included
    std::array<std::uint8_t, 46> DirHeader{}; // fixed part of the current directory entry
    std::string EntryName;              // '/' replaced by '\'
    std::string EntryComment;
};

int ZipOpen(TStream& stream, TZipRec& rec);
int ZipNext(TZipRec& rec);
void ZipClose(TZipRec& rec);

// Stream position of the local header of the first entry named exactly
// `name` (with '\' between folders), or -1.
std::int32_t ZipFindEntry(TStream& stream, const std::string& name);

// Decompresses the entry whose local header is at the stream's position,
// appending its bytes to `output` at its position.
int ZipExtract(TStream& stream, TStream& output);

} // namespace nubra
