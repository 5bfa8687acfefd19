// nubra-cli unzip: extracts one entry of a ZIP archive to standard output,
// or lists the entries of its central directory.
//
//   nubra-cli unzip ARCHIVE ENTRY
//       stdout: the bytes the extraction wrote, unchanged
//       stderr: "find: P" (the local header position, -1 when absent),
//               then "result: N" (the extraction's result code, -1 when
//               the entry was not found)
//   nubra-cli unzip --list ARCHIVE
//       stdout: NAME\tSIZE\tPACKED\tPOSITION per entry, then "result: N"
//               with the code that ended the walk (-10 at the normal end)
//
// ENTRY is compared byte for byte with the stored names, in which '/' has
// become '\'. Names are printed as stored, so a listed name can be passed
// back. A stream read error prints "error: " and its message. Exit status
// 0 on success, 1 on failure, 2 on a usage error.
#include <cstdio>
#include <exception>
#include <string>

#include "subcommands.h"
#include "cp1252.h"
#include "stream.h"
#include "vunzip.h"

namespace nubra::cli {

namespace {

void printError(const std::exception& e)
{
    std::fprintf(stderr, "error: %s\n", Cp1252ToUtf8(e.what()).c_str());
}

int usage() { return PrintUsage("unzip"); }

int extractEntry(const std::string& archive, const std::string& entry)
{
    TFileStream in(archive, TFileStream::Mode::Read);
    const std::int32_t position = ZipFindEntry(in, entry);
    std::fprintf(stderr, "find: %d\n", static_cast<int>(position));
    int result = -1;
    if (position != -1) {
        TMemoryStream out;
        in.Seek(position);
        result = ZipExtract(in, out);
        const auto bytes = out.Bytes();
        if (!bytes.empty())
            std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        std::fflush(stdout);
    }
    std::fprintf(stderr, "result: %d\n", result);
    return result == ZIP_OK ? 0 : 1;
}

int listEntries(const std::string& archive)
{
    TFileStream in(archive, TFileStream::Mode::Read);
    TZipRec rec;
    int result = ZipOpen(in, rec);
    while (result == ZIP_OK) {
        std::fwrite(rec.EntryName.data(), 1, rec.EntryName.size(), stdout);
        std::printf("\t%d\t%d\t%d\n", static_cast<int>(rec.EntrySize),
                    static_cast<int>(rec.EntryPackedSize), static_cast<int>(rec.LocalHeaderPos));
        result = ZipNext(rec);
    }
    ZipClose(rec);
    std::printf("result: %d\n", result);
    std::fflush(stdout);
    return result == ZIP_NO_MORE_ENTRIES ? 0 : 1;
}

} // namespace

int RunUnzip(const Args& args)
{
    try {
        if (args.size() == 2 && args[0] == "--list")
            return listEntries(args[1]);
        if (args.size() == 2 && !args[0].starts_with("--"))
            return extractEntry(args[0], args[1]);
    } catch (const std::exception& e) {
        printError(e);
        return 1;
    }
    return usage();
}

} // namespace nubra::cli
