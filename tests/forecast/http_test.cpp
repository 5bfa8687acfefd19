// The HTTP client against a scripted server on the loopback interface: the
// exact request bytes, redirects, cookies, bodies, failures and Abort().
#include "http.h"
#include "http_answer.h"
#include "loopback_server.h"

#include <gtest/gtest.h>

#include <future>
#include <string>

namespace nubra {
namespace {

using test::LoopbackServer;
using test::Reply;
using test::headerOf;
using test::ok;
using test::redirect;
using test::targetOf;

// The message of the failure of FetchPage, or "(no error)".
std::string failureOf(TIdHTTP& http, const std::string& url)
{
    try {
        http.FetchPage(url);
    } catch (const EHttpError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(FetchPage, SendsExactlyTheFixedRequest)
{
    LoopbackServer server([](const std::string&, int) { return Reply{ok("<html>page</html>")}; });
    TIdHTTP http;
    EXPECT_EQ(http.FetchPage(server.url("/prev/ville.php?insee=75056&x=a b")), "<html>page</html>");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0],
              "GET /prev/ville.php?insee=75056&x=a%20b HTTP/1.1\r\n"
              "Content-Type: text/html\r\n"
              "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"
              "Accept: text/html, */*\r\n"
              "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
              "\r\n");
}

// Requests 1..redirects are answered with a redirect to the next number,
// the one after with a page.
std::string chainServerReply(const std::string& request, int redirects)
{
    const int n = std::stoi(targetOf(request).substr(3));
    if (n <= redirects)
        return redirect("/r/" + std::to_string(n + 1));
    return ok("fin " + std::to_string(n));
}

TEST(FetchPage, FollowsFifteenRequestsAtMost)
{
    {
        LoopbackServer server([](const std::string& r, int) { return Reply{chainServerReply(r, 14)}; });
        TIdHTTP http;
        EXPECT_EQ(http.FetchPage(server.url("/r/1")), "fin 15");
        EXPECT_EQ(server.requests().size(), 15u);
        EXPECT_EQ(server.connections(), 1);  // one kept connection for the chain
    }
    {
        LoopbackServer server([](const std::string& r, int) { return Reply{chainServerReply(r, 15)}; });
        TIdHTTP http;
        EXPECT_EQ(http.FetchPage(server.url("/r/1")), "");
        EXPECT_EQ(server.requests().size(), 15u);
        // Each fetch counts from 1 again.
        EXPECT_EQ(http.FetchPage(server.url("/r/2")), "fin 16");
        EXPECT_EQ(server.requests().size(), 30u);
    }
}

TEST(FetchPage, FailureAfterRedirectsLeavesTheNextFetchItsAllowance)
{
    LoopbackServer server([](const std::string& r, int) {
        const std::string target = targetOf(r);
        if (target == "/a")
            return Reply{redirect("/b")};
        if (target == "/b")
            return Reply{redirect("/missing")};
        if (target == "/missing")
            return Reply{"HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\n<p>x</p>\n"};
        return Reply{chainServerReply(r, 14)};
    });
    TIdHTTP http;
    EXPECT_EQ(failureOf(http, server.url("/a")), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(http.FetchPage(server.url("/r/1")), "fin 15");
}

// A refusal keeps its body for the caller, where a service says why; other
// failures keep none. The message stays the status line.
TEST(FetchPage, ARefusalKeepsItsBody)
{
    const std::string reason = R"({"error":true,"reason":"Invalid"})";
    LoopbackServer server([&](const std::string& r, int) {
        const bool refused = targetOf(r) == "/refus";
        const std::string body = refused ? reason : "<html>absent</html>";
        return Reply{std::string(refused ? "HTTP/1.1 400 Bad Request" : "HTTP/1.1 404 Not Found") +
                     "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body};
    });
    TIdHTTP http;
    for (const char* target : {"/refus", "/absent"}) {
        try {
            http.FetchPage(server.url(target));
            ADD_FAILURE() << target;
        } catch (const EHttpError& e) {
            const bool refused = std::string(target) == "/refus";
            EXPECT_STREQ(e.what(), refused ? "HTTP/1.1 400 Bad Request" : "HTTP/1.1 404 Not Found");
            EXPECT_EQ(e.Status(), refused ? 400 : 404);
            EXPECT_EQ(e.Body(), refused ? reason : "");
        }
    }
}

TEST(FetchPage, ResolvesRelativeLocations)
{
    LoopbackServer server([](const std::string& r, int) {
        const std::string target = targetOf(r);
        if (target == "/a/d/e?q")
            return Reply{redirect("../b/./c?x=1#frag")};
        if (target == "/a/b/c?x=1")
            return Reply{redirect("  ?y=2 ")};
        if (target == "/a/b/c?y=2")
            return Reply{redirect("//127.0.0.1:1/never")};
        return Reply{ok("unexpected " + target)};
    });
    TIdHTTP http;
    // The last hop names port 1, where nothing listens.
    EXPECT_EQ(failureOf(http, server.url("/a/d/e?q")), "Erreur de socket # 111\r\nConnexion refus\xE9" "e.");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(targetOf(requests[1]), "/a/b/c?x=1");
    EXPECT_EQ(targetOf(requests[2]), "/a/b/c?y=2");
}

TEST(FetchPage, CrossPortRedirectOpensANewConnectionWithItsHost)
{
    LoopbackServer second([](const std::string&, int) { return Reply{ok("second")}; });
    LoopbackServer first([&](const std::string&, int) { return Reply{redirect(second.url("/there"))}; });
    TIdHTTP http;
    EXPECT_EQ(http.FetchPage(first.url("/here")), "second");
    ASSERT_EQ(second.requests().size(), 1u);
    EXPECT_EQ(headerOf(second.requests()[0], "Host"), "127.0.0.1:" + std::to_string(second.port()));
    EXPECT_EQ(targetOf(second.requests()[0]), "/there");
}

TEST(FetchPage, CookiesFromRedirectsAndEarlierFetchesGoOut)
{
    LoopbackServer server([](const std::string& r, int) {
        const std::string target = targetOf(r);
        if (target == "/")
            return Reply{ok("accueil", "Set-Cookie: session=abc; Path=/\r\n")};
        if (target == "/go")
            return Reply{redirect("/ville", "Set-cookie: step=1; Path=/\r\nSet-cookie2: v2=\"x\"; Version=1\r\n")};
        return Reply{ok("ville")};
    });
    TIdHTTP http;
    EXPECT_EQ(http.FetchPage(server.url("/")), "accueil");
    EXPECT_EQ(http.FetchPage(server.url("/go")), "ville");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(headerOf(requests[0], "Cookie"), "");
    EXPECT_EQ(requests[0].find("Cookie"), std::string::npos);
    EXPECT_EQ(headerOf(requests[1], "Cookie"), "session=abc");
    EXPECT_EQ(headerOf(requests[2], "Cookie"), "session=abc; step=1; v2=\"x\"");
    // The Cookie header comes last, after User-Agent.
    EXPECT_LT(requests[2].find("User-Agent:"), requests[2].find("Cookie:"));
}

TEST(FetchPage, BodiesComeBackByteForByte)
{
    const std::string utf8 = "Pr\xC3\xA9visions \xE2\x82\xAC\r\n\x00\xFF";
    LoopbackServer server([&](const std::string& r, int) {
        const std::string target = targetOf(r);
        if (target == "/utf8")
            return Reply{ok(utf8, "Content-Type: text/html; charset=utf-8\r\n")};
        if (target == "/empty")
            return Reply{ok("")};
        if (target == "/204")
            return Reply{"HTTP/1.1 204 No Content\r\n\r\n"};
        if (target == "/chunked")
            return Reply{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4;ext=1\r\nWiki\r\nA\r\npedia in\r\n\r\n0\r\nX-T: 1\r\n\r\n"};
        if (target == "/toclose")
            return Reply{"HTTP/1.0 200 OK\r\n\r\nuntil the close", true};
        if (target == "/short")
            return Reply{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly this", true};
        return Reply{"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 100 Continue\r\nX: y\r\n\r\n" + ok("after 100")};
    });
    TIdHTTP http;
    EXPECT_EQ(http.FetchPage(server.url("/utf8")), utf8);
    EXPECT_EQ(http.FetchPage(server.url("/empty")), "");
    EXPECT_EQ(http.FetchPage(server.url("/204")), "");
    EXPECT_EQ(http.FetchPage(server.url("/chunked")), "Wikipedia in\r\n");
    EXPECT_EQ(http.FetchPage(server.url("/toclose")), "until the close");
    EXPECT_EQ(http.FetchPage(server.url("/short")), "only this");
    EXPECT_EQ(http.FetchPage(server.url("/continue")), "after 100");
}

TEST(FetchPage, FailuresCarryTheirMessages)
{
    const std::string longHeader = "X-Long: " + std::string(16384 - 8 + 1, 'a') + "\r\n";
    LoopbackServer server([&](const std::string& r, int) {
        const std::string target = targetOf(r);
        if (target == "/404")
            return Reply{"HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 40\r\n\r\n"
                         "<html><body>Page introuvable</body></html>"};
        if (target == "/401")
            return Reply{"HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"x\"\r\nContent-Length: 0\r\n\r\n"};
        if (target == "/304")
            return Reply{"HTTP/1.1 304 Not Modified\r\nLocation: /elsewhere\r\n\r\n"};
        if (target == "/302-no-location")
            return Reply{"HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n"};
        if (target == "/https")
            return Reply{redirect("https://127.0.0.1/secure")};
        if (target == "/nohost")
            return Reply{redirect("http://")};
        if (target == "/long-location")
            return Reply{redirect("http://" + std::string(10000, 'a') + "/")};
        if (target == "/closed")
            return Reply{"", true};
        if (target == "/half-head")
            return Reply{"HTTP/1.1 200 OK\r\nContent-Le", true};
        if (target == "/cut-chunks")
            return Reply{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nonly half", true};
        if (target == "/long-header")
            return Reply{"HTTP/1.1 200 OK\r\n" + longHeader + "Content-Length: 2\r\n\r\nok"};
        return Reply{"HTTP/1.1 200 OK\r\n" + longHeader.substr(1) + "Content-Length: 2\r\n\r\nok"};
    });
    TIdHTTP http;
    EXPECT_EQ(failureOf(http, server.url("/404")), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(failureOf(http, server.url("/401")), "HTTP/1.1 401 Unauthorized");
    EXPECT_EQ(failureOf(http, server.url("/304")), "HTTP/1.1 304 Not Modified");
    EXPECT_EQ(failureOf(http, server.url("/302-no-location")), "HTTP/1.1 302 Found");
    EXPECT_EQ(failureOf(http, server.url("/https")), "Valeur IOHandler incorrecte");
    EXPECT_EQ(failureOf(http, server.url("/nohost")), "Erreur de socket # 1\r\nH\xF4te non trouv\xE9.");
    EXPECT_EQ(failureOf(http, server.url("/long-location")), "Erreur de socket # 1\r\nH\xF4te non trouv\xE9.");
    EXPECT_EQ(failureOf(http, server.url("/closed")), "La connexion s'est termin\xE9" "e proprement.");
    EXPECT_EQ(failureOf(http, server.url("/half-head")), "La connexion s'est termin\xE9" "e proprement.");
    EXPECT_EQ(failureOf(http, server.url("/cut-chunks")), "La connexion s'est termin\xE9" "e proprement.");
    EXPECT_EQ(failureOf(http, server.url("/long-header")), "Longueur de ligne maximum d\xE9pass\xE9" "e.");
    // A header line of exactly the maximum length is accepted.
    EXPECT_EQ(http.FetchPage(server.url("/max-header")), "ok");
    EXPECT_EQ(failureOf(http, "https://127.0.0.1/"), "Valeur IOHandler incorrecte");
    EXPECT_EQ(failureOf(http, "HTTPS://"), "Valeur IOHandler incorrecte");
    EXPECT_EQ(failureOf(http, "ftp://127.0.0.1/"), "Protocole non pris en charge.");
    EXPECT_EQ(failureOf(http, "127.0.0.1/page"), "Adresse non valide.");
    EXPECT_EQ(failureOf(http, "http://127.0.0.1:0/"), "Num\xE9ro de port non valide.");
}

TEST(FetchPage, NetworkErrorsNameTheSystemError)
{
    TIdHTTP http;
    // A port that was free a moment ago: nothing listens there.
    std::uint16_t port;
    {
        LoopbackServer probe([](const std::string&, int) { return Reply{}; });
        port = probe.port();
    }
    EXPECT_EQ(failureOf(http, "http://127.0.0.1:" + std::to_string(port) + "/"),
              "Erreur de socket # 111\r\nConnexion refus\xE9" "e.");
    // The number depends on how the resolver failed (no such name, or no
    // name server at all); the description does not.
    const std::string unknown = failureOf(http, "http://nom-inexistant.invalid/");
    EXPECT_TRUE(unknown.starts_with("Erreur de socket # ")) << unknown;
    EXPECT_TRUE(unknown.ends_with("\r\nH\xF4te non trouv\xE9.")) << unknown;
}

TEST(FetchPage, KeptConnectionClosedByTheServerIsReopened)
{
    // Every answer is delimited but the server closes anyway, without
    // saying so: the next request finds the connection dead.
    LoopbackServer server([](const std::string&, int i) { return Reply{ok("n" + std::to_string(i)), true}; });
    TIdHTTP http;
    EXPECT_EQ(http.FetchPage(server.url("/")), "n0");
    EXPECT_EQ(http.FetchPage(server.url("/")), "n1");
    EXPECT_EQ(http.FetchPage(server.url("/")), "n2");
    EXPECT_EQ(server.connections(), 3);
}

TEST(FetchPage, AbortFromAnotherThreadEndsABlockedFetch)
{
    LoopbackServer server([](const std::string& r, int) {
        if (targetOf(r) == "/fine")
            return Reply{ok("fine")};
        Reply hang;
        hang.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npartial";
        hang.hang = true;
        return hang;
    });
    TIdHTTP http;
    http.Abort();  // idle: no effect on the next fetch
    EXPECT_EQ(http.FetchPage(server.url("/fine")), "fine");

    for (int round = 0; round < 3; ++round) {
        auto fetch = std::async(std::launch::async, [&] { return failureOf(http, server.url("/hang")); });
        // Abort until it takes: the fetch may not have started yet.
        std::future_status status = std::future_status::timeout;
        for (int tries = 0; tries < 200 && status != std::future_status::ready; ++tries) {
            http.Abort();
            status = fetch.wait_for(std::chrono::milliseconds(25));
        }
        ASSERT_EQ(status, std::future_status::ready) << "the fetch did not end after Abort()";
        EXPECT_EQ(fetch.get(), "Op\xE9ration annul\xE9" "e.");
    }
    // The client is usable afterwards.
    EXPECT_EQ(http.FetchPage(server.url("/fine")), "fine");
}

} // namespace
} // namespace nubra
