#include "profile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace nubra {
namespace {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "nubra-profile-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

void writeFile(const fs::path& path, std::string_view content) {
    std::ofstream out(path, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

TEST(ProfileInt, ReadsDecimalAndBothHexadecimalForms) {
    struct Row {
        std::string_view text;
        std::optional<std::int32_t> expected;
    };
    const Row rows[] = {
        {"0", 0},          {"31", 31},        {"-5", -5},          {"+7", 7},
        {"0x1F", 31},      {"0X1f", 31},      {"$1F", 31},         {"$ff", 255},
        {"$FFFFFFFF", -1}, {"0x7FFFFFFF", INT32_MAX}, {"$000000001", 1},
        {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
        // Not integers: the caller's default applies.
        {"abc", std::nullopt}, {"", std::nullopt},  {"0x", std::nullopt}, {"$", std::nullopt},
        {"12a", std::nullopt}, {"1 2", std::nullopt}, {"-", std::nullopt}, {"0x1G", std::nullopt},
        {"-$1F", std::nullopt}, {"-0x1F", std::nullopt}, {"$123456789", std::nullopt},
        {"2147483648", std::nullopt}, {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt}, {std::string_view("1\0", 2), std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ParseProfileInt(row.text), row.expected) << "text: \"" << row.text << "\"";
}

TEST(ProfileRead, MissingFileSectionOrKeyGivesTheDefault) {
    TempFolder dir;
    const auto file = (dir.path() / "nubra.ini").string();
    EXPECT_EQ(ReadProfileInt(file, "general", "Pays", 0), 0);
    EXPECT_EQ(ReadProfileInt(file, "general", "Pays", 9), 9);
    writeFile(file, "[autre]\nPays=3\n[general]\nvilledefaut=12\n");
    EXPECT_EQ(ReadProfileInt(file, "general", "Pays", 0), 0);
    EXPECT_EQ(ReadProfileInt(file, "general", "villedefaut", 0), 12);
    EXPECT_EQ(ReadProfileInt(file, "absente", "villedefaut", 4), 4);
}

TEST(ProfileRead, NamesIgnoreCaseValuesAreTrimmedAndUnquoted) {
    TempFolder dir;
    const auto file = (dir.path() / "nubra.ini").string();
    writeFile(file, "; commentaire\r\n[ GENERAL ]\r\n  PAYS = 2 \r\nVilleDefaut=\"$1F\"\r\nnom='Gen\xE8ve'\r\n");
    EXPECT_EQ(ReadProfileInt(file, "general", "Pays", 0), 2);
    EXPECT_EQ(ReadProfileInt(file, "General", "villedefaut", 0), 31);
    EXPECT_EQ(ReadProfileString(file, "general", "NOM", ""), "Gen\xE8ve");
}

TEST(ProfileRead, FirstMatchingSectionAndKeyWin) {
    TempFolder dir;
    const auto file = (dir.path() / "nubra.ini").string();
    writeFile(file, "[general]\nPays=1\nPays=2\n[General]\nPays=3\n");
    EXPECT_EQ(ReadProfileInt(file, "general", "Pays", 0), 1);
}

TEST(ProfileRead, AbsurdFilesGiveTheDefaultWithoutFailing) {
    TempFolder dir;
    const auto asFolder = dir.path() / "dossier.ini";
    fs::create_directory(asFolder);
    EXPECT_EQ(ReadProfileInt(asFolder.string(), "general", "Pays", 5), 5);

    // NUL bytes are ordinary bytes; a key past the size limit is not seen.
    const auto big = dir.path() / "gros.ini";
    std::string content = "[general]\nPays=2\n";
    content.append(std::string("x\0y\n", 4));
    content.append(kMaxProfileBytes, 'z');
    content.append("\nvilledefaut=7\n");
    writeFile(big, content);
    EXPECT_EQ(ReadProfileInt(big.string(), "general", "Pays", 0), 2);
    EXPECT_EQ(ReadProfileInt(big.string(), "general", "villedefaut", 0), 0);
    // Never rewritten, since its tail would be lost.
    EXPECT_THROW(WriteProfileInt(big.string(), "general", "Pays", 1), EProfileError);
    EXPECT_EQ(fs::file_size(big), content.size());
}

TEST(ProfileEdit, ReplacesOnlyTheValueAndKeepsEveryOtherByte) {
    const std::string before =
        "; mes r\xE9glages\r\n[serveurs]\r\nfrance=127.0.0.1:8080\r\n\r\n[General]\r\nPays = 1\r\n# fin\r\nautre=x";
    EXPECT_EQ(SetProfileValue(before, "general", "pays", "3"),
              "; mes r\xE9glages\r\n[serveurs]\r\nfrance=127.0.0.1:8080\r\n\r\n[General]\r\nPays = 3\r\n# fin\r\nautre=x");
}

TEST(ProfileEdit, AddsKeyAfterTheSectionsLastKeyAndSectionAtTheEnd) {
    EXPECT_EQ(SetProfileValue("[general]\nPays=1\n\n[autre]\na=b\n", "general", "villedefaut", "12"),
              "[general]\nPays=1\nvilledefaut=12\n\n[autre]\na=b\n");
    EXPECT_EQ(SetProfileValue("[general]", "general", "Pays", "2"), "[general]\nPays=2\n");
    // New lines take the line end of the file's first line.
    EXPECT_EQ(SetProfileValue("[autre]\r\na=b", "general", "Pays", "2"),
              "[autre]\r\na=b\r\n[general]\r\nPays=2\r\n");
    EXPECT_EQ(SetProfileValue("", "general", "Pays", "0"), "[general]\nPays=0\n");
    // A file cut after a carriage return: the line keeps reading the same.
    EXPECT_EQ(SetProfileValue("[general\r", "general", "villedefaut", "42"), "[general\r\nvilledefaut=42\n");
    EXPECT_EQ(SetProfileValue("[autre]\na=b\r", "general", "Pays", "2"), "[autre]\na=b\r\n[general]\nPays=2\n");
    // A comment that looks like a key is not one.
    EXPECT_EQ(SetProfileValue("[general]\n;Pays=9\n", "general", "Pays", "1"),
              "[general]\n;Pays=9\nPays=1\n");
}

TEST(ProfileWrite, RoundTripsCreatesTheFolderAndLeavesNoTemporaryFile) {
    TempFolder dir;
    const auto folder = dir.path() / "conf" / "sub";
    const auto file = (folder / "nubra.ini").string();
    WriteProfileInt(file, "general", "villedefaut", -42);
    WriteProfileInt(file, "general", "Pays", 3);
    WriteProfileString(file, "serveurs", "france", "127.0.0.1:9");
    EXPECT_EQ(readFile(file), "[general]\nvilledefaut=-42\nPays=3\n[serveurs]\nfrance=127.0.0.1:9\n");
    EXPECT_EQ(ReadProfileInt(file, "general", "villedefaut", 0), -42);
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(ProfileWrite, KeepsTheFilePermissionsAndFollowsASymbolicLink) {
    TempFolder dir;
    const auto real = dir.path() / "vrai.ini";
    writeFile(real, "[general]\nPays=1\n");
    ::chmod(real.c_str(), 0600);
    const auto link = dir.path() / "nubra.ini";
    fs::create_symlink(real, link);
    WriteProfileInt(link.string(), "general", "Pays", 2);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(real), "[general]\nPays=2\n");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST(ProfileWrite, FailuresRaiseTheFrenchMessageAndChangeNothing) {
    TempFolder dir;
    // A folder that cannot be created (a plain file stands in its way; this
    // holds even for the super-user, unlike a permission test).
    const auto blocker = dir.path() / "fichier";
    writeFile(blocker, "x");
    const auto file = (blocker / "nubra.ini").string();
    try {
        WriteProfileInt(file, "general", "Pays", 1);
        ADD_FAILURE() << "no error raised";
    } catch (const EProfileError& e) {
        EXPECT_EQ(std::string(e.what()), "Impossible d'\xE9" "crire dans " + file);
    }
    EXPECT_EQ(readFile(blocker), "x");

    // The settings file is a folder: reported, not replaced.
    const auto asFolder = dir.path() / "nubra.ini";
    fs::create_directory(asFolder);
    EXPECT_THROW(WriteProfileInt(asFolder.string(), "general", "Pays", 1), EProfileError);
    EXPECT_TRUE(fs::is_directory(asFolder));

    // Texts that would corrupt the file are refused before touching it.
    EXPECT_THROW(WriteProfileString((dir.path() / "a.ini").string(), "general", "k", "a\nb"),
                 std::invalid_argument);
    EXPECT_THROW(WriteProfileString((dir.path() / "a.ini").string(), "general", "k=v", "1"),
                 std::invalid_argument);
    EXPECT_FALSE(fs::exists(dir.path() / "a.ini"));
}

TEST(ProfilePath, UsesXdgConfigHomeElseHomeConfig) {
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "";
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";

    ::setenv("XDG_CONFIG_HOME", "/tmp/conf", 1);
    EXPECT_EQ(SettingsPath(), "/tmp/conf/nubra.ini");
    ::setenv("XDG_CONFIG_HOME", "relatif", 1);  // ignored: not absolute
    ::setenv("HOME", "/home/anne", 1);
    EXPECT_EQ(SettingsPath(), "/home/anne/.config/nubra.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(SettingsPath(), "/home/anne/.config/nubra.ini");

    if (oldXdg) ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    if (oldHome) ::setenv("HOME", savedHome.c_str(), 1); else ::unsetenv("HOME");
}

} // namespace
} // namespace nubra
