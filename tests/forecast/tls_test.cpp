// The live fetch over TLS, against a loopback server whose certificates are
// made for the run and whose authority is trusted through SSL_CERT_FILE.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include "http.h"
#include "loopback_server.h"
#include "tls_server.h"

namespace nubra {
namespace {

using test::TTlsServer;
using Mode = TTlsServer::TMode;

// One authority and its certificates for the whole suite; each test's
// client trusts the authority alone.
class TlsFetch : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "nubra-tls-XXXXXX").string();
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        folder_ = new std::filesystem::path(pattern);
        authority_ = new test::TTestAuthority(*folder_);
        test::TTestAuthority stranger(*folder_, "stranger");
        const long day = test::TTestAuthority::kDay;
        good_ = authority_->Issue("good", "IP:127.0.0.1,DNS:localhost");
        expired_ = authority_->Issue("expired", "IP:127.0.0.1", -2 * day, -day);
        early_ = authority_->Issue("early", "IP:127.0.0.1", day, 2 * day);
        otherName_ = authority_->Issue("other", "DNS:elsewhere.example");
        untrusted_ = stranger.Issue("untrusted", "IP:127.0.0.1");
    }
    static void TearDownTestSuite()
    {
        delete authority_;
        std::error_code ignored;
        std::filesystem::remove_all(*folder_, ignored);
        delete folder_;
    }
    void SetUp() override { ::setenv("SSL_CERT_FILE", authority_->CaFile().c_str(), 1); }
    void TearDown() override { ::unsetenv("SSL_CERT_FILE"); }

    static std::string message(TIdHTTP& http, const std::string& url)
    {
        try {
            http.FetchLive(url);
        } catch (const EHttpError& e) {
            return e.what();
        }
        return "(no error)";
    }

    static std::filesystem::path* folder_;
    static test::TTestAuthority* authority_;
    static test::TPemPair good_, expired_, early_, otherName_, untrusted_;
};

std::filesystem::path* TlsFetch::folder_ = nullptr;
test::TTestAuthority* TlsFetch::authority_ = nullptr;
test::TPemPair TlsFetch::good_, TlsFetch::expired_, TlsFetch::early_, TlsFetch::otherName_, TlsFetch::untrusted_;

TEST_F(TlsFetch, ReadsTheAnswerWithItsOwnHeadersAndNoneOfThePageCookies)
{
    // The page server sets a cookie for 127.0.0.1, which cookies share
    // across ports: the live fetch must not carry it.
    test::LoopbackServer pages([](const std::string&, int) {
        return test::Reply{test::ok("page", "Set-Cookie: session=secret; Path=/\r\n")};
    });
    TTlsServer server(Mode::Tls, good_, [](const std::string&) { return test::ok("{\"current\":{}}"); });
    TIdHTTP http;
    EXPECT_EQ(http.FetchPage(pages.url("/")), "page");
    EXPECT_EQ(http.FetchLive("https://" + server.host() + "/v1/forecast?a=1"), "{\"current\":{}}");
    EXPECT_EQ(http.FetchLive("https://localhost:" + std::to_string(server.port()) + "/"), "{\"current\":{}}");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], "GET /v1/forecast?a=1 HTTP/1.1\r\nHost: " + server.host() +
                               "\r\nUser-Agent: Nubra/" NUBRA_VERSION "\r\nAccept: application/json, */*\r\n"
                               "Connection: close\r\n\r\n");
    EXPECT_EQ(requests[1].find("Cookie"), std::string::npos);
    // The page fetch still sends it.
    EXPECT_EQ(http.FetchPage(pages.url("/")), "page");
    EXPECT_EQ(test::headerOf(pages.requests().back(), "Cookie"), "session=secret");
}

TEST_F(TlsFetch, EachTlsFailureHasItsMessageNamingTheServer)
{
    struct Case {
        Mode mode;
        const test::TPemPair* pair;
        std::string reason;
    };
    const std::string refused = "refus\xE9" "e : ";
    const Case cases[] = {
        {Mode::Tls, &untrusted_, refused + "le certificat n'est pas garanti par une autorit\xE9 de confiance."},
        {Mode::Tls, &expired_, refused + "le certificat a expir\xE9."},
        {Mode::Tls, &early_, refused + "le certificat n'est pas encore valide."},
        {Mode::Tls, &otherName_, refused + "le certificat est \xE9tabli pour un autre nom."},
        {Mode::PlainHttp, nullptr, "impossible : le serveur ne r\xE9pond pas en TLS."},
        {Mode::CutHandshake, nullptr, "interrompue pendant la n\xE9gociation TLS."},
    };
    for (const Case& c : cases) {
        TTlsServer server(c.mode, c.pair ? *c.pair : test::TPemPair{});
        TIdHTTP http;
        EXPECT_EQ(message(http, "https://" + server.host() + "/"),
                  "Connexion s\xE9" "curis\xE9" "e \xE0 " + server.host() + " " + c.reason);
        if (c.mode == Mode::Tls) {
            EXPECT_TRUE(server.requests().empty()) << "a request went to an unverified server";
        }
    }
}

TEST_F(TlsFetch, RefusesARedirectToPlainHttpButFollowsOneToHttps)
{
    test::LoopbackServer plain([](const std::string&, int) { return test::Reply{test::ok("clear")}; });
    TTlsServer secure(Mode::Tls, good_, [&](const std::string& request) {
        if (test::requestTarget(request) == "/down")
            return test::redirect(plain.url("/"));
        if (test::requestTarget(request) == "/up")
            return test::ok("secret");
        return test::redirect("/up");
    });
    TIdHTTP http;
    EXPECT_EQ(message(http, "https://" + secure.host() + "/down"),
              "Redirection refus\xE9" "e : " + secure.host() + " renvoie vers une adresse non chiffr\xE9" "e.");
    EXPECT_TRUE(plain.requests().empty());
    EXPECT_EQ(http.FetchLive("https://" + secure.host() + "/start"), "secret");
    // The page client keeps refusing https, whatever the live fetch can do.
    EXPECT_EQ(message(http, plain.url("/")), "(no error)");
    try {
        http.FetchPage("https://" + secure.host() + "/up");
        ADD_FAILURE() << "the page client read an https address";
    } catch (const EHttpError& e) {
        EXPECT_STREQ(e.what(), "Valeur IOHandler incorrecte");
    }
}

TEST_F(TlsFetch, ASilentServerEndsTheHandshakeAfterTheSilenceLimit)
{
    TTlsServer server(Mode::Silent);
    TIdHTTP http;
    http.SetLiveTimeLimits({std::chrono::seconds(5), std::chrono::milliseconds(200)});
    EXPECT_EQ(message(http, "https://" + server.host() + "/"),
              server.host() + " ne r\xE9pond plus : aucune donn\xE9" "e re\xE7ue pendant 0,2 s.");
}

// A listener whose queue of unaccepted connections is full: the kernel
// drops the next connection's SYN, so that connection attempt can only wait.
TEST_F(TlsFetch, AConnectionThatCannotBeMadeEndsAfterTheConnectLimit)
{
    namespace asio = boost::asio;
    asio::io_context ioc;
    asio::ip::tcp::acceptor full(ioc);
    const asio::ip::tcp::endpoint loopback(asio::ip::make_address("127.0.0.1"), 0);
    full.open(loopback.protocol());
    full.bind(loopback);
    full.listen(0);
    // Connections started and never waited for (asio's connect would block
    // until the kernel gives up): each fills the queue or has its SYN dropped.
    std::vector<int> queued;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(full.local_endpoint().port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; i < 4; ++i) {
        queued.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        ::connect(queued.back(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    const std::string host = "127.0.0.1:" + std::to_string(full.local_endpoint().port());
    TIdHTTP http;
    http.SetLiveTimeLimits({std::chrono::milliseconds(300), std::chrono::seconds(20)});
    EXPECT_EQ(message(http, "https://" + host + "/"),
              host + " ne r\xE9pond pas : d\xE9lai de connexion de 0,3 s d\xE9pass\xE9.");
    for (int fd : queued)
        ::close(fd);
}

TEST_F(TlsFetch, AbortEndsAFetchWaitingInTheHandshake)
{
    TTlsServer server(Mode::Silent);
    TIdHTTP http;
    std::atomic<bool> over{false};
    // Abort is harmless before the fetch starts, so keep asking until it ends:
    // the only place this fetch can wait is the handshake.
    std::thread escape([&] {
        while (!over) {
            http.Abort();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    const std::string text = message(http, "https://" + server.host() + "/");
    over = true;
    escape.join();
    EXPECT_EQ(text, "Op\xE9ration annul\xE9" "e.");
}

} // namespace
} // namespace nubra
