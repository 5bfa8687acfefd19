// FetchPage against servers that misbehave on purpose, over loopback: lines
// and header blocks past every limit, lengths and chunk sizes no one could
// honour, absurd redirects and cookies, and answers that never end. Each
// fetch must end with the message stated beside it (or the behaviour
// stated), within a bounded time and memory, and leave the client able to
// fetch the next page.
#include "http.h"
#include "http_answer.h"
#include "loopback_server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <future>
#include <string>
#include <thread>

namespace nubra {
namespace {

using namespace std::chrono_literals;
using test::LoopbackServer;
using test::Reply;
using test::headerOf;
using test::ok;
using test::targetOf;

const std::string kClosed = http_message::kClosed;            // La connexion s'est terminée proprement.
const std::string kLineTooLong = http_message::kLineTooLong;  // Longueur de ligne maximum dépassée.
const std::string kTooManyHeaders = http_message::kTooManyHeaders;
const std::string kBadLength = http_message::kBadContentLength;
const std::string kBadChunk = http_message::kBadChunk;
const std::string kTooLarge = http_message::kBodyTooLarge;
const std::string kHostNotFound = "Erreur de socket # 1\r\nH\xF4te non trouv\xE9.";

// The body, or "failed: <message>"; a fetch still running after `limit` is
// aborted and reported as "hung".
std::string fetchWithin(TIdHTTP& http, const std::string& url, std::chrono::seconds limit = 60s)
{
    auto fetch = std::async(std::launch::async, [&]() -> std::string {
        try {
            return http.FetchPage(url);
        } catch (const EHttpError& e) {
            return std::string("failed: ") + e.what();
        }
    });
    if (fetch.wait_for(limit) != std::future_status::ready) {
        while (fetch.wait_for(50ms) != std::future_status::ready)
            http.Abort();
        return "hung";
    }
    return fetch.get();
}

std::string failed(const std::string& message)
{
    return "failed: " + message;
}

// An answer that never ends, which the scripted server cannot send: one
// connection, `head` first, then `unit` again and again, `pause` between
// writes, at most `writeSize` bytes per write, until the client
// stops reading or kMaxBytes or kMaxTime are reached, so that it always
// stops by itself.
class EndlessServer {
public:
    static constexpr std::uint64_t kMaxBytes = std::uint64_t{256} << 20;
    static constexpr std::chrono::seconds kMaxTime{60};

    EndlessServer(std::string head, std::string unit, std::chrono::microseconds pause = 0us,
                  std::size_t writeSize = SIZE_MAX)
        : head_(std::move(head)), unit_(std::move(unit)), pause_(pause), writeSize_(writeSize)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0
            || ::listen(listener_, 1) != 0
            || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            throw std::runtime_error("endless server: no socket");
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~EndlessServer()
    {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }

    std::string url(const std::string& target) const
    {
        return "http://127.0.0.1:" + std::to_string(port_) + target;
    }
    // Bytes the client has taken (written into the connection).
    std::uint64_t sent() const { return sent_; }

private:
    bool waitFor(int fd, short events) const
    {
        pollfd p{fd, events, 0};
        while (!stop_ && std::chrono::steady_clock::now() < deadline_) {
            const int n = ::poll(&p, 1, 50);
            if (n > 0)
                return true;
            if (n < 0 && errno != EINTR)
                return false;
        }
        return false;
    }

    bool writeAll(int fd, const char* data, std::size_t size)
    {
        while (size > 0) {
            if (!waitFor(fd, POLLOUT))
                return false;
            const ssize_t n = ::send(fd, data, std::min(size, writeSize_), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (n <= 0)
                return false;
            sent_ += static_cast<std::uint64_t>(n);
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

    void run()
    {
        deadline_ = std::chrono::steady_clock::now() + kMaxTime;
        if (!waitFor(listener_, POLLIN))
            return;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        // The request, up to its empty line.
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos && waitFor(fd, POLLIN)) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            request.append(buffer, static_cast<std::size_t>(n));
        }
        if (writeAll(fd, head_.data(), head_.size())) {
            std::size_t at = 0;  // where the next write starts in `unit_`
            while (sent_ < kMaxBytes) {
                const std::size_t n = std::min(writeSize_, unit_.size() - at);
                if (!writeAll(fd, unit_.data() + at, n))
                    break;
                at = (at + n) % unit_.size();
                if (pause_ > 0us)
                    std::this_thread::sleep_for(pause_);
            }
        }
        ::close(fd);
    }

    std::string head_;
    std::string unit_;
    std::chrono::microseconds pause_;
    std::size_t writeSize_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> sent_{0};
    std::chrono::steady_clock::time_point deadline_;
    std::thread thread_;
};

// Largest resident size of this process so far, in bytes.
std::uint64_t peakResidentBytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
}

TEST(HostileServer, AbsurdAnswersEndWithAMessageAndTheClientRecovers)
{
    const std::string longPath = "/" + std::string(10 * 1024, 'p');
    std::string manyHeaders = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 100000; ++i)
        manyHeaders += "X-En-Tete-" + std::to_string(i) + ": v\r\n";
    manyHeaders += "Content-Length: 2\r\n\r\nok";

    struct Case {
        const char* target;
        std::string answer;
        std::string expected;  // the body, or failed(message)
    };
    const Case cases[] = {
        {"/status-20000", "HTTP/1.1 200 " + std::string(20000 - 13, 'O') + "\r\nContent-Length: 2\r\n\r\nok",
         failed(kLineTooLong)},
        {"/headers-100000", manyHeaders, failed(kTooManyHeaders)},
        {"/chunk-2-63", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n8000000000000000\r\nabc", failed(kTooLarge)},
        {"/chunk-not-hex", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n0x10\r\n0123456789abcdef\r\n0\r\n\r\n",
         failed(kBadChunk)},
        {"/length-minus-1", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\nabc", failed(kBadLength)},
        {"/two-lengths", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 5\r\n\r\nabcde", failed(kBadLength)},
        // A Location of 10 KB is an address like another: followed.
        {"/location-10k", "HTTP/1.1 302 Found\r\nLocation: " + longPath + "\r\nContent-Length: 0\r\n\r\n", "long path"},
        // One past the line limit ends the fetch; a 10 KB host name is none.
        {"/location-17k",
         "HTTP/1.1 302 Found\r\nLocation: /" + std::string(THttpLimits::kMaxLineLength, 'q') + "\r\n\r\n",
         failed(kLineTooLong)},
        {"/location-host-10k",
         "HTTP/1.1 302 Found\r\nLocation: http://" + std::string(10 * 1024, 'h') + "/\r\nContent-Length: 0\r\n\r\n",
         failed(kHostNotFound)},
    };

    LoopbackServer server([&](const std::string& request, int) {
        const std::string target = targetOf(request);
        if (target == longPath)
            return Reply{ok("long path")};
        for (const Case& c : cases)
            if (target == c.target)
                return Reply{c.answer};
        return Reply{ok("page suivante")};
    });
    TIdHTTP http;
    for (const Case& c : cases) {
        EXPECT_EQ(fetchWithin(http, server.url(c.target)), c.expected) << c.target;
        EXPECT_EQ(fetchWithin(http, server.url("/next")), "page suivante") << "after " << c.target;
    }
}

// Cookies whose dates and domains no sane server sends, then a request
// that shows what the store kept. The page's host is 127.0.0.1.
TEST(HostileServer, AbsurdCookiesAreKeptOrDroppedByTheCookieRules)
{
    LoopbackServer server([](const std::string& request, int) {
        if (targetOf(request) == "/set")
            return Reply{ok("set",
                            // year 0 reads as 2000 (two-digit years rule): in the past, so dropped
                            "Set-Cookie: an0=1; Expires=Sat, 01 Jan 0000 00:00:00 GMT\r\n"
                            // a Max-Age of 2^70 seconds saturates: kept
                            "Set-Cookie: huge=1; Max-Age=1180591620717411303424\r\n"
                            // an empty Domain is ignored: host-only, kept
                            "Set-Cookie: vide=1; Domain=\r\n"
                            // "." names no domain once its dot is removed: host-only, kept
                            "Set-Cookie: point=1; Domain=.\r\n"
                            // a host name, another address, a one-label name: an
                            // address keeps only cookies that name it exactly
                            "Set-Cookie: autre=1; Domain=example.org\r\n"
                            "Set-Cookie: ip=1; Domain=127.0.0.2\r\n"
                            "Set-Cookie: suffixe=1; Domain=.localhost\r\n")};
        return Reply{ok(headerOf(request, "Cookie"))};
    });
    TIdHTTP http;
    EXPECT_EQ(fetchWithin(http, server.url("/set")), "set");
    EXPECT_EQ(fetchWithin(http, server.url("/echo")), "huge=1; vide=1; point=1");
}

// A body that never ends stops at the 64 MiB limit with the client's
// message: the client has taken little more than the limit from the
// connection, and its memory stayed within a few times the limit.
TEST(HostileServer, EndlessBodiesStopAtTheLimit)
{
    const std::uint64_t limit = THttpLimits::kMaxBodySize;
    // What the kernel's socket buffers may hold beyond what the client read.
    const std::uint64_t slack = std::uint64_t{16} << 20;
    const std::uint64_t residentBefore = peakResidentBytes();
    {
        EndlessServer server("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n", std::string(65536, 'x'));
        TIdHTTP http;
        EXPECT_EQ(fetchWithin(http, server.url("/")), failed(kTooLarge));
        EXPECT_LE(server.sent(), limit + slack);
    }
    {
        std::string chunk = "10000\r\n" + std::string(65536, 'y') + "\r\n";
        EndlessServer server("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", chunk);
        TIdHTTP http;
        EXPECT_EQ(fetchWithin(http, server.url("/")), failed(kTooLarge));
        EXPECT_LE(server.sent(), limit + slack);
    }
    {
        // An error page is thrown away as it comes, up to the limit; then
        // the status line is the message.
        EndlessServer server("HTTP/1.1 404 Not Found\r\n\r\n", std::string(65536, 'z'));
        TIdHTTP http;
        EXPECT_EQ(fetchWithin(http, server.url("/")), failed("HTTP/1.1 404 Not Found"));
        EXPECT_LE(server.sent(), limit + slack);
    }
    // One kept body at most (its buffer may have doubled once while
    // growing), with room for the allocator's and the sanitizer's keeping.
    const std::uint64_t grown = peakResidentBytes() - residentBefore;
    RecordProperty("resident_growth_mib", std::to_string(grown >> 20));
    EXPECT_LT(grown, 6 * limit) << "resident size grew by " << (grown >> 20) << " MiB";
}

// Headers sent one byte per write, slowly, never ending: the line limit or
// the header count ends the fetch long before any time limit.
TEST(HostileServer, EndlessHeadersTrickledByteByByteEndAtTheLimits)
{
    {
        EndlessServer server("HTTP/1.1 200 OK\r\nX-Sans-Fin: ", "a", 20us, 1);
        TIdHTTP http;
        EXPECT_EQ(fetchWithin(http, server.url("/")), failed(kLineTooLong));
        EXPECT_LE(server.sent(), THttpLimits::kMaxLineLength + (1u << 20));
    }
    {
        EndlessServer server("HTTP/1.1 200 ", "O", 0us, 1);
        TIdHTTP http;
        EXPECT_EQ(fetchWithin(http, server.url("/")), failed(kLineTooLong));
    }
    {
        // Short header lines, each byte in its own write.
        EndlessServer server("HTTP/1.1 200 OK\r\n", "X-H: 1\r\n", 20us, 1);
        TIdHTTP http;
        EXPECT_EQ(fetchWithin(http, server.url("/")), failed(kTooManyHeaders));
        EXPECT_LE(server.sent(), 8 * (THttpLimits::kMaxHeaderCount + 1) + (1u << 20));
    }
}

} // namespace
} // namespace nubra
