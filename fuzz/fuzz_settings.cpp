// The settings file: arbitrary bytes as "nubra.ini", read back key by key
// and rewritten with a new value; the rewrite must keep the file readable.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "profile.h"

namespace {

// The file lives in memory (/dev/shm) where there is one: on a disk, each
// truncate-and-rewrite of the same file may force its blocks out, and the
// fuzzer would spend its time waiting for the disk.
const std::string& scratchPath()
{
    static const std::string path =
        std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/nubra-fuzz-settings-" +
        std::to_string(::getpid()) + ".ini";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nubra;
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const std::string& path = scratchPath();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }
    (void)ReadProfileInt(path, "general", "Pays", 0);
    (void)ReadProfileInt(path, "general", "villedefaut", 0);
    (void)ReadProfileString(path, "serveurs", "france", "");
    (void)ParseProfileInt(content.substr(0, 16));

    const std::string rewritten = SetProfileValue(content, "general", "villedefaut", "42");
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(rewritten.data(), 1, rewritten.size(), f);
        std::fclose(f);
    }
    // A file that was not cut at the size limit must give back the value written.
    if (rewritten.size() < kMaxProfileBytes && ReadProfileInt(path, "general", "villedefaut", 0) != 42)
        __builtin_trap();
    return 0;
}
