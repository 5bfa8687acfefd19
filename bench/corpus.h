// Inputs shared by the archive benchmarks: a file's bytes, and real text
// made of this repository's own sources and documents.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <system_error>
#include <vector>

#include "archive_test_support.h"

namespace nubra::bench {

using test::Bytes;

// The whole file, or nothing when it cannot be read.
inline Bytes ReadFile(const std::filesystem::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

// Real text: the sources and manual pages of the repository at `root`
// (English code and comments, French messages and manuals) and the files
// `documents` of its top folder, one after another in path order.
inline Bytes RepositoryText(const std::filesystem::path& root, std::initializer_list<const char*> documents = {})
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (const char* folder : {"archive", "catalogue", "forecast", "app", "cli", "packaging", "tools/replica"}) {
        std::error_code ec;
        for (fs::recursive_directory_iterator it(root / folder, ec), end; !ec && it != end; it.increment(ec)) {
            const auto ext = it->path().extension();
            if (it->is_regular_file() && (ext == ".cpp" || ext == ".h" || ext == ".md" || ext == ".1"))
                files.push_back(it->path());
        }
    }
    for (const char* name : documents)
        files.push_back(root / name);
    std::sort(files.begin(), files.end());
    Bytes all;
    for (const auto& f : files) {
        const Bytes b = ReadFile(f);
        all.insert(all.end(), b.begin(), b.end());
    }
    return all;
}

} // namespace nubra::bench
