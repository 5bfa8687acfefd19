// The whole extraction as a user meets it: `nubra-cli unzip ARCHIVE ENTRY`
// against zlib_unzip, the shortest extractor over zlib (bench/zlib_unzip.c),
// each a fresh process writing the entry to /dev/null. Process start,
// dynamic loading, reading the archive, inflating, the CRC and the write are
// all inside the time.
//
// Inputs, each one deflated entry (zlib, level 6) in an archive of its own:
//   text       this repository's sources and documents, repeated to 20 MB
//   binary     the nubra-cli executable, repeated to 8 MB
//   catalogue  the four catalogue entries of data/data.zip, one after the
//              other, repeated to 8 MB
// Both programs must write exactly the entry's bytes, or the input is
// refused. Then one warm-up run of each, and N runs of each alternating;
// the ratio is zlib_unzip's median over ours (above 1: ours is faster).
// Target: ratio >= 1.0 on every input.
//
// Usage: bench_unzip_process [--runs N] <nubra-cli> <zlib_unzip>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "archive_test_support.h"
#include "corpus.h"
#include "median.h"
#include "stream.h"
#include "vunzip.h"

using namespace nubra;
using namespace nubra::test;
namespace fs = std::filesystem;

namespace {

constexpr double kTarget = 1.0;

void writeFile(const fs::path& p, const Bytes& bytes)
{
    std::ofstream f(p, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes repeatedTo(const Bytes& piece, std::size_t size)
{
    Bytes out;
    out.reserve(size);
    while (!piece.empty() && out.size() < size)
        out.insert(out.end(), piece.begin(), piece.begin() + static_cast<long>(std::min(piece.size(), size - out.size())));
    return out;
}

// The four catalogue entries of the shipped archive, decompressed by us
// (checked against the CRC by ZipExtract).
Bytes catalogueEntries()
{
    const Bytes archive = bench::ReadFile(fs::path(NUBRA_SOURCE_DIR) / "data" / "data.zip");
    Bytes all;
    for (const char* name : {"data.fr", "data.ca", "data.ch", "data.be"}) {
        TSpanStream in(archive);
        const std::int32_t at = ZipFindEntry(in, name);
        TMemoryStream out;
        in.Seek(at);
        if (at < 0 || ZipExtract(in, out) != ZIP_OK)
            return {};
        all.insert(all.end(), out.Bytes().begin(), out.Bytes().end());
    }
    return all;
}

using Clock = std::chrono::steady_clock;

// Runs `program ARCHIVE ENTRY` with standard output to `output` and
// standard error to /dev/null; its wall time in ms, or nothing when it
// failed.
std::optional<double> runOnce(const std::string& program, const fs::path& archive, const char* output)
{
    const Clock::time_point start = Clock::now();
    const pid_t pid = ::fork();
    if (pid < 0)
        return std::nullopt;
    if (pid == 0) {
        const int out = ::open(output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open("/dev/null", O_WRONLY);
        if (out < 0 || err < 0)
            ::_exit(126);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        if (program.ends_with("nubra-cli"))
            ::execl(program.c_str(), program.c_str(), "unzip", archive.c_str(), "entry", static_cast<char*>(nullptr));
        else
            ::execl(program.c_str(), program.c_str(), archive.c_str(), "entry", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return ms;
}

// One row: false when a program failed or wrote other bytes.
bool compare(const char* name, const Bytes& content, const std::string& ours, const std::string& zlib,
             const fs::path& folder, int runs, bool& missed)
{
    const fs::path archive = folder / (std::string(name) + ".zip");
    writeFile(archive, buildZip({deflatedEntry("entry", content, 6)}).bytes);
    const fs::path written = folder / "written";
    for (const std::string* program : {&ours, &zlib}) {
        if (!runOnce(*program, archive, written.c_str()) || bench::ReadFile(written) != content) {
            std::printf("%-10s %s did not write the entry's bytes: refused\n", name, program->c_str());
            return false;
        }
    }
    std::vector<double> a, b;
    for (int run = 0; run < runs; ++run) {
        const auto x = runOnce(ours, archive, "/dev/null");
        const auto y = runOnce(zlib, archive, "/dev/null");
        if (!x || !y) {
            std::printf("%-10s a run failed\n", name);
            return false;
        }
        a.push_back(*x);
        b.push_back(*y);
    }
    const double ratio = bench::Median(b) / bench::Median(a);
    const bool miss = ratio < kTarget;
    missed = missed || miss;
    std::printf("%-10s %9zu B in %8ju B  nubra-cli %7.2f ms [%7.2f]  zlib_unzip %7.2f ms [%7.2f]  ratio %.2f"
                "  (target >= %.1f: %s)\n",
                name, content.size(), static_cast<std::uintmax_t>(fs::file_size(archive)), bench::Median(a),
                *std::min_element(a.begin(), a.end()), bench::Median(b), *std::min_element(b.begin(), b.end()), ratio,
                kTarget, miss ? "NOT MET" : "met");
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 7;
    std::vector<std::string> programs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            programs.push_back(arg);
    }
    if (programs.size() != 2 || !programs[0].ends_with("nubra-cli")) {
        std::fprintf(stderr, "usage: bench_unzip_process [--runs N] <nubra-cli> <zlib_unzip>\n");
        return 2;
    }
    const fs::path folder = fs::temp_directory_path() / ("nubra_unzip_process_" + std::to_string(::getpid()));
    fs::create_directories(folder);

    const Bytes catalogue = catalogueEntries();
    const struct {
        const char* name;
        Bytes content;
    } inputs[] = {
        {"text", repeatedTo(bench::RepositoryText(NUBRA_SOURCE_DIR), 20'000'000)},
        {"binary", repeatedTo(bench::ReadFile(programs[0]), 8'000'000)},
        {"catalogue", repeatedTo(catalogue, 8'000'000)},
    };
    std::printf("whole process, entry to /dev/null; medians of %d alternating runs after one warm-up each"
                " [best]; ratio = zlib_unzip / nubra-cli (above 1: ours is faster)\n",
                runs);
    bool sound = true;
    bool missed = false;
    for (const auto& input : inputs) {
        if (input.content.empty()) {
            std::printf("%-10s no input (data/data.zip absent?)\n", input.name);
            sound = false;
            continue;
        }
        sound = compare(input.name, input.content, programs[0], programs[1], folder, runs, missed) && sound;
    }
    fs::remove_all(folder);
    if (missed)
        std::printf("whole-process extraction ratio to zlib_unzip >= %.1f on every input: NOT MET\n", kTarget);
    return sound ? 0 : 1;
}
