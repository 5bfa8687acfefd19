// The side entries of the archive (the positions, the warning areas) are
// read whole or not at all: unlike the catalogues, which keep whatever
// bytes an extraction gives, a missing or damaged side entry is refused
// with its reason.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "stream.h"
#include "vunzip.h"

namespace nubra {

// Decompresses entry `name` of `archive` into `entry`. Returns an empty
// string, or why it cannot be read: "entrée data.geo absente de
// l'archive", "entrée data.geo endommagée (code -3)", or the stream's own
// error.
inline std::string ExtractWholeEntry(TStream& archive, const std::string& name, TMemoryStream& entry)
{
    try {
        const std::int32_t header = ZipFindEntry(archive, name.c_str());
        if (header < 0)
            return "entr\xE9" "e " + name + " absente de l'archive";
        archive.Seek(header);
        const int result = ZipExtract(archive, entry);
        if (result != ZIP_OK)
            return "entr\xE9" "e " + name + " endommag\xE9" "e (code " + std::to_string(result) + ")";
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

} // namespace nubra
