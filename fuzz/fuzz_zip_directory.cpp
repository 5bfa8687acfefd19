// The central-directory walk and the lookup by name, on arbitrary archive
// bytes. Every outcome must be a result code or the stream read error.
#include <cstddef>
#include <cstdint>
#include <span>

#include "vunzip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nubra;
    TSpanStream stream(std::span<const std::uint8_t>(data, size));
    try {
        TZipRec rec;
        int result = ZipOpen(stream, rec);
        // An end record announces at most 65,535 entries; the walk ends by itself.
        while (result == ZIP_OK)
            result = ZipNext(rec);
        ZipClose(rec);
    } catch (const EReadError&) {
    }
    try {
        const std::int32_t pos = ZipFindEntry(stream, "data.fr");
        if (pos >= 0) {
            TMemoryStream out(std::int64_t{64} << 20);
            stream.Seek(pos);
            (void)ZipExtract(stream, out);
        }
    } catch (const EReadError&) {
    }
    return 0;
}
