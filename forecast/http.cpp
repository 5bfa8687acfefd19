// The HTTP/1.1 client: one GET per request, redirects followed, cookies
// kept, every failure raised with the French text the user reads.
//
// All socket work runs as asynchronous operations on the client's own
// io_context, driven one handler at a time by the thread that called
// FetchPage. That is what lets Abort() work from any other thread: it posts
// a handler that closes the socket, the blocked operation completes with
// "aborted" and FetchPage throws. Completion handlers hold their state by
// shared pointer, so an operation that completes after its fetch has ended
// (a name look-up can outlive a cancel) touches nothing that is gone.
//
// A connection is kept between requests to the same host and port when the
// last answer marked the end of its body; a request that finds such a kept
// connection closed by the server before any byte of the answer is sent
// again once on a new connection.
#include "http.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>

#include "cookies.h"
#include "http_answer.h"
#include "url.h"

namespace nubra {

namespace asio = boost::asio;
using asio::ip::tcp;
using boost::system::error_code;

namespace {

// At most this many requests in one fetch, the first one included.
constexpr int kRedirectMaximum = 15;

constexpr const char* kAborted = "Op\xE9ration annul\xE9" "e.";
constexpr const char* kNoTls = "Valeur IOHandler incorrecte";
constexpr const char* kBadAddress = "Adresse non valide.";
constexpr const char* kBadScheme = "Protocole non pris en charge.";
constexpr const char* kBadPort = "Num\xE9ro de port non valide.";

// The fixed request headers, in the order they go out.
constexpr const char* kContentType = "text/html";
constexpr const char* kAccept = "text/html, */*";
constexpr const char* kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";

// The French description of a network error (Windows-1252).
const char* describe(const error_code& ec)
{
    namespace err = asio::error;
    if (ec == err::host_not_found || ec == err::host_not_found_try_again || ec == err::no_data
        || ec == err::no_recovery || ec == err::service_not_found)
        return "H\xF4te non trouv\xE9.";
    if (ec == err::connection_refused)
        return "Connexion refus\xE9" "e.";
    if (ec == err::timed_out)
        return "D\xE9lai de connexion d\xE9pass\xE9.";
    if (ec == err::connection_reset)
        return "Connexion r\xE9initialis\xE9" "e par le correspondant.";
    if (ec == err::connection_aborted)
        return "Connexion interrompue par le syst\xE8me.";
    if (ec == err::broken_pipe)
        return "Connexion rompue par le correspondant.";
    if (ec == err::network_unreachable)
        return "R\xE9seau inaccessible.";
    if (ec == err::host_unreachable)
        return "H\xF4te inaccessible.";
    if (ec == err::network_down)
        return "R\xE9seau hors service.";
    if (ec == err::address_family_not_supported)
        return "Famille d'adresses non prise en charge.";
    if (ec == err::no_buffer_space || ec == err::no_memory)
        return "Ressources r\xE9seau insuffisantes.";
    return "Erreur r\xE9seau inattendue.";
}

[[noreturn]] void throwSocketError(const error_code& ec)
{
    char message[160];
    std::snprintf(message, sizeof message, "Erreur de socket # %d\r\n%s", ec.value(), describe(ec));
    throw EHttpError(message);
}

std::int64_t unixNow()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch()).count();
}

// What a completion handler reports back to the waiting thread.
struct OpState {
    bool done = false;
    error_code ec;
    std::size_t bytes = 0;
    tcp::resolver::results_type endpoints;
};

struct Connection {
    explicit Connection(asio::io_context& ioc) : socket(ioc) {}
    tcp::socket socket;
    std::string host;
    std::uint16_t port = 0;
};

} // namespace

struct TIdHTTP::Impl {
    asio::io_context ioc;  // declared first: outlives the sockets
    tcp::resolver resolver{ioc};
    std::shared_ptr<Connection> connection;
    TCookieStore cookies;

    std::mutex mutex;  // guards busy and generation against Abort()
    bool busy = false;
    std::uint64_t generation = 0;
    std::atomic<bool> aborted{false};

    std::string fetch(const std::string& address);

    // Runs handlers until `op` is done; throws when the fetch is aborted,
    // closing the transport first so no operation is left pending.
    void wait(const std::shared_ptr<OpState>& op);
    void closeTransport();
    void connect(const TUrl& url);
    void send(const std::string& request);
    std::string buildRequest(const TUrl& url);

    // The reader's view of the current connection.
    class SocketSource : public THttpByteSource {
    public:
        explicit SocketSource(Impl& client) : client_(client) {}
        std::size_t ReadSome(char* buffer, std::size_t size) override;

    private:
        Impl& client_;
    };
};

std::size_t TIdHTTP::Impl::SocketSource::ReadSome(char* buffer, std::size_t size)
{
    const auto op = std::make_shared<OpState>();
    const auto conn = client_.connection;
    if (!conn)
        throw EHttpError(http_message::kClosed);
    conn->socket.async_read_some(asio::buffer(buffer, size), [op, conn](const error_code& ec, std::size_t n) {
        op->ec = ec;
        op->bytes = n;
        op->done = true;
    });
    client_.wait(op);
    if (op->ec == asio::error::eof)
        return 0;
    if (op->ec)
        throwSocketError(op->ec);
    return op->bytes;
}

void TIdHTTP::Impl::closeTransport()
{
    error_code ignored;
    resolver.cancel();
    if (connection) {
        connection->socket.shutdown(tcp::socket::shutdown_both, ignored);
        connection->socket.close(ignored);
        connection.reset();
    }
}

void TIdHTTP::Impl::wait(const std::shared_ptr<OpState>& op)
{
    ioc.restart();
    while (!op->done) {
        if (aborted)
            break;
        if (ioc.run_one() == 0 && !op->done) {
            // No work left while ours is not done: its handler is lost.
            // Cannot happen with a pending operation; never spin on it.
            closeTransport();
            throw EHttpError(http_message::kClosed);
        }
    }
    if (aborted) {
        closeTransport();
        throw EHttpError(kAborted);
    }
}

void TIdHTTP::Impl::connect(const TUrl& url)
{
    closeTransport();
    auto op = std::make_shared<OpState>();
    resolver.async_resolve(url.Host, std::to_string(url.Port), tcp::resolver::numeric_service,
                           [op](const error_code& ec, tcp::resolver::results_type results) {
                               op->ec = ec;
                               op->endpoints = std::move(results);
                               op->done = true;
                           });
    wait(op);
    if (op->ec)
        throwSocketError(op->ec);

    auto conn = std::make_shared<Connection>(ioc);
    conn->host = url.Host;
    conn->port = url.Port;
    connection = conn;
    const auto endpoints = op->endpoints;
    op = std::make_shared<OpState>();
    asio::async_connect(conn->socket, endpoints, [op, conn](const error_code& ec, const tcp::endpoint&) {
        op->ec = ec;
        op->done = true;
    });
    wait(op);
    if (op->ec) {
        connection.reset();
        throwSocketError(op->ec);
    }
}

void TIdHTTP::Impl::send(const std::string& request)
{
    const auto op = std::make_shared<OpState>();
    const auto data = std::make_shared<std::string>(request);
    const auto conn = connection;
    asio::async_write(conn->socket, asio::buffer(*data), [op, data, conn](const error_code& ec, std::size_t n) {
        op->ec = ec;
        op->bytes = n;
        op->done = true;
    });
    wait(op);
    if (op->ec)
        throwSocketError(op->ec);
}

std::string TIdHTTP::Impl::buildRequest(const TUrl& url)
{
    std::string r = "GET " + url.Target + " HTTP/1.1\r\n";
    r += "Content-Type: ";
    r += kContentType;
    r += "\r\nHost: " + url.HostHeader() + "\r\n";
    r += "Accept: ";
    r += kAccept;
    r += "\r\nUser-Agent: ";
    r += kUserAgent;
    r += "\r\n";
    const std::string cookie = cookies.CookieHeader(url, unixNow());
    if (!cookie.empty())
        r += "Cookie: " + cookie + "\r\n";
    r += "\r\n";
    return r;
}

std::string TIdHTTP::Impl::fetch(const std::string& address)
{
    std::string current = address;
    for (int request = 1;; ++request) {
        TUrl url;
        const TUrlError error = ParseUrl(current, url);
        // No TLS transport: an https address fails whatever else it holds.
        if (url.Scheme == "https")
            throw EHttpError(kNoTls);
        switch (error) {
        case TUrlError::None:
            break;
        case TUrlError::NotAbsolute:
            throw EHttpError(kBadAddress);
        case TUrlError::UnsupportedScheme:
            throw EHttpError(kBadScheme);
        case TUrlError::BadHost:
            throwSocketError(asio::error::host_not_found);
        case TUrlError::BadPort:
            throw EHttpError(kBadPort);
        }

        const bool reuse = connection && connection->host == url.Host && connection->port == url.Port;
        if (!reuse)
            connect(url);
        const std::string requestText = buildRequest(url);

        SocketSource source(*this);
        auto reader = std::make_unique<THttpAnswerReader>(source);
        THttpHead head;
        try {
            send(requestText);
            head = reader->ReadHead();
        } catch (const EHttpError&) {
            // A kept connection the server has closed meanwhile: try once
            // on a new one.
            if (!reuse || reader->ReceivedAnything() || aborted)
                throw;
            connect(url);
            reader = std::make_unique<THttpAnswerReader>(source);
            send(requestText);
            head = reader->ReadHead();
        }

        const std::int64_t now = unixNow();
        for (const std::string* v : head.FindAll("set-cookie"))
            cookies.SetCookie(*v, url, now);
        for (const std::string* v : head.FindAll("set-cookie2"))
            cookies.SetCookie2(*v, url, now);

        const std::string* location = head.Find("location");
        const bool redirect = head.Status >= 300 && head.Status < 400 && head.Status != 304 && location
                              && !location->empty();
        const bool success = head.Status >= 200 && head.Status < 300;

        if (redirect && request >= kRedirectMaximum) {
            closeTransport();
            return {};
        }
        // A refused request (400) keeps its body too: it may say why.
        const bool refused = head.Status == 400;
        std::string body;
        bool delimited = false;
        try {
            delimited = reader->ReadBody(head, success || refused ? &body : nullptr);
        } catch (const EHttpError&) {
            if (success || aborted)
                throw;
            body.clear();  // a refusal whose body cannot be read is still a refusal
        }
        const std::string* connectionHeader = head.Find("connection");
        // After a failure the connection is dropped: an answer that is not
        // what we asked for (say an informational 1xx other than 100) may
        // still have bytes on their way.
        const bool keep = (success || redirect) && delimited && !reader->HasBufferedBytes() && head.Http11
                          && !(connectionHeader && connectionHeader->find("close") != std::string::npos);
        if (!keep)
            closeTransport();
        if (success)
            return body;
        if (!redirect)
            throw EHttpError(head.StatusLine, head.Status, std::move(body));
        current = ResolveReference(current, *location);
    }
}

TIdHTTP::TIdHTTP() : impl_(std::make_unique<Impl>()) {}

TIdHTTP::~TIdHTTP() = default;

std::string TIdHTTP::FetchPage(const std::string& url)
{
    {
        std::lock_guard lock(impl_->mutex);
        impl_->busy = true;
        ++impl_->generation;
        impl_->aborted = false;
    }
    struct Idle {
        Impl& impl;
        ~Idle()
        {
            std::lock_guard lock(impl.mutex);
            impl.busy = false;
        }
    } idle{*impl_};
    try {
        return impl_->fetch(url);
    } catch (...) {
        impl_->closeTransport();
        throw;
    }
}

void TIdHTTP::Abort()
{
    std::lock_guard lock(impl_->mutex);
    if (!impl_->busy)
        return;
    impl_->aborted = true;
    Impl* impl = impl_.get();
    asio::post(impl->ioc, [impl, generation = impl->generation] {
        // Runs on the fetching thread, inside wait(); an abort meant for an
        // earlier fetch finds another generation and leaves this one alone.
        bool current;
        {
            std::lock_guard handlerLock(impl->mutex);
            current = generation == impl->generation;
        }
        if (current)
            impl->closeTransport();
    });
}

} // namespace nubra
