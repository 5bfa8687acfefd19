#include "profile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "ascii.h"
#include "cp1252.h"

namespace nubra {
namespace {

// Blanks are spaces and tabs, what ascii::trim removes. Names compare
// without regard to ASCII case only: an accented capital and its small
// letter are two different bytes of a name.
constexpr std::string_view kBlanks = " \t";
using ascii::trim;
bool sameName(std::string_view a, std::string_view b) { return ascii::equalsIgnoreCase(a, b); }

// One line of the file: its text without the line end, and the line end
// itself ("\r\n", "\n", or empty for a last line that has none). A last
// line cut after its carriage return keeps that "\r" as its end, not in its
// text, so that completing it with "\n" does not change what it reads as.
struct Line {
    std::string_view text;
    std::string_view end;
};

std::vector<Line> splitLines(std::string_view content) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        const auto nl = content.find('\n', start);
        const std::size_t stop = nl == std::string_view::npos ? content.size() : nl + 1;
        std::size_t textEnd = nl == std::string_view::npos ? content.size() : nl;
        if (textEnd > start && content[textEnd - 1] == '\r') --textEnd;
        lines.push_back({content.substr(start, textEnd - start), content.substr(textEnd, stop - textEnd)});
        start = stop;
    }
    return lines;
}

// The section name of a header line ("[name]", the closing bracket
// optional as with the classic functions), or nullopt for other lines.
std::optional<std::string_view> sectionName(std::string_view line) {
    const auto text = trim(line);
    if (text.empty() || text.front() != '[') return std::nullopt;
    auto name = text.substr(1);
    if (const auto close = name.find(']'); close != std::string_view::npos) name = name.substr(0, close);
    return trim(name);
}

bool isComment(std::string_view line) {
    const auto text = trim(line);
    return !text.empty() && (text.front() == ';' || text.front() == '#');
}

// Position of '=' in a key line, or npos for lines that hold no key.
std::size_t keySeparator(std::string_view line) {
    if (isComment(line) || sectionName(line)) return std::string_view::npos;
    return line.find('=');
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Where `key` of `section` sits among the lines.
struct KeyPlace {
    std::optional<std::size_t> header;  // line of the section header
    std::optional<std::size_t> key;     // line of the key
    std::size_t lastLine = 0;           // last non-blank line of the section
};

KeyPlace findKey(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    KeyPlace place;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionName(lines[i].text)) {
            if (place.header) break;  // the first matching section has ended
            inSection = sameName(*name, section);
            if (inSection) {
                place.header = i;
                place.lastLine = i;
            }
            continue;
        }
        if (!inSection) continue;
        if (!trim(lines[i].text).empty()) place.lastLine = i;
        const auto eq = keySeparator(lines[i].text);
        if (eq == std::string_view::npos) continue;
        if (sameName(trim(lines[i].text.substr(0, eq)), key)) {
            place.key = i;
            break;
        }
    }
    return place;
}

[[noreturn]] void failWrite(const std::string& path) {
    throw EProfileError("Impossible d'\xE9" "crire dans " + Utf8ToCp1252(path));
}

enum class ReadResult { Ok, Missing, NotAFile, TooLarge, Failed };

// Reads at most `limit` bytes of a regular file into `content`.
ReadResult readBounded(const std::string& path, std::size_t limit, std::string& content) {
    content.clear();
    // Non-blocking, so that a named pipe in the file's place cannot make the
    // open wait for a writer forever; reads of a regular file ignore it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    struct stat st{};
    ReadResult result = ReadResult::Ok;
    if (::fstat(fd, &st) != 0) {
        result = ReadResult::Failed;
    } else if (!S_ISREG(st.st_mode)) {
        result = ReadResult::NotAFile;
    } else {
        char buffer[65536];
        while (true) {
            const std::size_t want = std::min(sizeof buffer, limit + 1 - content.size());
            const ssize_t got = ::read(fd, buffer, want);
            if (got < 0) {
                if (errno == EINTR) continue;
                result = ReadResult::Failed;
                break;
            }
            if (got == 0) break;
            content.append(buffer, static_cast<std::size_t>(got));
            if (content.size() > limit) {
                content.resize(limit);
                result = ReadResult::TooLarge;
                break;
            }
        }
    }
    ::close(fd);
    return result;
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t done = ::write(fd, data.data(), data.size());
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(done));
    }
    return true;
}

// The file a write must replace: the target of a symbolic link, so that a
// linked settings file is updated rather than replaced by a plain file.
std::string writeTarget(const std::string& path) {
    struct stat st{};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string target(real);
            std::free(real);
            return target;
        }
    }
    return path;
}

// A write killed between creating its temporary file ".nubra.ini.XXXXXX"
// and renaming it leaves that file behind. Each write removes the leftovers
// of the same settings file once they are older than any write can last; a
// younger one may belong to a write in progress in another instance of the
// program and is left alone. So at most the writes killed in the last
// kStaleSeconds leave files, one each.
void removeStaleTemporaries(const std::filesystem::path& file) {
    constexpr std::time_t kStaleSeconds = 600;
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    const std::string prefix = "." + file.filename().string() + ".";
    const std::time_t now = std::time(nullptr);
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() != prefix.size() + 6 || !name.starts_with(prefix)) continue;
        const bool mkstempSuffix = std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                                               [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
        struct stat st{};
        if (mkstempSuffix && ::lstat(it->path().c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            st.st_mtime + kStaleSeconds < now)
            ::unlink(it->path().c_str());
    }
}

TProfileWriteHook writeHook = nullptr;

void reachStep(TProfileWriteStep step) {
    if (writeHook) writeHook(step);
}

} // namespace

void SetProfileWriteHook(TProfileWriteHook hook) { writeHook = hook; }

std::string SettingsPath() {
    std::filesystem::path folder;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        folder = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
        }
        folder = std::filesystem::path(home && *home ? home : "/") / ".config";
    }
    return (folder / "nubra.ini").string();
}

std::optional<std::int32_t> ParseProfileInt(std::string_view text) {
    std::string_view hex;
    if (text.size() > 1 && text.front() == '$') hex = text.substr(1);
    else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) hex = text.substr(2);

    if (!hex.empty()) {
        std::uint32_t value = 0;
        for (const char c : hex) {
            const int digit = ascii::hexValue(c);
            if (digit < 0 || (value >> 28) != 0) return std::nullopt;
            value = (value << 4) | static_cast<std::uint32_t>(digit);
        }
        return static_cast<std::int32_t>(value);
    }

    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > std::int64_t{INT32_MAX} + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view fallback) {
    std::string content;
    const auto result = readBounded(path, kMaxProfileBytes, content);
    if (result != ReadResult::Ok && result != ReadResult::TooLarge) return std::string(fallback);
    // The size limit may cut a line; its first part could read as a value
    // the file does not hold ("1" of "1    5"), so a cut line is not read.
    if (result == ReadResult::TooLarge) {
        const auto lastEnd = content.rfind('\n');
        content.erase(lastEnd == std::string::npos ? 0 : lastEnd + 1);
    }
    const auto lines = splitLines(content);
    const auto place = findKey(lines, section, key);
    if (!place.key) return std::string(fallback);
    const auto line = lines[*place.key].text;
    return std::string(unquote(trim(line.substr(keySeparator(line) + 1))));
}

std::int32_t ReadProfileInt(const std::string& path, std::string_view section,
                            std::string_view key, std::int32_t fallback) {
    const auto text = ReadProfileString(path, section, key, {});
    return ParseProfileInt(text).value_or(fallback);
}

std::string SetProfileValue(std::string_view content, std::string_view section,
                            std::string_view key, std::string_view value) {
    const auto lines = splitLines(content);
    std::string_view newline = "\n";
    if (!lines.empty() && lines.front().end.ends_with('\n')) newline = lines.front().end;

    const auto place = findKey(lines, section, key);
    std::string out;
    out.reserve(content.size() + section.size() + key.size() + value.size() + 8);

    if (!place.header) {
        out.append(content);
        if (!out.empty() && out.back() != '\n') out.append(newline);
        out.append("[").append(section).append("]").append(newline);
        out.append(key).append("=").append(value).append(newline);
        return out;
    }

    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (place.key && i == *place.key) {
            // Keep the key as spelled in the file, with its spacing.
            const auto eq = keySeparator(line.text);
            auto valueStart = line.text.find_first_not_of(kBlanks, eq + 1);
            if (valueStart == std::string_view::npos) valueStart = line.text.size();
            out.append(line.text.substr(0, valueStart)).append(value).append(line.end);
            continue;
        }
        out.append(line.text).append(line.end);
        if (!place.key && i == place.lastLine) {
            if (!line.end.ends_with('\n')) out.append(line.end.empty() ? newline : std::string_view("\n"));
            out.append(key).append("=").append(value).append(newline);
        }
    }
    return out;
}

void WriteProfileString(const std::string& path, std::string_view section,
                        std::string_view key, std::string_view value) {
    // A line end or a bracket in a name, or a line end in a value, would
    // change the meaning of the file for every later reader.
    const auto hasLineEnd = [](std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; };
    if (hasLineEnd(section) || section.find(']') != std::string_view::npos || hasLineEnd(key) ||
        key.find('=') != std::string_view::npos || trim(key).empty() || hasLineEnd(value))
        throw std::invalid_argument("profile: section, key or value not storable");

    const std::string target = writeTarget(path);
    const std::filesystem::path file(target);
    std::error_code ec;
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path(), ec);
        if (ec) failWrite(path);
    }

    std::string content;
    const auto result = readBounded(target, kMaxProfileBytes, content);
    if (result != ReadResult::Ok && result != ReadResult::Missing) failWrite(path);
    mode_t mode = 0644;
    if (result == ReadResult::Ok) {
        struct stat st{};
        if (::stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;
    }
    const std::string updated = SetProfileValue(content, section, key, value);
    removeStaleTemporaries(file);

    std::string temp = (file.has_parent_path() ? file.parent_path() / "" : std::filesystem::path()).string() +
                       "." + file.filename().string() + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) failWrite(path);
    reachStep(TProfileWriteStep::TemporaryCreated);
    const std::string_view bytes(updated);
    const std::size_t half = bytes.size() / 2;
    bool ok = writeAll(fd, bytes.substr(0, half));
    if (ok) reachStep(TProfileWriteStep::PartWritten);
    ok = ok && writeAll(fd, bytes.substr(half)) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) reachStep(TProfileWriteStep::Synced);
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        failWrite(path);
    }
    reachStep(TProfileWriteStep::Renamed);
    // Make the rename itself durable; a failure here loses nothing.
    const std::string folder = file.has_parent_path() ? file.parent_path().string() : std::string(".");
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        reachStep(TProfileWriteStep::FolderSyncing);
        ::fsync(dir);
        ::close(dir);
    }
}

void WriteProfileInt(const std::string& path, std::string_view section,
                     std::string_view key, std::int32_t value) {
    WriteProfileString(path, section, key, std::to_string(value));
}

} // namespace nubra
