// The settings file under faults: a writer killed inside each step of a
// write and at random moments, a folder it may not write to, a full disk,
// and files no editor would make.
// Every fault either leaves the old file byte for byte (with the French
// message of a failed write) or gives the caller's default on reading.
//
// The faults that need the process itself changed (killed, limited,
// stripped of its rights, moved into a mount namespace) run in a child
// process, which reports back through a pipe; a child that dies instead of
// reporting fails the test.
#include "profile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <thread>

namespace nubra {
namespace {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "nubra-faults-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp");
        path_ = pattern;
        // Reachable by an unprivileged child (see dropRoot).
        ::chmod(path_.c_str(), 0755);
    }
    ~TempFolder()
    {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        for (const auto& entry : fs::recursive_directory_iterator(path_, ec))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

void writeFile(const fs::path& path, std::string_view content)
{
    std::ofstream out(path, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string writeFailure(const fs::path& file)
{
    return "Impossible d'\xE9" "crire dans " + file.string();
}

// The leftovers of interrupted writes beside `file`: ".nubra.ini.XXXXXX".
std::vector<fs::path> temporariesOf(const fs::path& file)
{
    std::vector<fs::path> found;
    const std::string prefix = "." + file.filename().string() + ".";
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
        if (entry.path().filename().string().starts_with(prefix))
            found.push_back(entry.path());
    return found;
}

// Runs `body` in a child process and returns what it returned, or
// "raised: <message>" when it raised EProfileError. A child that ends any
// other way (a crash, another exception) is a test failure.
std::string inChild(const std::function<std::string()>& body)
{
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error("pipe");
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork");
    if (pid == 0) {
        ::close(fds[0]);
        std::string out;
        int status = 0;
        try {
            out = body();
        } catch (const EProfileError& e) {
            out = std::string("raised: ") + e.what();
        } catch (const std::exception& e) {
            out = std::string("other exception: ") + e.what();
            status = 3;
        }
        std::string_view rest = out;
        while (!rest.empty()) {
            const ssize_t n = ::write(fds[1], rest.data(), rest.size());
            if (n <= 0)
                break;
            rest.remove_prefix(static_cast<std::size_t>(n));
        }
        ::_exit(status);
    }
    ::close(fds[1]);
    std::string out;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
        out.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child ended badly: " << out;
    return out;
}

// In a child: lose the super-user's right to write anywhere, so that file
// permissions hold as they do for a user.
void dropRoot()
{
    if (::geteuid() != 0)
        return;
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
        throw std::runtime_error("cannot drop privileges");
}

// Content of the settings file after a complete write of each key: the
// file is one of these four, whatever moment a writer was killed at.
std::string settings(const std::string& city, const std::string& country)
{
    return "[general]\nvilledefaut=" + city + "\nPays=" + country + "\n";
}

// The child's end of the pipe and the step it pauses at (see pauseAtStep).
int pausePipe = -1;
TProfileWriteStep pauseStep = TProfileWriteStep::TemporaryCreated;

// In a writer child: on reaching the chosen step, tell the parent and wait
// there to be killed.
void pauseAtStep(TProfileWriteStep step)
{
    if (step != pauseStep)
        return;
    const char reached = 1;
    if (::write(pausePipe, &reached, 1) != 1)
        ::_exit(2);
    for (;;)
        ::pause();
}

// Every step of a write is stopped in every run: the child pauses at the
// chosen step and says so, and only then is it killed. Before the rename
// the file is the old one and the temporary stays; from the rename on it is
// the new one and no temporary is added.
TEST(ProfileFaults, WriterKilledInsideEachStepLeavesTheOldOrTheNewFile)
{
    TempFolder dir;
    const fs::path file = dir.path() / "nubra.ini";
    WriteProfileString(file.string(), "general", "villedefaut", "1");
    WriteProfileString(file.string(), "general", "Pays", "3");

    const TProfileWriteStep steps[] = {TProfileWriteStep::TemporaryCreated, TProfileWriteStep::PartWritten,
                                       TProfileWriteStep::Synced, TProfileWriteStep::Renamed,
                                       TProfileWriteStep::FolderSyncing};
    std::size_t temporaries = 0;
    int round = 0;
    for (const TProfileWriteStep step : steps) {
        for (const char* key : {"villedefaut", "Pays"}) {
            const std::string value = std::to_string(++round * 1000);
            const std::string before = readFile(file);
            int fds[2];
            ASSERT_EQ(::pipe(fds), 0);
            const pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                ::close(fds[0]);
                pausePipe = fds[1];
                pauseStep = step;
                SetProfileWriteHook(pauseAtStep);
                try {
                    WriteProfileString(file.string(), "general", key, value);
                } catch (...) {
                }
                ::_exit(1);  // the write ended without reaching the step
            }
            ::close(fds[1]);
            char reached = 0;
            const ssize_t got = ::read(fds[0], &reached, 1);
            ::close(fds[0]);
            ::kill(pid, SIGKILL);
            int status = 0;
            ::waitpid(pid, &status, 0);
            ASSERT_EQ(got, 1) << "round " << round << ": the writer never reached its step";
            ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;

            const bool renamed = step == TProfileWriteStep::Renamed || step == TProfileWriteStep::FolderSyncing;
            const std::string content = readFile(file);
            if (renamed) {
                EXPECT_NE(content, before) << "round " << round;
                EXPECT_EQ(ReadProfileString(file.string(), "general", key, ""), value) << "round " << round;
            } else {
                EXPECT_EQ(content, before) << "round " << round;
            }
            const std::size_t now = temporariesOf(file).size();
            EXPECT_EQ(now, temporaries + (renamed ? 0 : 1)) << "round " << round;
            temporaries = now;
        }
    }
    ASSERT_EQ(temporaries, 6u);

    // Leftovers are the next write's to remove once they are old enough that
    // no write can still be using them; a young one may belong to a write in
    // progress in another instance of the program and is left alone.
    const auto leftovers = temporariesOf(file);
    const std::size_t young = leftovers.size() / 2;
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (std::size_t i = young; i < leftovers.size(); ++i)
        fs::last_write_time(leftovers[i], old);
    WriteProfileInt(file.string(), "general", "Pays", 2);
    EXPECT_EQ(temporariesOf(file).size(), young);
    EXPECT_EQ(ReadProfileInt(file.string(), "general", "Pays", 0), 2);
}

// Extra coverage by random timing: wherever a kill lands, the file is one
// of the complete ones and a kill adds at most one temporary. (Where kills
// land depends on the machine; the test above hits every step for sure.)
TEST(ProfileFaults, WriterKilledAtRandomMomentsLeavesACompleteFile)
{
    TempFolder dir;
    const fs::path file = dir.path() / "nubra.ini";
    // Long values, so that a write takes a moment and kills may land inside.
    const std::string cityA(300000, '1'), cityB(200000, '2');
    const std::string countryA(250000, '3'), countryB(100000, '4');
    WriteProfileString(file.string(), "general", "villedefaut", cityA);
    WriteProfileString(file.string(), "general", "Pays", countryA);
    const std::set<std::string> allowed = {settings(cityA, countryA), settings(cityA, countryB),
                                           settings(cityB, countryA), settings(cityB, countryB)};
    ASSERT_TRUE(allowed.count(readFile(file)));

    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> delayUs(0, 4000);
    constexpr int kRounds = 100;
    std::size_t temporaries = 0;
    for (int round = 0; round < kRounds; ++round) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            try {
                for (bool b = round % 2 == 0;; b = !b) {
                    WriteProfileString(file.string(), "general", "villedefaut", b ? cityB : cityA);
                    WriteProfileString(file.string(), "general", "Pays", b ? countryB : countryA);
                }
            } catch (...) {
            }
            ::_exit(1);  // a write failed
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round << ": the writer stopped by itself";

        const std::string content = readFile(file);
        ASSERT_TRUE(allowed.count(content)) << "round " << round << ": torn file of " << content.size() << " bytes";
        const std::size_t now = temporariesOf(file).size();
        ASSERT_LE(now, temporaries + 1) << "round " << round;
        temporaries = now;
    }
}

TEST(ProfileFaults, WriteIntoAReadOnlyFolderKeepsTheOldFile)
{
    TempFolder dir;
    // A folder name in UTF-8, as the file system holds it; the message
    // gives it in Windows-1252.
    const fs::path folder = dir.path() / "r\xC3\xA9glages";
    fs::create_directory(folder);
    const fs::path file = folder / "nubra.ini";
    const std::string before = "[general]\r\nPays=1\r\nvilledefaut=5\r\n";
    writeFile(file, before);
    ::chmod(file.c_str(), 0644);
    ::chmod(folder.c_str(), 0555);

    const std::string out = inChild([&] {
        dropRoot();
        WriteProfileInt(file.string(), "general", "villedefaut", 9);
        return std::string("written");
    });
    EXPECT_EQ(out, "raised: Impossible d'\xE9" "crire dans " + dir.path().string() + "/r\xE9glages/nubra.ini");
    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(ReadProfileInt(file.string(), "general", "villedefaut", 0), 5);
    EXPECT_TRUE(temporariesOf(file).empty());
}

// The process may not grow a file past a few hundred bytes: the kernel
// refuses the write of the new content with EFBIG, as a full disk would
// with ENOSPC.
TEST(ProfileFaults, WriteBeyondTheFileSizeLimitKeepsTheOldFile)
{
    TempFolder dir;
    const fs::path file = dir.path() / "nubra.ini";
    const std::string before = "[general]\nPays=3\n";
    writeFile(file, before);

    const std::string out = inChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{512, 512};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return std::string("setrlimit failed");
        WriteProfileString(file.string(), "general", "villedefaut", std::string(4000, '7'));
        return std::string("written");
    });
    EXPECT_EQ(out, "raised: " + writeFailure(file));
    EXPECT_EQ(readFile(file), before);
    EXPECT_TRUE(temporariesOf(file).empty());
}

// A real full file system: a 64 KiB tmpfs filled to the last byte, mounted
// in a private mount namespace of a child (gone with it), where the system
// lets this process mount.
TEST(ProfileFaults, WriteOnAFullDiskKeepsTheOldFile)
{
    TempFolder dir;
    const fs::path mountPoint = dir.path() / "disque";
    fs::create_directory(mountPoint);
    const fs::path file = mountPoint / "nubra.ini";
    const std::string before = "[general]\nPays=3\nvilledefaut=12\n";

    const std::string out = inChild([&]() -> std::string {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
            return "no mount";
        WriteProfileString(file.string(), "general", "Pays", "3");
        WriteProfileString(file.string(), "general", "villedefaut", "12");
        if (readFile(file) != before)
            return "setup failed";
        {
            const int fd = ::open((mountPoint / "remplissage").c_str(), O_WRONLY | O_CREAT, 0644);
            const std::string block(4096, 'x');
            while (::write(fd, block.data(), block.size()) > 0) {
            }
            while (::write(fd, block.data(), 1) > 0) {
            }
            const int full = errno;
            ::close(fd);
            if (full != ENOSPC)
                return "not full";
        }
        std::string result;
        try {
            WriteProfileInt(file.string(), "general", "villedefaut", 7);
            result = "written";
        } catch (const EProfileError& e) {
            result = std::string("raised: ") + e.what();
        }
        result += "\n" + readFile(file);
        result += "\ntemporaries: " + std::to_string(temporariesOf(file).size());
        result += "\nread: " + std::to_string(ReadProfileInt(file.string(), "general", "villedefaut", -1));
        return result;
    });
    if (out == "no mount")
        GTEST_SKIP() << "this system lets no test mount a file system";
    EXPECT_EQ(out, "raised: " + writeFailure(file) + "\n" + before + "\ntemporaries: 0\nread: 12");
}

// A named pipe in the file's place has no writer: opening it to read would
// wait for one forever. It is no settings file: the default on reading, the
// message on writing, at once. (The child is killed by its alarm if not.)
TEST(ProfileFaults, NamedPipeInPlaceOfTheFileNeitherBlocksNorIsReplaced)
{
    TempFolder dir;
    const fs::path file = dir.path() / "nubra.ini";
    ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
    const std::string out = inChild([&] {
        ::alarm(20);
        std::string result = "read " + std::to_string(ReadProfileInt(file.string(), "general", "Pays", 6));
        try {
            WriteProfileInt(file.string(), "general", "Pays", 1);
            result += ", written";
        } catch (const EProfileError& e) {
            result += std::string(", raised: ") + e.what();
        }
        return result;
    });
    EXPECT_EQ(out, "read 6, raised: " + writeFailure(file));
    EXPECT_TRUE(fs::is_fifo(file));
}

TEST(ProfileFaults, NulBytesAreReadAsBytesAndKeptByAWrite)
{
    TempFolder dir;
    const fs::path file = dir.path() / "nubra.ini";
    constexpr char kBytes[] = "\0\0\n[autre]\nx=a\0b\n[general]\nPays=2\0\nvilledefaut=4\n";
    const std::string before(kBytes, sizeof kBytes - 1);
    writeFile(file, before);
    // "2\0" is no integer; the key after it is read as usual.
    EXPECT_EQ(ReadProfileInt(file.string(), "general", "Pays", 7), 7);
    EXPECT_EQ(ReadProfileInt(file.string(), "general", "villedefaut", 0), 4);
    EXPECT_EQ(ReadProfileString(file.string(), "autre", "x", ""), std::string("a\0b", 3));

    WriteProfileInt(file.string(), "general", "Pays", 1);
    std::string after = before;
    after.replace(after.find(std::string("Pays=2\0", 7)), 7, "Pays=1");
    EXPECT_EQ(readFile(file), after);
    EXPECT_EQ(ReadProfileInt(file.string(), "general", "Pays", 7), 1);
}

// Files past the read limit are read up to it. A line that the limit cuts
// is not read at all: its first part could look like a value the file does
// not hold ("1" + spaces of "1     5", which is no integer).
TEST(ProfileFaults, HugeLinesGiveTheDefaultNeverAPartOfThemselves)
{
    TempFolder dir;
    const fs::path file = dir.path() / "nubra.ini";

    // A 10 MB line before the keys hides them.
    std::string hiding = "[general]\nbruit=" + std::string(10'000'000, 'b') + "\nPays=2\nvilledefaut=3\n";
    writeFile(file, hiding);
    EXPECT_EQ(ReadProfileInt(file.string(), "general", "Pays", -1), -1);
    EXPECT_TRUE(ReadProfileString(file.string(), "general", "bruit", "d\xE9" "faut") == "d\xE9" "faut");

    // A value that the limit cuts inside its line.
    std::string cut = "[general]\nPays=1";
    cut.append(kMaxProfileBytes, ' ');
    cut += "5\n";
    writeFile(file, cut);
    EXPECT_EQ(ReadProfileInt(file.string(), "general", "Pays", -1), -1);

    // A 10 MB value in the one key line: no integer, and no crash.
    writeFile(file, "[general]\nvilledefaut=" + std::string(10'000'000, '9') + "\n");
    EXPECT_EQ(ReadProfileInt(file.string(), "general", "villedefaut", -1), -1);
    // A key line that ends right at the limit is whole and read.
    std::string exact = "[general]\nPays=4\n";
    const std::string filler = "z=";
    exact += filler + std::string(kMaxProfileBytes - exact.size() - filler.size() - 1 - 9, 'z') + "\n";
    exact += "Pays2=68\n";  // ends at the limit exactly
    ASSERT_EQ(exact.size(), kMaxProfileBytes);
    exact += "tail=1\n";
    writeFile(file, exact);
    EXPECT_EQ(ReadProfileInt(file.string(), "general", "Pays2", -1), 68);
    EXPECT_EQ(ReadProfileInt(file.string(), "general", "Pays", -1), 4);
    EXPECT_EQ(ReadProfileInt(file.string(), "general", "tail", -1), -1);
}

} // namespace
} // namespace nubra
