// The settings file: a small INI reader and writer with the behaviour of
// the classic profile-file functions, one key per call, the file opened and
// closed around each call.
//
// Format: "[section]" header lines, then "key=value" lines; lines starting
// with ';' or '#' and anything else that is neither are kept untouched.
// Section and key names are compared without regard to ASCII case; spaces
// and tabs around names and values are ignored; a value wrapped in a pair of
// matching quotes ('...' or "...") loses them. The first matching section
// and, inside it, the first matching key are the ones read and written.
//
// Reading never fails: a missing or unreadable file, a directory in its
// place, a missing section or key all give the caller's default. At most
// kMaxProfileBytes of a file are read, so an absurd file cannot exhaust
// memory; NUL bytes are ordinary bytes.
//
// Writing rewrites the whole file atomically (temporary file in the same
// folder, fsync, rename over the old one), so a crash or a full disk leaves
// either the old file or the new one, never a torn one. Every other line is
// kept byte for byte, with its own line end (CR LF or LF); added lines use
// the line end of the file's first line (LF for a new file). A write that
// cannot be done raises EProfileError "Impossible d'écrire dans <path>".
//
// Texts are bytes; the path is a file-system path (UTF-8 on this platform)
// and is converted to Windows-1252 for the error message only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace nubra {

class EProfileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Files larger than this are read only up to this size and never rewritten
// (a write then raises EProfileError rather than losing their tail).
inline constexpr std::size_t kMaxProfileBytes = 4u << 20;

// "nubra.ini" in the user's configuration folder: $XDG_CONFIG_HOME when it
// is set to an absolute path, else $HOME/.config (the home folder taken from
// the password database when HOME is unset). The folder is shared by all
// programs of the user; it is created by the first write.
std::string SettingsPath();

// The integer a value text stands for, or nullopt when it stands for none:
//   - decimal: optional '+' or '-', then at least one digit, nothing else;
//     a value outside the 32-bit signed range stands for no integer;
//   - hexadecimal: "$" followed by hex digits, or "0x"/"0X" followed by hex
//     digits (so the text is longer than two characters); no sign. The
//     digits give a 32-bit pattern, so "$FFFFFFFF" is -1; more significant
//     digits than 32 bits hold (leading zeros aside) stand for no integer.
// Spaces inside, a trailing letter ("12a") or an empty text: no integer.
std::optional<std::int32_t> ParseProfileInt(std::string_view text);

// The value of `key` in `section` of the file at `path`, or `fallback`.
std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view fallback);

// The value read as ParseProfileInt does, or `fallback` when the key is
// missing or its value stands for no integer.
std::int32_t ReadProfileInt(const std::string& path, std::string_view section,
                            std::string_view key, std::int32_t fallback);

// Sets `key` to `value` in `section`, adding the section (at the end of the
// file) or the key (after the section's last non-blank line) when missing.
// Creates the file's folder when needed. Raises EProfileError.
void WriteProfileString(const std::string& path, std::string_view section,
                        std::string_view key, std::string_view value);

// The steps of a write, in order, for tests that stop a writer inside each
// of them: the temporary file created, part of the new content written, the
// whole of it flushed to the disk, the temporary renamed over the file, and
// just before the folder is flushed.
enum class TProfileWriteStep { TemporaryCreated, PartWritten, Synced, Renamed, FolderSyncing };

// Called at each step of every write when set; null (the default) in the
// program. Tests set it in a child process to pause a writer at a chosen
// step and kill it there.
using TProfileWriteHook = void (*)(TProfileWriteStep);
void SetProfileWriteHook(TProfileWriteHook hook);

// As WriteProfileString, the value written in signed decimal.
void WriteProfileInt(const std::string& path, std::string_view section,
                     std::string_view key, std::int32_t value);

// The file's new content after setting `key` to `value` in `section`; the
// pure part of WriteProfileString, exposed for tests.
std::string SetProfileValue(std::string_view content, std::string_view section,
                            std::string_view key, std::string_view value);

} // namespace nubra
