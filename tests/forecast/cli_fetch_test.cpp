// nubra-cli fetch, run as a process against the loopback server: what goes
// to standard output and standard error, and the exit status.
#include "loopback_server.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace nubra {
namespace {

using test::LoopbackServer;
using test::Reply;
using test::headerOf;
using test::ok;
using test::targetOf;

struct Outcome {
    std::string out, err;
    int status = -1;
};

Outcome runFetch(const std::string& arguments)
{
    const std::filesystem::path errFile =
        std::filesystem::temp_directory_path() / ("nubra-cli-fetch-" + std::to_string(::getpid()) + ".err");
    const std::string command = std::string(NUBRA_CLI) + " fetch " + arguments + " 2>" + errFile.string();
    Outcome o;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return o;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        o.out.append(buffer, n);
    const int raw = ::pclose(pipe);
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(errFile, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    o.err = ss.str();
    std::filesystem::remove(errFile);
    return o;
}

LoopbackServer::Script script()
{
    return [](const std::string& r, int) {
        const std::string target = targetOf(r);
        if (target == "/login")
            return Reply{ok("bienvenue", "Set-Cookie: s=1; Path=/\r\n")};
        if (target == "/page")
            return Reply{ok("cookie=" + headerOf(r, "Cookie") + "\n\xE9t\xE9\r\n")};
        if (target == "/binary")
            return Reply{ok(std::string("a\0b\xFF", 4))};
        if (target == "/closed")
            return Reply{"", true};
        return Reply{"HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\nnope"};
    };
}

TEST(CliFetch, OneAddressWritesTheBodyOrTheMessage)
{
    LoopbackServer server(script());
    Outcome o = runFetch("'" + server.url("/binary") + "'");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, std::string("a\0b\xFF", 4));
    EXPECT_EQ(o.err, "");

    o = runFetch("'" + server.url("/missing") + "'");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "HTTP/1.1 404 Not Found\n");

    // Messages reach the terminal in UTF-8.
    o = runFetch("'" + server.url("/closed") + "'");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "La connexion s'est termin\xC3\xA9" "e proprement.\n");
}

TEST(CliFetch, SeveralAddressesShareCookiesAndReportEachOutcome)
{
    LoopbackServer server(script());
    const Outcome o = runFetch("'" + server.url("/login") + "' '" + server.url("/closed") + "' '" + server.url("/page") + "'");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out,
              "--- body 1 (9 bytes)\nbienvenue\n"
              "--- error 2 (39 bytes)\nLa connexion s'est termin\xE9" "e proprement.\n"
              "--- body 3 (16 bytes)\ncookie=s=1\n\xE9t\xE9\r\n\n");
    EXPECT_EQ(o.err, "");

    const Outcome fine = runFetch("'" + server.url("/login") + "' '" + server.url("/binary") + "'");
    EXPECT_EQ(fine.status, 0);
    EXPECT_EQ(fine.out, std::string("--- body 1 (9 bytes)\nbienvenue\n--- body 2 (4 bytes)\na\0b\xFF\n", 57));
}

TEST(CliFetch, NoAddressIsAUsageError)
{
    const Outcome o = runFetch("");
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("fetch"), std::string::npos);
}

} // namespace
} // namespace nubra
