// One inflate under callgrind's count: our decoder (as ZipExtract runs it,
// into a memory stream with the CRC-32 computed during each flush) or
// zlib's raw inflate followed by zlib's crc32, on one of two inputs:
//   text       4 MiB of text-like bytes deflated at level 6 by zlib;
//   catalogue  the four entries of the embedded archive, one after another.
// The inputs are made before the counted part; only the decoding is counted
// (callgrind --instr-atstart=no, started and stopped around it here).
// Prints the output bytes; tools/bench.sh divides the count by them.
//
// Usage: bench_inflate_instr <ours|zlib> <text|catalogue>, under
//        valgrind --tool=callgrind --instr-atstart=no
#include <valgrind/callgrind.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "little_endian.h"
#include "archive_test_support.h"
#include "extract_state.h"
#include "resource.h"
#include "vunzip.h"

using namespace nubra;
using namespace nubra::test;

namespace {

struct Input {
    Bytes packed;
    std::size_t size;
};

using nubra::le16;
using nubra::le32;

std::vector<Input> catalogueInputs() {
    const auto archive = FindResourceBytes("data");
    std::vector<Input> inputs;
    for (const char* name : {"data.fr", "data.ca", "data.ch", "data.be"}) {
        TSpanStream stream(archive);
        const std::int32_t at = ZipFindEntry(stream, name);
        if (at < 0) {
            std::fprintf(stderr, "bench_inflate_instr: %s missing\n", name);
            std::exit(2);
        }
        const std::uint8_t* h = archive.data() + at;
        const std::uint8_t* data = h + 30 + le16(h + 26) + le16(h + 28);
        inputs.push_back({Bytes(data, data + le32(h + 18)), le32(h + 22)});
    }
    return inputs;
}

std::uint32_t ours(const Input& in, TMemoryStream& out) {
    TSpanStream stream(in.packed);
    out.Clear();
    ExtractState s;
    PrepareExtractState(s, stream, out, static_cast<std::int32_t>(in.packed.size()), kSizeUnknown, 0);
    if (InflateEntry(s) != ZIP_OK || out.Bytes().size() != in.size) std::abort();
    return ~s.Crc;
}

std::uint32_t theirs(const Input& in, Bytes& out) {
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = const_cast<Bytef*>(in.packed.data());
    z.avail_in = static_cast<uInt>(in.packed.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    if (inflate(&z, Z_FINISH) != Z_STREAM_END || z.total_out != in.size) std::abort();
    inflateEnd(&z);
    return static_cast<std::uint32_t>(crc32(0, out.data(), static_cast<uInt>(z.total_out)));
}

} // namespace

int main(int argc, char** argv) {
    const std::string which = argc > 1 ? argv[1] : "";
    const std::string input = argc > 2 ? argv[2] : "";
    if ((which != "ours" && which != "zlib") || (input != "text" && input != "catalogue")) {
        std::fprintf(stderr, "usage: bench_inflate_instr <ours|zlib> <text|catalogue>\n");
        return 2;
    }
    std::vector<Input> inputs;
    if (input == "text") {
        const Bytes text = textLike(4 << 20, 1);
        inputs.push_back({deflateRaw(text, 6), text.size()});
    } else {
        inputs = catalogueInputs();
    }
    std::size_t total = 0;
    std::size_t largest = 0;
    for (const Input& in : inputs) {
        total += in.size;
        largest = std::max(largest, in.size);
    }
    TMemoryStream ourOut;
    ourOut.Reserve(largest);
    Bytes zlibOut(largest + 1);

    std::uint32_t check = 0;
    CALLGRIND_START_INSTRUMENTATION;
    for (const Input& in : inputs) check ^= which == "ours" ? ours(in, ourOut) : theirs(in, zlibOut);
    CALLGRIND_STOP_INSTRUMENTATION;
    std::printf("output_bytes=%zu crc_xor=%08x\n", total, check);
    return 0;
}
