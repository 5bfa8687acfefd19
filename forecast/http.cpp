// The HTTP/1.1 client: one GET per request, redirects followed, every
// failure raised with the French text the user reads. FetchPage speaks to
// the historic services as they were written against (plain HTTP, their
// headers, cookies kept, no time limit); FetchLive to the live services
// (TLS or a local plain server, no cookies, time limits).
//
// All socket work runs as asynchronous operations on the client's own
// io_context, driven one handler at a time by the thread that called the
// fetch. That is what lets Abort() work from any other thread: it posts a
// handler that closes the socket, the blocked operation completes with
// "aborted" and the fetch throws. The time limits work the same way: the
// waiting thread runs handlers until a deadline, then closes the socket.
// Completion handlers hold their state by shared pointer, so an operation
// that completes after its fetch has ended (a name look-up can outlive a
// cancel) touches nothing that is gone.
//
// OpenSSL is first touched by the first https fetch, on the fetching
// thread: the TLS context and the system's trust store are read then, not
// when the client is made.
//
// A page fetch keeps its connection between requests to the same host and
// port when the last answer marked the end of its body; a request that
// finds such a kept connection closed by the server before any byte of the
// answer is sent again once on a new connection. A live fetch asks the
// server to close after its answer and opens a connection of its own.
#include "http.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/write.hpp>

#include <openssl/opensslv.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include "cookies.h"
#include "http_answer.h"
#include "url.h"

namespace nubra {

namespace asio = boost::asio;
namespace ssl = asio::ssl;
using asio::ip::tcp;
using boost::system::error_code;
using Clock = std::chrono::steady_clock;

namespace {

// At most this many requests in one fetch, the first one included.
constexpr int kRedirectMaximum = 15;

const std::string kAborted(kAbortedMessage);
constexpr const char* kNoTls = "Valeur IOHandler incorrecte";
constexpr const char* kBadAddress = "Adresse non valide.";
constexpr const char* kBadScheme = "Protocole non pris en charge.";
constexpr const char* kBadPort = "Num\xE9ro de port non valide.";
constexpr const char* kNoTrustStore = "Le magasin de certificats du syst\xE8me est illisible.";

// The fixed request headers of the page fetches, in the order they go out.
constexpr const char* kContentType = "text/html";
constexpr const char* kAccept = "text/html, */*";
constexpr const char* kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";

// The live fetches' own: what the program is, and that the server may
// close once it has answered.
constexpr const char* kLiveAccept = "application/json, */*";
constexpr const char* kLiveUserAgent = "Nubra/" NUBRA_VERSION;

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

// "15 s", or "0,2 s" for a limit under a second.
std::string seconds(std::chrono::milliseconds limit)
{
    const long long ms = limit.count();
    if (ms % 1000 == 0)
        return std::to_string(ms / 1000) + " s";
    const long long tenths = (ms + 99) / 100;
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + " s";
}

// -- TLS failures, each with its own message naming the server ----------------

// "Connexion sécurisée à <host> <what>"
std::string secure(const std::string& host, const std::string& what)
{
    return "Connexion s\xE9" "curis\xE9" "e \xE0 " + host + " " + what;
}

std::string secureRefused(const std::string& host, const std::string& reason)
{
    return secure(host, "refus\xE9" "e : " + reason + ".");
}

std::string secureImpossible(const std::string& host, const std::string& reason)
{
    return secure(host, "impossible : " + reason + ".");
}

// What the certificate check found, as the user reads it.
std::string certificateFault(const std::string& host, long verifyResult)
{
    switch (verifyResult) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return secureRefused(host, "le certificat a expir\xE9");
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return secureRefused(host, "le certificat n'est pas encore valide");
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return secureRefused(host, "le certificat est \xE9tabli pour un autre nom");
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
        return secureRefused(host, "le certificat n'est pas garanti par une autorit\xE9 de confiance");
    default:
        return secureRefused(host, "le certificat n'a pas pu \xEAtre v\xE9rifi\xE9 (code X509 " +
                                       std::to_string(verifyResult) + ")");
    }
}

bool isSslError(const error_code& ec) { return ec.category() == asio::error::get_ssl_category(); }

// The peer closed the connection without ending the TLS session.
bool isTruncation(const error_code& ec)
{
    return ec == ssl::error::stream_truncated ||
           (isSslError(ec) && ERR_GET_REASON(static_cast<unsigned long>(ec.value())) ==
                                  SSL_R_UNEXPECTED_EOF_WHILE_READING);
}

// The message of a handshake that failed with `ec` after the certificate
// check found `verifyResult`.
[[noreturn]] void throwHandshakeError(const std::string& host, const error_code& ec, long verifyResult)
{
    if (verifyResult != X509_V_OK)
        throw EHttpError(certificateFault(host, verifyResult));
    if (ec == asio::error::eof || isTruncation(ec) || ec == asio::error::connection_reset ||
        ec == asio::error::broken_pipe)
        throw EHttpError(secure(host, "interrompue pendant la n\xE9gociation TLS."));
    if (isSslError(ec)) {
        // Bytes that are no TLS record: most often a plain-HTTP server
        // answering the handshake with an HTTP error.
        const int reason = ERR_GET_REASON(static_cast<unsigned long>(ec.value()));
        if (reason == SSL_R_WRONG_VERSION_NUMBER || reason == SSL_R_HTTP_REQUEST ||
            reason == SSL_R_PACKET_LENGTH_TOO_LONG || reason == SSL_R_RECORD_LENGTH_MISMATCH)
            throw EHttpError(secureImpossible(host, "le serveur ne r\xE9pond pas en TLS"));
        throw EHttpError(secureImpossible(host, "la n\xE9gociation TLS a \xE9" "chou\xE9"));
    }
    throwSocketError(ec);
}

// The client's TLS settings: TLS 1.2 or later, the peer's certificate
// verified against the system's trust store. OpenSSL's default paths are
// the system's (Debian's ca-certificates), or those SSL_CERT_FILE and
// SSL_CERT_DIR name.
std::unique_ptr<ssl::context> makeTlsContext()
{
    auto context = std::make_unique<ssl::context>(ssl::context::tls_client);
    context->set_options(ssl::context::default_workarounds | ssl::context::no_compression);
    if (SSL_CTX_set_min_proto_version(context->native_handle(), TLS1_2_VERSION) != 1)
        throw EHttpError(kNoTrustStore);
    context->set_verify_mode(ssl::verify_peer);
    error_code ec;
    context->set_default_verify_paths(ec);
    if (ec)
        throw EHttpError(kNoTrustStore);
    return context;
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
    // Over the socket, for an https connection; declared after it, so that
    // it goes first.
    std::unique_ptr<ssl::stream<tcp::socket&>> tls;
    std::string host;
    std::uint16_t port = 0;
};

} // namespace

struct TIdHTTP::Impl {
    asio::io_context ioc;  // declared first: outlives the sockets
    tcp::resolver resolver{ioc};
    std::shared_ptr<Connection> connection;
    TCookieStore cookies;
    std::unique_ptr<ssl::context> tls;  // made by the first https fetch
    THttpTimeLimits liveLimits{kLiveConnectTimeout, kLiveSilenceTimeout};

    std::mutex mutex;  // guards busy and generation against Abort()
    bool busy = false;
    std::uint64_t generation = 0;
    std::atomic<bool> aborted{false};

    // The fetch under way: a live one, and what its current wait allows.
    bool live = false;
    std::optional<Clock::time_point> deadline;
    std::string deadlineMessage;
    bool truncated = false;  // the TLS peer closed without ending the session

    // One fetch of either kind: marks the client busy for Abort(), and
    // leaves no connection half used behind a failure.
    std::string run(const std::string& address, bool liveFetch);
    std::string fetch(const std::string& address);

    // Runs handlers until `op` is done; throws when the fetch is aborted or
    // its deadline passes, closing the transport first so no operation is
    // left pending.
    void wait(const std::shared_ptr<OpState>& op);
    // For a live fetch, the next wait may last `limit`, then fails with `message`.
    void arm(std::chrono::milliseconds limit, std::string message);
    void armSilence(const TUrl& url);
    void closeTransport();
    void connect(const TUrl& url);
    void handshake(const TUrl& url, const std::shared_ptr<Connection>& conn);
    void send(const TUrl& url, const std::string& request);
    std::string buildRequest(const TUrl& url);
    std::string buildLiveRequest(const TUrl& url) const;

    // The reader's view of the current connection.
    class SocketSource : public THttpByteSource {
    public:
        SocketSource(Impl& client, const TUrl& url) : client_(client), url_(url) {}
        std::size_t ReadSome(char* buffer, std::size_t size) override;

    private:
        Impl& client_;
        const TUrl& url_;
    };
};

std::size_t TIdHTTP::Impl::SocketSource::ReadSome(char* buffer, std::size_t size)
{
    const auto op = std::make_shared<OpState>();
    const auto conn = client_.connection;
    if (!conn)
        throw EHttpError(http_message::kClosed);
    client_.armSilence(url_);
    auto done = [op, conn](const error_code& ec, std::size_t n) {
        op->ec = ec;
        op->bytes = n;
        op->done = true;
    };
    if (conn->tls)
        conn->tls->async_read_some(asio::buffer(buffer, size), done);
    else
        conn->socket.async_read_some(asio::buffer(buffer, size), done);
    client_.wait(op);
    if (op->ec == asio::error::eof)
        return 0;
    if (conn->tls && isTruncation(op->ec)) {
        // A close without the TLS ending: an end only where the answer's
        // own framing says the body is complete (see fetch).
        client_.truncated = true;
        return 0;
    }
    if (conn->tls && isSslError(op->ec))
        throw EHttpError(secure(url_.HostHeader(), "interrompue (erreur TLS)."));
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

void TIdHTTP::Impl::arm(std::chrono::milliseconds limit, std::string message)
{
    if (!live)
        return;  // the page fetches wait as long as the connection lives
    deadline = Clock::now() + limit;
    deadlineMessage = std::move(message);
}

void TIdHTTP::Impl::armSilence(const TUrl& url)
{
    arm(liveLimits.Silence, url.HostHeader() + " ne r\xE9pond plus : aucune donn\xE9" "e re\xE7ue pendant " +
                                seconds(liveLimits.Silence) + ".");
}

void TIdHTTP::Impl::wait(const std::shared_ptr<OpState>& op)
{
    ioc.restart();
    while (!op->done && !aborted) {
        std::size_t ran = 0;
        if (deadline) {
            if (Clock::now() < *deadline)
                ran = ioc.run_one_until(*deadline);
            if (ran == 0 && !op->done && Clock::now() >= *deadline) {
                closeTransport();
                throw EHttpError(deadlineMessage);
            }
        } else {
            ran = ioc.run_one();
        }
        if (ran == 0 && !op->done && !aborted) {
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
    // One limit for the name look-up and the connection together.
    arm(liveLimits.Connect,
        url.HostHeader() + " ne r\xE9pond pas : d\xE9lai de connexion de " + seconds(liveLimits.Connect) + " d\xE9pass\xE9.");
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
    if (url.Scheme == "https")
        handshake(url, conn);
}

void TIdHTTP::Impl::handshake(const TUrl& url, const std::shared_ptr<Connection>& conn)
{
    if (!tls)
        tls = makeTlsContext();
    conn->tls = std::make_unique<ssl::stream<tcp::socket&>>(conn->socket, *tls);
    SSL* session = conn->tls->native_handle();
    // The name the certificate must carry: the host as the address gives
    // it, an IP address checked as one. SNI is only for names.
    X509_VERIFY_PARAM* check = SSL_get0_param(session);
    error_code notAnAddress;
    asio::ip::make_address(url.Host, notAnAddress);
    const bool named = static_cast<bool>(notAnAddress);
    const int set = named ? X509_VERIFY_PARAM_set1_host(check, url.Host.c_str(), url.Host.size())
                          : X509_VERIFY_PARAM_set1_ip_asc(check, url.Host.c_str());
    if (set != 1 || (named && SSL_set_tlsext_host_name(session, url.Host.c_str()) != 1))
        throw EHttpError(secureImpossible(url.HostHeader(), "la n\xE9gociation TLS a \xE9" "chou\xE9"));
    X509_VERIFY_PARAM_set_hostflags(check, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);

    armSilence(url);
    const auto op = std::make_shared<OpState>();
    conn->tls->async_handshake(ssl::stream_base::client, [op, conn](const error_code& ec) {
        op->ec = ec;
        op->done = true;
    });
    wait(op);
    if (op->ec) {
        const long verifyResult = SSL_get_verify_result(session);
        connection.reset();
        throwHandshakeError(url.HostHeader(), op->ec, verifyResult);
    }
}

void TIdHTTP::Impl::send(const TUrl& url, const std::string& request)
{
    armSilence(url);
    const auto op = std::make_shared<OpState>();
    const auto data = std::make_shared<std::string>(request);
    const auto conn = connection;
    auto done = [op, data, conn](const error_code& ec, std::size_t n) {
        op->ec = ec;
        op->bytes = n;
        op->done = true;
    };
    if (conn->tls)
        asio::async_write(*conn->tls, asio::buffer(*data), done);
    else
        asio::async_write(conn->socket, asio::buffer(*data), done);
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

std::string TIdHTTP::Impl::buildLiveRequest(const TUrl& url) const
{
    std::string r = "GET " + url.Target + " HTTP/1.1\r\n";
    r += "Host: " + url.HostHeader() + "\r\n";
    r += "User-Agent: ";
    r += kLiveUserAgent;
    r += "\r\nAccept: ";
    r += kLiveAccept;
    r += "\r\nConnection: close\r\n\r\n";
    return r;
}

std::string TIdHTTP::Impl::fetch(const std::string& address)
{
    deadline.reset();
    truncated = false;
    if (live)
        closeTransport();  // a live fetch opens its own connection
    std::string current = address;
    for (int request = 1;; ++request) {
        TUrl url;
        const TUrlError error = ParseUrl(current, url);
        // The page client has no TLS transport: an https address fails
        // whatever else it holds.
        if (!live && url.Scheme == "https")
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

        const bool reuse = !live && connection && connection->host == url.Host && connection->port == url.Port;
        if (!reuse)
            connect(url);
        const std::string requestText = live ? buildLiveRequest(url) : buildRequest(url);

        SocketSource source(*this, url);
        auto reader = std::make_unique<THttpAnswerReader>(source);
        THttpHead head;
        try {
            send(url, requestText);
            head = reader->ReadHead();
        } catch (const EHttpError&) {
            // A kept connection the server has closed meanwhile: try once
            // on a new one.
            if (!reuse || reader->ReceivedAnything() || aborted)
                throw;
            connect(url);
            reader = std::make_unique<THttpAnswerReader>(source);
            send(url, requestText);
            head = reader->ReadHead();
        }

        if (!live) {
            const std::int64_t now = unixNow();
            for (const std::string* v : head.FindAll("set-cookie"))
                cookies.SetCookie(*v, url, now);
            for (const std::string* v : head.FindAll("set-cookie2"))
                cookies.SetCookie2(*v, url, now);
        }

        const std::string* location = head.Find("location");
        const bool redirect = head.Status >= 300 && head.Status < 400 && head.Status != 304 && location
                              && !location->empty();
        const bool success = head.Status >= 200 && head.Status < 300;

        if (redirect && request >= kRedirectMaximum) {
            closeTransport();
            if (live)
                throw EHttpError("Trop de redirections depuis " + url.HostHeader() + ".");
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
        // A live answer cut short is no answer: its length or chunks said
        // more was coming, or TLS was cut where only the close ends it.
        if (live && success && !delimited &&
            (truncated || head.Find("content-length") || head.Find("transfer-encoding"))) {
            closeTransport();
            throw EHttpError("La connexion avec " + url.HostHeader() +
                             " s'est interrompue avant la fin de la r\xE9ponse.");
        }
        const std::string* connectionHeader = head.Find("connection");
        // After a failure the connection is dropped: an answer that is not
        // what we asked for (say an informational 1xx other than 100) may
        // still have bytes on their way.
        const bool keep = !live && (success || redirect) && delimited && !reader->HasBufferedBytes() && head.Http11
                          && !(connectionHeader && connectionHeader->find("close") != std::string::npos);
        if (!keep)
            closeTransport();
        if (success)
            return body;
        if (!redirect)
            throw EHttpError(head.StatusLine, head.Status, std::move(body));
        std::string next = ResolveReference(current, *location);
        if (live && url.Scheme == "https") {
            TUrl target;
            ParseUrl(next, target);
            if (target.Scheme == "http")
                throw EHttpError("Redirection refus\xE9" "e : " + url.HostHeader() +
                                 " renvoie vers une adresse non chiffr\xE9" "e.");
        }
        current = std::move(next);
    }
}

TIdHTTP::TIdHTTP() : impl_(std::make_unique<Impl>()) {}

TIdHTTP::~TIdHTTP() = default;

std::string TIdHTTP::Impl::run(const std::string& address, bool liveFetch)
{
    {
        std::lock_guard lock(mutex);
        busy = true;
        ++generation;
        aborted = false;
    }
    struct Idle {
        Impl& impl;
        ~Idle()
        {
            std::lock_guard lock(impl.mutex);
            impl.busy = false;
        }
    } idle{*this};
    live = liveFetch;
    try {
        return fetch(address);
    } catch (...) {
        closeTransport();
        throw;
    }
}

std::string TIdHTTP::FetchPage(const std::string& url)
{
    return impl_->run(url, false);
}

std::string TIdHTTP::FetchLive(const std::string& url)
{
    return impl_->run(url, true);
}

void TIdHTTP::SetLiveTimeLimits(THttpTimeLimits limits)
{
    impl_->liveLimits = limits;
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

std::string TlsLibraryVersion()
{
    return OPENSSL_VERSION_TEXT;
}

} // namespace nubra
