// The ZIP reader: end-record search, directory walk, lookup by name and the
// extraction driver, on archives from a test-side writer, Info-ZIP zip and
// Python's zipfile.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "archive_test_support.h"
#include "vunzip.h"

using namespace nubra;
using namespace nubra::test;

namespace {

int openResult(const Bytes& bytes, TZipRec* out = nullptr)
{
    TSpanStream in(bytes);
    TZipRec rec;
    const int result = ZipOpen(in, rec);
    if (out != nullptr) {
        *out = rec;
        out->ArchiveStream = nullptr;
    }
    return result;
}

std::int32_t find(const Bytes& bytes, const std::string& name)
{
    TSpanStream in(bytes);
    return ZipFindEntry(in, name);
}

// Every entry name of the walk, and the code that ended it.
std::pair<std::vector<std::string>, int> walk(const Bytes& bytes)
{
    TSpanStream in(bytes);
    TZipRec rec;
    std::vector<std::string> names;
    int result = ZipOpen(in, rec);
    while (result == ZIP_OK) {
        names.push_back(rec.EntryName);
        result = ZipNext(rec);
    }
    ZipClose(rec);
    return {names, result};
}

// An end record at `at` in a stream of `size` zero bytes, announcing no entry.
Bytes zerosWithEndSignature(std::size_t size, std::size_t at)
{
    Bytes b(size, 0);
    b[at] = 'P';
    b[at + 1] = 'K';
    b[at + 2] = 5;
    b[at + 3] = 6;
    return b;
}

Bytes readFile(const std::filesystem::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

void writeFile(const std::filesystem::path& p, const Bytes& b)
{
    std::ofstream f(p, std::ios::binary);
    f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

Bytes extractByName(const Bytes& archive, const std::string& name, int& result)
{
    const std::int32_t pos = find(archive, name);
    if (pos < 0) {
        result = -100;
        return {};
    }
    const ExtractRun run = extractAt(archive, pos);
    result = run.result;
    return run.output;
}

} // namespace

// --- End record -------------------------------------------------------------

TEST(ZipEndRecord, FoundAtTheEndWithoutScanning)
{
    const ZipImage img = buildZip({storedEntry("a.txt", toBytes("abc"))});
    OwnedStream in(img.bytes);
    TZipRec rec;
    ASSERT_EQ(ZipOpen(in, rec), ZIP_OK);
    EXPECT_EQ(rec.SearchPos, static_cast<std::int32_t>(img.bytes.size()) - 22);
    EXPECT_EQ(rec.EntryCount, 1);
    EXPECT_EQ(rec.EntryName, "a.txt");
    // One 22-byte read for the end record, then the directory.
    ASSERT_GE(in.readSizes.size(), 2u);
    EXPECT_EQ(in.readSizes[0], 22);
    EXPECT_NE(in.readSizes[1], 22);
}

TEST(ZipEndRecord, CommentIsReadAndSkippedByTheSearch)
{
    const std::string comment = "Catalogues des communes\x00 et localit\xE9s" + std::string(300, '.');
    const ZipImage img = buildZip({storedEntry("a.txt", toBytes("abc"))}, comment);
    TZipRec rec;
    ASSERT_EQ(openResult(img.bytes, &rec), ZIP_OK);
    EXPECT_EQ(rec.ArchiveComment, comment);
    EXPECT_EQ(rec.EntryName, "a.txt");
}

TEST(ZipEndRecord, SignatureInsideTheCommentWins)
{
    // The comment holds "PK\5\6" followed by 18 zero bytes: a record that
    // announces no entry, taken instead of the real one.
    std::string comment = "x";
    comment += std::string("PK\x05\x06", 4) + std::string(18, '\0') + "tail";
    const ZipImage img = buildZip({storedEntry("a.txt", toBytes("abc"))}, comment);
    EXPECT_EQ(openResult(img.bytes), ZIP_NO_MORE_ENTRIES);
    EXPECT_EQ(find(img.bytes, "a.txt"), -1);
}

TEST(ZipEndRecord, TheWholeStreamIsSearchedInOverlappingWindows)
{
    // The signature at every position of a 200-byte stream: found (a record
    // of no entries) wherever 22 bytes fit after it, never beyond.
    for (std::size_t at = 0; at + 4 <= 200; ++at) {
        const int expected = at <= 200 - 22 ? ZIP_NO_MORE_ENTRIES : ZIP_NO_END_RECORD;
        EXPECT_EQ(openResult(zerosWithEndSignature(200, at)), expected) << at;
    }
}

TEST(ZipEndRecord, MissingRecord)
{
    EXPECT_EQ(openResult(Bytes(21, 0)), ZIP_NO_END_RECORD);
    EXPECT_EQ(openResult(Bytes{}), ZIP_NO_END_RECORD);
    EXPECT_EQ(openResult(Bytes(22, 0)), ZIP_NO_END_RECORD);
    EXPECT_EQ(openResult(randomBytes(5000, 1, 200)), ZIP_NO_END_RECORD);
    EXPECT_EQ(find(Bytes(21, 0), "a"), -1);
}

TEST(ZipEndRecord, NoEntriesOrOnlyFolders)
{
    const ZipImage empty = buildZip({});
    EXPECT_EQ(openResult(empty.bytes), ZIP_NO_MORE_ENTRIES);
    EXPECT_EQ(find(empty.bytes, ""), -1);

    const ZipImage folders = buildZip({storedEntry("a/", {}), storedEntry("a/b/", {}), storedEntry("c:", {})});
    TZipRec rec;
    EXPECT_EQ(openResult(folders.bytes, &rec), ZIP_NO_MORE_ENTRIES);
    EXPECT_EQ(rec.EntriesRead, 3);
    EXPECT_EQ(find(folders.bytes, "a\\"), -1);
}

TEST(ZipEndRecord, DirectoryBeyondTheStreamIsAReadError)
{
    ZipImage img = buildZip({storedEntry("a.txt", toBytes("abc"))});
    // Directory offset at 16 bytes into the end record.
    const std::size_t end = img.bytes.size() - 22;
    img.bytes[end + 16] = 0xF0;
    img.bytes[end + 17] = 0xFF;
    EXPECT_THROW(openResult(img.bytes), EReadError);
    EXPECT_THROW(find(img.bytes, "a.txt"), EReadError);
    // A comment length running past the end of the stream.
    img = buildZip({storedEntry("a.txt", toBytes("abc"))});
    img.bytes[img.bytes.size() - 2] = 5;
    EXPECT_THROW(openResult(img.bytes), EReadError);
}

// --- Directory walk and lookup ----------------------------------------------

TEST(ZipDirectory, WalkFillsTheRecord)
{
    ZipEntrySpec a = deflatedEntry("dir/sub/a.txt", textLike(5000, 1));
    a.dirExtra = Bytes(9, 0xEE);
    a.comment = "premier";
    a.versionMadeBy = 0;
    a.externalAttr = 0x20;
    ZipEntrySpec b = storedEntry("b.bin", {1, 2, 3});
    b.externalAttr = 0x21;
    const ZipImage img = buildZip({storedEntry("dir/", {}), a, b});

    TSpanStream in(img.bytes);
    TZipRec rec;
    ASSERT_EQ(ZipOpen(in, rec), ZIP_OK);
    EXPECT_EQ(rec.EntryName, "dir\\sub\\a.txt");
    EXPECT_EQ(rec.EntryComment, "premier");
    EXPECT_EQ(rec.EntrySize, 5000);
    EXPECT_EQ(rec.EntryPackedSize, static_cast<std::int32_t>(a.data.size()));
    EXPECT_EQ(rec.LocalHeaderPos, img.localHeaderPos[1]);
    EXPECT_EQ(rec.EntryTime, 0x5A8C7B21u);
    EXPECT_EQ(rec.EntryAttr, 0x20) << "version made by 0: attributes kept";
    EXPECT_EQ(rec.EntriesRead, 2);
    ASSERT_EQ(ZipNext(rec), ZIP_OK);
    EXPECT_EQ(rec.EntryName, "b.bin");
    EXPECT_EQ(rec.EntryAttr, 0) << "version made by not 0";
    EXPECT_EQ(rec.EntryComment, "");
    EXPECT_EQ(ZipNext(rec), ZIP_NO_MORE_ENTRIES);
    EXPECT_EQ(ZipNext(rec), ZIP_NO_MORE_ENTRIES);
    ZipClose(rec);
}

TEST(ZipDirectory, BadDirectorySignature)
{
    // Two entries announced, one present: the second read meets the end record.
    // (The comment gives the read of a second entry its 46 bytes.)
    const ZipImage img = buildZip({storedEntry("a", {1})}, std::string(40, 'c'), 2);
    TSpanStream in(img.bytes);
    TZipRec rec;
    ASSERT_EQ(ZipOpen(in, rec), ZIP_OK);
    EXPECT_EQ(ZipNext(rec), ZIP_BAD_DIR_SIGNATURE);
    EXPECT_EQ(find(img.bytes, "zz"), -1);

    ZipImage bad = buildZip({storedEntry("a", {1})});
    bad.bytes[static_cast<std::size_t>(bad.directoryPos)] = 'Q';
    EXPECT_EQ(openResult(bad.bytes), ZIP_BAD_DIR_SIGNATURE);
}

TEST(ZipLookup, NamesAreComparedByteForByte)
{
    const ZipImage img = buildZip({
        storedEntry("data.fr", toBytes("fr1")),
        storedEntry("Dossier/Ville.txt", toBytes("v")),
        storedEntry("data.fr", toBytes("fr2")),
        storedEntry(std::string("nul\0x", 5), toBytes("n")),
        storedEntry("d\xE9j\xE0", toBytes("d")),
    });
    const struct {
        std::string name;
        std::int32_t expected;
    } rows[] = {
        {"data.fr", img.localHeaderPos[0]},
        {"Dossier\\Ville.txt", img.localHeaderPos[1]},
        {"Dossier/Ville.txt", -1},
        {"dossier\\ville.txt", -1},
        {"data.fr ", -1},
        {"data.f", -1},
        {"", -1},
        {std::string("nul\0x", 5), img.localHeaderPos[3]},
        {"nul", -1},
        {"d\xE9j\xE0", img.localHeaderPos[4]},
    };
    for (const auto& row : rows)
        EXPECT_EQ(find(img.bytes, row.name), row.expected) << row.name;
    EXPECT_EQ(walk(img.bytes).first.size(), 5u);
    EXPECT_EQ(walk(img.bytes).second, ZIP_NO_MORE_ENTRIES);
}

// --- Extraction -----------------------------------------------------------------

TEST(ZipExtract, EarlyRefusals)
{
    const Bytes content = toBytes("contenu");
    auto withMethod = [&](std::uint16_t method, std::uint16_t flags) {
        ZipEntrySpec e = storedEntry("e", content);
        e.method = method;
        e.flags = flags;
        return buildZip({e});
    };
    const struct {
        const char* what;
        std::uint16_t method;
        std::uint16_t flags;
        int expected;
    } rows[] = {
        {"method 12", 12, 0, ZIP_UNSUPPORTED_METHOD},
        {"method 96", 96, 0, ZIP_UNSUPPORTED_METHOD},
        {"method 9", 9, 0, ZIP_UNSUPPORTED_METHOD},
        {"encrypted, method 8", 8, 1, ZIP_ENCRYPTED},
        {"encrypted, method 0", 0, 1, ZIP_ENCRYPTED},
        {"encrypted, method 12: the method is tested first", 12, 1, ZIP_UNSUPPORTED_METHOD},
    };
    for (const auto& row : rows) {
        const ZipImage img = withMethod(row.method, row.flags);
        const ExtractRun run = extractAt(img.bytes, 0);
        EXPECT_EQ(run.result, row.expected) << row.what;
        EXPECT_TRUE(run.output.empty()) << row.what;
        EXPECT_EQ(run.streamPosition, 30) << row.what;
    }
    // The stream standing at a directory entry instead of a local header.
    const ZipImage img = withMethod(0, 0);
    const ExtractRun run = extractAt(img.bytes, img.directoryPos);
    EXPECT_EQ(run.result, ZIP_BAD_DATA);
    EXPECT_EQ(run.streamPosition, img.directoryPos + 30);
}

TEST(ZipExtract, LocalHeaderOutsideTheStreamIsAReadError)
{
    const ZipImage img = buildZip({storedEntry("e", toBytes("x"))});
    TSpanStream in(img.bytes);
    TMemoryStream out;
    in.Seek(-1);
    EXPECT_THROW(ZipExtract(in, out), EReadError);
    in.Seek(static_cast<std::int64_t>(img.bytes.size()) - 29);
    EXPECT_THROW(ZipExtract(in, out), EReadError);
}

TEST(ZipExtract, StoredEntries)
{
    {
        const ZipImage img = buildZip({storedEntry("vide", {})});
        TSpanStream in(img.bytes);
        RecordingStream out;
        ASSERT_EQ(ZipExtract(in, out), ZIP_OK);
        EXPECT_TRUE(out.writes.empty());
        EXPECT_EQ(in.Position(), 30 + 4);
    }
    {
        const Bytes data = randomBytes(70000, 3);
        const ZipImage img = buildZip({storedEntry("big", data), storedEntry("next", {9})});
        TSpanStream in(img.bytes);
        RecordingStream out;
        ASSERT_EQ(ZipExtract(in, out), ZIP_OK);
        EXPECT_EQ(out.bytes(), data);
        EXPECT_EQ(out.writes, (std::vector<std::int32_t>{32768, 32768, 4464}));
        EXPECT_EQ(in.Position(), img.localHeaderPos[1]) << "stands exactly after the data";
    }
    {
        // Truncated data: -3, which reaches the caller only when the CRC of
        // what was written matches (here nothing was, against CRC 0).
        ZipEntrySpec e = storedEntry("trunc", randomBytes(100, 4));
        e.packedSize = 5000;
        e.crc = 0;
        ZipImage img = buildZip({e});
        img.bytes.resize(30 + 5 + 100);
        EXPECT_EQ(extractAt(img.bytes, 0).result, ZIP_INPUT_ENDED);
        e.crc = 1;
        img = buildZip({e});
        img.bytes.resize(30 + 5 + 100);
        EXPECT_EQ(extractAt(img.bytes, 0).result, ZIP_NOT_FOUND_OR_BAD_CRC);
    }
    {
        // With a data descriptor, method 0 copies until the stream runs short.
        ZipEntrySpec e = storedEntry("dd", toBytes("abc"));
        e.flags = 8;
        // Nothing was flushed: the CRC (0) matches the expected one, which
        // is still 0 as the descriptor is read only after a success.
        const ZipImage img = buildZip({e});
        EXPECT_EQ(extractAt(img.bytes, 0).result, ZIP_INPUT_ENDED);
    }
}

TEST(ZipExtract, DeflatedEntries)
{
    const Bytes data = textLike(80000, 5);
    {
        SCOPED_TRACE("appends at the output's position and stops near the data's end");
        const ZipImage img = buildZip({deflatedEntry("d", data, 9)});
        TSpanStream in(img.bytes);
        TMemoryStream out;
        out.Write("XYZ", 3);
        ASSERT_EQ(ZipExtract(in, out), ZIP_OK);
        EXPECT_EQ(out.Size(), 80003);
        EXPECT_EQ(out.Position(), 80003);
        EXPECT_EQ(out.Bytes()[0], 'X');
        EXPECT_TRUE(std::equal(data.begin(), data.end(), out.Bytes().begin() + 3));
        const std::int64_t dataEnd = img.directoryPos;
        EXPECT_GE(in.Position(), dataEnd);
        EXPECT_LE(in.Position(), dataEnd + 4096);
    }
    {
        SCOPED_TRACE("wrong CRC in the header: -1 with every byte written");
        ZipEntrySpec e = deflatedEntry("d", data);
        e.crc ^= 1;
        const ExtractRun run = extractAt(buildZip({e}).bytes, 0);
        EXPECT_EQ(run.result, ZIP_NOT_FOUND_OR_BAD_CRC);
        EXPECT_EQ(run.output, data);
    }
    {
        SCOPED_TRACE("damaged data: the CRC comparison turns the failure into -1");
        ZipEntrySpec e = deflatedEntry("d", data);
        e.data.resize(e.data.size() / 2);
        EXPECT_EQ(extractAt(buildZip({e}).bytes, 0).result, ZIP_NOT_FOUND_OR_BAD_CRC);
    }
}

TEST(ZipExtract, DataDescriptors)
{
    const Bytes data = textLike(50000, 6);
    const std::uint32_t crc = crcOf(data);
    auto descriptorEntry = [&](const Bytes& trailer) {
        ZipEntrySpec e = deflatedEntry("dd", data);
        e.flags = 8;
        e.crc = 0;
        e.packedSize = 0;
        e.size = 0;
        e.trailer = trailer;
        return e;
    };
    auto le32 = [](std::uint32_t v) {
        return Bytes{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                     static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    };
    auto cat = [](Bytes a, const Bytes& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Bytes sizes = cat(le32(static_cast<std::uint32_t>(deflateRaw(data).size())), le32(50000));
    const struct {
        const char* what;
        Bytes trailer;
        int expected;
    } rows[] = {
        {"CRC first", cat(le32(crc), sizes), ZIP_OK},
        {"signature, then CRC", cat(cat(le32(0x08074B50), le32(crc)), sizes), ZIP_OK},
        {"wrong CRC", cat(le32(crc ^ 0x100), sizes), ZIP_NOT_FOUND_OR_BAD_CRC},
        {"signature, then a wrong CRC", cat(cat(le32(0x08074B50), le32(~crc)), sizes), ZIP_NOT_FOUND_OR_BAD_CRC},
    };
    for (const auto& row : rows) {
        // The entry after it has its own sizes, which are used.
        const Bytes second = randomBytes(3000, 8);
        const ZipImage img = buildZip({descriptorEntry(row.trailer), deflatedEntry("b", second)});
        const ExtractRun run = extractAt(img.bytes, img.localHeaderPos[0]);
        EXPECT_EQ(run.result, row.expected) << row.what;
        EXPECT_EQ(run.output, data) << row.what;
        const ExtractRun next = extractAt(img.bytes, img.localHeaderPos[1]);
        EXPECT_EQ(next.result, ZIP_OK) << row.what;
        EXPECT_EQ(next.output, second) << row.what;
    }
}

// --- Archives made by other programs -------------------------------------------

class ForeignArchives : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("nubra_zip_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ / "dossier");
        files_ = {
            {"texte.txt", textLike(150000, 21)},
            {"binaire.bin", randomBytes(40000, 22)},
            {"vide.txt", {}},
            {"dossier/r\xE9p\xE9titif.dat", Bytes(100000, 'r')},
        };
        for (const auto& [name, data] : files_)
            writeFile(dir_ / name, data);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    int run(const std::string& command) const
    {
        return std::system(("cd '" + dir_.string() + "' && (" + command + ") >/dev/null 2>&1").c_str());
    }

    void expectAllEntries(const Bytes& archive)
    {
        for (const auto& [name, data] : files_) {
            std::string stored = name;
            std::replace(stored.begin(), stored.end(), '/', '\\');
            int result = 0;
            EXPECT_EQ(extractByName(archive, stored, result), data) << name;
            EXPECT_EQ(result, ZIP_OK) << name;
        }
    }

    std::filesystem::path dir_;
    std::vector<std::pair<std::string, Bytes>> files_;
};

TEST_F(ForeignArchives, InfoZipStoredDeflatedAndWithFolders)
{
    for (const char* options : {"-0", "-1", "-6", "-9"}) {
        SCOPED_TRACE(options);
        std::filesystem::remove(dir_ / "t.zip");
        ASSERT_EQ(run(std::string("zip -q -r ") + options + " t.zip texte.txt binaire.bin vide.txt dossier"), 0);
        const Bytes archive = readFile(dir_ / "t.zip");
        expectAllEntries(archive);
        EXPECT_EQ(walk(archive).first.size(), 4u) << "the folder entry is passed over";
    }
}

TEST_F(ForeignArchives, InfoZipStreamedWithDataDescriptors)
{
    // Written to a pipe: flag bit 3, sizes and CRC in a descriptor that
    // begins with its signature.
    ASSERT_EQ(run("zip -q -fd - - < texte.txt > s.zip"), 0);
    ASSERT_EQ(run("zip -q -fd - binaire.bin > b.zip"), 0);
    int result = 0;
    const Bytes s = readFile(dir_ / "s.zip");
    ASSERT_GT(s.size(), 8u);
    EXPECT_EQ(s[6] & 8, 8) << "the entry carries a data descriptor";
    EXPECT_EQ(extractByName(s, "-", result), files_[0].second);
    EXPECT_EQ(result, ZIP_OK);
    EXPECT_EQ(extractByName(readFile(dir_ / "b.zip"), "binaire.bin", result), files_[1].second);
    EXPECT_EQ(result, ZIP_OK);
}

TEST_F(ForeignArchives, InfoZipWithArchiveComment)
{
    ASSERT_EQ(run("zip -q t.zip texte.txt && echo 'Catalogues de Nubra' | zip -q -z t.zip"), 0);
    const Bytes archive = readFile(dir_ / "t.zip");
    TZipRec rec;
    ASSERT_EQ(openResult(archive, &rec), ZIP_OK);
    EXPECT_EQ(rec.ArchiveComment.substr(0, 19), "Catalogues de Nubra");
    int result = 0;
    EXPECT_EQ(extractByName(archive, "texte.txt", result), files_[0].second);
    EXPECT_EQ(result, ZIP_OK);
}

TEST_F(ForeignArchives, PythonZipfile)
{
    const std::string script =
        "import zipfile\n"
        "with zipfile.ZipFile('p.zip', 'w') as z:\n"
        "    z.write('texte.txt', compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)\n"
        "    z.write('binaire.bin', compress_type=zipfile.ZIP_STORED)\n"
        "    z.write('vide.txt', compress_type=zipfile.ZIP_DEFLATED)\n"
        "    z.writestr('dossier/r\\xe9p\\xe9titif.dat', open(b'dossier/r\\xe9p\\xe9titif.dat', 'rb').read(),"
        " compress_type=zipfile.ZIP_DEFLATED, compresslevel=1)\n"
        "    z.comment = b'python'\n";
    writeFile(dir_ / "make.py", toBytes(script));
    if (run("python3 --version") != 0)
        GTEST_SKIP() << "python3 is not installed";
    ASSERT_EQ(run("python3 make.py"), 0);
    const Bytes archive = readFile(dir_ / "p.zip");
    // Python stores the non-ASCII name in UTF-8 (flag bit 11).
    for (std::size_t i = 0; i < 3; ++i) {
        int result = 0;
        EXPECT_EQ(extractByName(archive, files_[i].first, result), files_[i].second);
        EXPECT_EQ(result, ZIP_OK);
    }
    int result = 0;
    EXPECT_EQ(extractByName(archive, "dossier\\r\xC3\xA9p\xC3\xA9titif.dat", result), files_[3].second);
    EXPECT_EQ(result, ZIP_OK);
}

namespace {

// A memory stream that records the room each extraction asks it for.
class ExpectingStream final : public TStream {
public:
    std::int64_t Size() const override { return mem_.Size(); }
    std::int64_t Position() const override { return mem_.Position(); }
    void Seek(std::int64_t p) override { mem_.Seek(p); }
    std::int32_t Read(void* b, std::int32_t n) override { return mem_.Read(b, n); }
    std::int32_t Write(const void* b, std::int32_t n) override { return mem_.Write(b, n); }
    void Expect(std::int64_t bytes) override { expected.push_back(bytes); }

    std::vector<std::int64_t> expected;

private:
    TMemoryStream mem_;
};

std::vector<std::int64_t> roomAskedFor(const ZipEntrySpec& entry)
{
    const ZipImage img = buildZip({entry});
    TSpanStream in(img.bytes);
    ExpectingStream out;
    ZipExtract(in, out);
    return out.expected;
}

} // namespace

// The output is told the entry's size before decoding, but a header cannot
// make it reserve more than the data present could expand to.
TEST(ZipExtract, OutputMakesRoomFromTheHeaderWithinWhatTheDataCanFill)
{
    const Bytes data = textLike(80000, 9);
    EXPECT_EQ(roomAskedFor(deflatedEntry("d", data)), std::vector<std::int64_t>{80000});
    EXPECT_EQ(roomAskedFor(storedEntry("s", data)), std::vector<std::int64_t>{80000});

    ZipEntrySpec lying = deflatedEntry("d", Bytes(100, 'a'));
    lying.size = 0x7FFFFFF0;
    const auto asked = roomAskedFor(lying);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_LE(asked[0], std::int64_t{1032} * static_cast<std::int64_t>(lying.data.size()));
    EXPECT_GE(asked[0], 100);

    ZipEntrySpec overstated = lying;
    overstated.packedSize = 0x7FFFFFF0; // the data present is what counts
    const auto askedAgain = roomAskedFor(overstated);
    ASSERT_EQ(askedAgain.size(), 1u);
    EXPECT_LE(askedAgain[0], std::int64_t{1032} * static_cast<std::int64_t>(buildZip({overstated}).bytes.size()));

    ZipEntrySpec streamed = deflatedEntry("d", data);
    streamed.flags |= 8;
    EXPECT_TRUE(roomAskedFor(streamed).empty()) << "no size known before the data descriptor";
}
