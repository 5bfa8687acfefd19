// nubra-cli fetch URL [URL...]: reads pages with the window's HTTP client.
//
// An "http://" address is read as the historic services' pages are (their
// headers, cookies, a redirect to https refused); an "https://" address as
// a live service's answer is (TLS with the certificate verified, no
// cookies, time limits, a redirect to plain http refused). All addresses go
// through one client, in order, so cookies set by one answer go out with
// the later page requests. With one address the body goes to
// standard output byte for byte and a failure's message to standard error
// (in UTF-8). With several, each outcome goes to standard output as
//
//   --- body K (LEN bytes)\n<LEN bytes of body>\n
//   --- error K (LEN bytes)\n<LEN bytes of message, Windows-1252>\n
//
// K counting from 1; a failure does not stop the later fetches. The exit
// status is 1 when any fetch failed.
#include <cstdio>
#include <string>

#include "ascii.h"
#include "cp1252.h"
#include "subcommands.h"
#include "http.h"

namespace nubra::cli {
namespace {

// The fetch that reads `url`: the live one for an https address.
std::string fetchOne(TIdHTTP& client, const std::string& url)
{
    const bool secure = ascii::equalsIgnoreCase(std::string_view(url).substr(0, 6), "https:");
    return secure ? client.FetchLive(url) : client.FetchPage(url);
}

bool writeAll(const std::string& bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
}

} // namespace

int RunFetch(const Args& args)
{
    if (args.empty()) {
        return PrintUsage("fetch");
    }
    TIdHTTP client;
    if (args.size() == 1) {
        try {
            const std::string body = fetchOne(client, args[0]);
            if (!writeAll(body) || std::fflush(stdout) != 0) {
                std::fputs("nubra-cli fetch : écriture impossible sur la sortie standard\n", stderr);
                return 1;
            }
            return 0;
        } catch (const EHttpError& e) {
            std::fprintf(stderr, "%s\n", Cp1252ToUtf8(e.what()).c_str());
            return 1;
        }
    }
    bool anyFailed = false;
    for (std::size_t k = 0; k < args.size(); ++k) {
        std::string outcome;
        const char* kind = "body";
        try {
            outcome = fetchOne(client, args[k]);
        } catch (const EHttpError& e) {
            outcome = e.what();
            kind = "error";
            anyFailed = true;
        }
        std::printf("--- %s %zu (%zu bytes)\n", kind, k + 1, outcome.size());
        writeAll(outcome);
        std::putchar('\n');
    }
    if (std::fflush(stdout) != 0)
        return 1;
    return anyFailed ? 1 : 0;
}

} // namespace nubra::cli
