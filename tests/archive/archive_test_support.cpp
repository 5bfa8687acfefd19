#include "archive_test_support.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

#include "crc32.h"
#include "vunzip.h"

namespace nubra::test {

Bytes toBytes(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

std::uint32_t crcOf(const Bytes& data)
{
    return Crc32(data.data(), data.size());
}

Bytes deflateRaw(const Bytes& data, int level, int strategy)
{
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 9, strategy) != Z_OK)
        throw std::runtime_error("deflateInit2");
    Bytes out(deflateBound(&z, static_cast<uLong>(data.size())) + 16);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (rc != Z_STREAM_END)
        throw std::runtime_error("deflate");
    return out;
}

Bytes randomBytes(std::size_t n, std::uint32_t seed, int alphabet)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> pick(0, alphabet - 1);
    Bytes out(n);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(pick(rng));
    return out;
}

Bytes textLike(std::size_t n, std::uint32_t seed)
{
    static const char* const words[] = {"pluie ", "soleil ", "nuageux ", "vent ",    "orage ",
                                        "averses ", "temp\xE9rature ", "\xE9" "claircies ",
                                        "brouillard ", "neige ", "\r\n", "15 ",
                                        "km/h ", "Montr\xE9" "al ", "Li\xE8ge "};
    std::mt19937 rng(seed);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(words) - 1);
    Bytes out;
    out.reserve(n + 16);
    while (out.size() < n) {
        const char* w = words[pick(rng)];
        out.insert(out.end(), w, w + std::char_traits<char>::length(w));
    }
    out.resize(n);
    return out;
}

std::vector<std::uint32_t> canonicalCodes(const std::vector<std::uint16_t>& lengths)
{
    std::uint32_t count[17]{};
    for (auto l : lengths)
        ++count[l];
    count[0] = 0;
    std::uint32_t next[17]{};
    std::uint32_t code = 0;
    for (int bits = 1; bits <= 16; ++bits) {
        code = (code + count[bits - 1]) << 1;
        next[bits] = code;
    }
    std::vector<std::uint32_t> codes(lengths.size());
    for (std::size_t i = 0; i < lengths.size(); ++i)
        if (lengths[i] != 0)
            codes[i] = next[lengths[i]]++;
    return codes;
}

void BitWriter::bits(std::uint32_t value, unsigned count)
{
    for (unsigned i = 0; i < count; ++i) {
        acc_ |= ((value >> i) & 1u) << count_;
        if (++count_ == 8) {
            out_.push_back(static_cast<std::uint8_t>(acc_));
            acc_ = 0;
            count_ = 0;
        }
    }
}

void BitWriter::code(std::uint32_t code, unsigned length)
{
    for (unsigned i = length; i-- > 0;)
        bits((code >> i) & 1u, 1);
}

void BitWriter::alignToByte()
{
    if (count_ != 0)
        bits(0, 8 - count_);
}

Bytes BitWriter::finish()
{
    alignToByte();
    return out_;
}

ZipEntrySpec storedEntry(const std::string& name, const Bytes& content)
{
    ZipEntrySpec e;
    e.name = name;
    e.method = 0;
    e.data = content;
    e.crc = crcOf(content);
    e.packedSize = static_cast<std::uint32_t>(content.size());
    e.size = static_cast<std::uint32_t>(content.size());
    return e;
}

ZipEntrySpec deflatedEntry(const std::string& name, const Bytes& content, int level)
{
    ZipEntrySpec e = storedEntry(name, content);
    e.method = 8;
    e.data = deflateRaw(content, level);
    e.packedSize = static_cast<std::uint32_t>(e.data.size());
    return e;
}

namespace {

void put16(Bytes& b, std::uint32_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

void putBytes(Bytes& b, const Bytes& v) { b.insert(b.end(), v.begin(), v.end()); }
void putText(Bytes& b, const std::string& v) { b.insert(b.end(), v.begin(), v.end()); }

} // namespace

ZipImage buildZip(const std::vector<ZipEntrySpec>& entries, const std::string& archiveComment,
                  std::optional<std::uint16_t> entryCountOverride)
{
    ZipImage img;
    Bytes& b = img.bytes;
    for (const auto& e : entries) {
        img.localHeaderPos.push_back(static_cast<std::int32_t>(b.size()));
        put32(b, 0x04034B50);
        put16(b, 20);
        put16(b, e.flags);
        put16(b, e.method);
        put32(b, 0x5A8C7B21); // time and date
        put32(b, e.crc);
        put32(b, e.packedSize);
        put32(b, e.size);
        put16(b, static_cast<std::uint32_t>(e.name.size()));
        put16(b, static_cast<std::uint32_t>(e.localExtra.size()));
        putText(b, e.name);
        putBytes(b, e.localExtra);
        putBytes(b, e.data);
        putBytes(b, e.trailer);
    }
    img.directoryPos = static_cast<std::int32_t>(b.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& e = entries[i];
        put32(b, 0x02014B50);
        put16(b, e.versionMadeBy);
        put16(b, 20);
        put16(b, e.flags);
        put16(b, e.method);
        put32(b, 0x5A8C7B21);
        put32(b, e.crc);
        put32(b, e.packedSize);
        put32(b, e.size);
        put16(b, static_cast<std::uint32_t>(e.name.size()));
        put16(b, static_cast<std::uint32_t>(e.dirExtra.size()));
        put16(b, static_cast<std::uint32_t>(e.comment.size()));
        put16(b, 0);
        put16(b, 0);
        put32(b, e.externalAttr);
        put32(b, static_cast<std::uint32_t>(img.localHeaderPos[i]));
        putText(b, e.name);
        putBytes(b, e.dirExtra);
        putText(b, e.comment);
    }
    const auto dirSize = static_cast<std::uint32_t>(b.size()) - static_cast<std::uint32_t>(img.directoryPos);
    const auto count = entryCountOverride.value_or(static_cast<std::uint16_t>(entries.size()));
    put32(b, 0x06054B50);
    put16(b, 0);
    put16(b, 0);
    put16(b, count);
    put16(b, count);
    put32(b, dirSize);
    put32(b, static_cast<std::uint32_t>(img.directoryPos));
    put16(b, static_cast<std::uint32_t>(archiveComment.size()));
    putText(b, archiveComment);
    return img;
}

std::int32_t RecordingStream::Write(const void* b, std::int32_t n)
{
    writes.push_back(n);
    std::int32_t take = n;
    if (limit_ >= 0)
        take = static_cast<std::int32_t>(std::clamp<std::int64_t>(limit_ - mem_.Size(), 0, n));
    return mem_.Write(b, take);
}

DecodeRun runDecoder(Method method, const Bytes& compressed, std::int32_t packedSize,
                     std::int32_t unpackedSize, std::uint16_t flags, std::int64_t outputLimit, bool fastPath)
{
    OwnedStream in(compressed);
    RecordingStream out(outputLimit);
    ExtractState s;
    PrepareExtractState(s, in, out,
                        packedSize < 0 ? static_cast<std::int32_t>(compressed.size()) : packedSize,
                        unpackedSize, flags);
    s.FastPath = fastPath;
    DecodeRun run;
    switch (method) {
    case Method::Inflate: run.result = InflateEntry(s); break;
    case Method::Unshrink: run.result = UnshrinkEntry(s); break;
    case Method::Explode: run.result = ExplodeEntry(s); break;
    }
    run.output = out.bytes();
    run.writes = out.writes;
    run.crc = ~s.Crc;
    run.inputPosition = in.Position();
    run.unreadBits = std::int64_t{s.InLast - s.InPos + 1} * 8 + s.BitCount;
    run.bitPhase = s.BitCount % 8u;
    run.reads = in.readSizes;
    return run;
}

ExtractRun extractAt(const Bytes& archive, std::int64_t localHeaderPos)
{
    TSpanStream in(archive);
    TMemoryStream out;
    in.Seek(localHeaderPos);
    ExtractRun run;
    run.result = ZipExtract(in, out);
    run.output.assign(out.Bytes().begin(), out.Bytes().end());
    run.streamPosition = in.Position();
    return run;
}

} // namespace nubra::test
