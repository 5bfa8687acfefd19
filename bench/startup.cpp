// Start-up time of nubra against a bare Qt window (bare_window), from the
// moment the process is started to the moment its window is first painted,
// as both programs report it through the shown probe (NUBRA_EXIT_WHEN_SHOWN).
// The time to the process's end is reported too, and each process's peak
// resident memory (the kernel's high-water mark, read when it ends): as the
// probe quits at the first paint, that is the peak at the painted window.
//
// nubra runs with no network: a fresh settings folder whose "serveurs"
// section sends every service, Open-Meteo (the default source) included, to
// a closed loopback port (Open-Meteo's as "http://", since a bare host:port
// there means HTTPS), so its start-up fetch fails at once and shows its
// error box (answered by the probe). The default place is the first French
// commune. Each run must report exactly one error box from nubra and none
// from the bare window, or the run is refused: it would not be the start-up
// we mean to time.
//
// The Qt platform is whatever the environment selects (QT_QPA_PLATFORM,
// DISPLAY). Runs alternate between the two programs after one warm-up run
// of each; medians are compared. Exit status 0 when every run was sound.
//
// Usage: bench_startup [--runs N] [--verbose] <nubra> <bare_window>
// (--verbose prints every run on standard error)
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "median.h"

namespace {

using Clock = std::chrono::steady_clock;
using nubra::bench::Median;
constexpr double kTarget = 1.5;     // nubra's start-up against the bare window's
constexpr double kMemoryTarget = 1.2;  // nubra's peak resident memory against the bare window's
constexpr int kTimeoutMs = 30000;   // a run that has not shown its window by then failed

struct Run {
    double shownMs;  // process start to first paint
    double exitMs;   // process start to process end
    double peakKiB;  // peak resident memory
    int boxes;
};

// A loopback port nothing listens on: bound once by us, then released.
int closedPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        std::perror("bench_startup: socket");
        std::exit(2);
    }
    ::close(s);
    return ntohs(a.sin_port);
}

// Starts `program`, reads the probe's line from its standard output and
// waits for its end. Nothing when it failed, timed out or printed no line.
std::optional<Run> runOnce(const std::string& program) {
    int out[2];
    if (::pipe(out) != 0) return std::nullopt;
    const Clock::time_point start = Clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) return std::nullopt;
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        const int devnull = ::open("/dev/null", O_WRONLY);  // Qt's own warnings
        if (devnull >= 0) ::dup2(devnull, STDERR_FILENO);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    bool timedOut = false;
    for (;;) {
        pollfd p{out[0], POLLIN, 0};
        const int left = kTimeoutMs - static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                           Clock::now() - start).count());
        if (left <= 0 || ::poll(&p, 1, left) <= 0) {
            timedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        char buffer[256];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const Clock::time_point end = Clock::now();
    long long shownNs = 0;
    int boxes = -1;
    if (timedOut || !WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(text.c_str(), "shown_ns=%lld boxes=%d", &shownNs, &boxes) != 2)
        return std::nullopt;
    const double startNs = static_cast<double>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(start.time_since_epoch()).count());
    return Run{(static_cast<double>(shownNs) - startNs) / 1e6,
               std::chrono::duration<double, std::milli>(end - start).count(),
               static_cast<double>(usage.ru_maxrss), boxes};
}

struct Series {
    const char* name;
    std::string program;
    int expectedBoxes;
    std::vector<double> shown, exit, peak;
};

bool g_verbose = false;

bool measure(Series& s, bool keep) {
    const std::optional<Run> run = runOnce(s.program);
    if (!run) {
        std::fprintf(stderr, "bench_startup: %s did not report its window (failed, timed out or no probe)\n",
                     s.name);
        return false;
    }
    if (run->boxes != s.expectedBoxes) {
        std::fprintf(stderr, "bench_startup: %s answered %d error boxes, expected %d\n", s.name, run->boxes,
                     s.expectedBoxes);
        return false;
    }
    if (g_verbose)
        std::fprintf(stderr, "%-12s shown %7.1f ms  end %7.1f ms  peak %6.0f KiB%s\n", s.name, run->shownMs,
                     run->exitMs, run->peakKiB, keep ? "" : "  (warm-up)");
    if (keep) {
        s.shown.push_back(run->shownMs);
        s.exit.push_back(run->exitMs);
        s.peak.push_back(run->peakKiB);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 10;
    std::vector<std::string> programs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--verbose") g_verbose = true;
        else programs.push_back(arg);
    }
    if (programs.size() != 2) {
        std::fprintf(stderr, "usage: bench_startup [--runs N] [--verbose] <nubra> <bare_window>\n");
        return 2;
    }

    std::string folder = (std::filesystem::temp_directory_path() / "nubra-startup-XXXXXX").string();
    if (!::mkdtemp(folder.data())) {
        std::perror("bench_startup: mkdtemp");
        return 2;
    }
    const std::string host = "127.0.0.1:" + std::to_string(closedPort());
    {
        std::ofstream ini(std::filesystem::path(folder) / "nubra.ini", std::ios::binary);
        ini << "[serveurs]\n";
        for (const char* key : {"france", "suisse", "canada", "canada-site", "belgique"})
            ini << key << "=" << host << "\n";
        ini << "open-meteo=http://" << host << "\n";
        ini << "[general]\nPays=0\nvilledefaut=0\n";
    }
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    ::setenv("NUBRA_EXIT_WHEN_SHOWN", "1", 1);

    Series nubra{"nubra", programs[0], 1, {}, {}, {}};
    Series bare{"bare_window", programs[1], 0, {}, {}, {}};
    bool sound = measure(nubra, false) && measure(bare, false);  // warm the file cache
    for (int i = 0; sound && i < runs; ++i) {
        // Alternate which one goes first, so that neither always follows the other.
        Series& first = i % 2 ? bare : nubra;
        Series& second = i % 2 ? nubra : bare;
        sound = measure(first, true) && measure(second, true);
    }
    std::filesystem::remove_all(folder);
    if (!sound) return 1;

    const char* platform = std::getenv("QT_QPA_PLATFORM");
    std::printf("platform: %s, %d runs each (medians; best in brackets)\n",
                platform ? platform : (std::getenv("DISPLAY") ? "xcb" : "default"), runs);
    for (const Series* s : {&nubra, &bare})
        std::printf("%-12s to window painted %7.1f ms [%6.1f]   to process end %7.1f ms [%6.1f]\n", s->name,
                    Median(s->shown), *std::min_element(s->shown.begin(), s->shown.end()), Median(s->exit),
                    *std::min_element(s->exit.begin(), s->exit.end()));
    const double ratio = Median(nubra.shown) / Median(bare.shown);
    std::printf("ratio nubra / bare window (to window painted): %.2f  (target <= %.1f: %s)\n", ratio, kTarget,
                ratio <= kTarget ? "met" : "NOT MET");
    std::printf("ratio nubra / bare window (to process end):    %.2f\n", Median(nubra.exit) / Median(bare.exit));
    for (const Series* s : {&nubra, &bare})
        std::printf("%-12s peak resident memory %8.0f KiB [%6.0f]\n", s->name, Median(s->peak),
                    *std::min_element(s->peak.begin(), s->peak.end()));
    const double memory = Median(nubra.peak) / Median(bare.peak);
    std::printf("ratio nubra / bare window (peak resident memory): %.2f  (target <= %.1f: %s)\n", memory,
                kMemoryTarget, memory <= kMemoryTarget ? "met" : "NOT MET");
    return 0;
}
