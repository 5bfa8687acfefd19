// nubra-replica: a small HTTP/1.1 server standing in for the four weather
// services, for Open-Meteo's forecast API and for the warning feeds, for the
// end-to-end tests and the offline demonstration.
//
//   nubra-replica [--port N] [--day D] [--cert FILE --key FILE [--tls-port Q]]
//
// Binds 127.0.0.1 on port N (0, the default, lets the system choose) and
// prints "port P" on its first line of standard output. Answers the paths of
// pages.h for any Host header, so one replica serves every service at
// 127.0.0.1:P; the warning feeds' links name the scheme and Host the client
// used, so that following them comes back here. Each request is logged on
// one line of standard error: the request line, every header as received,
// then the status and body size.
// SIGINT and SIGTERM stop it cleanly.
//
// With --cert and --key (a PEM certificate chain, the server's certificate
// first, and its PEM private key) it also serves the same answers over TLS
// (1.2 or later) on 127.0.0.1 port Q (0 by default: the system chooses) and
// prints "tls-port Q" on the second line, so that a client checking
// certificates against a demonstration authority can be run end to end. A
// handshake that fails or does not end within the time limit is logged on
// standard error and its connection closed.
//
// Bounded everywhere: 8 KiB of request head, no request body, 64
// connections at once (both ports together), 30 s of silence before a
// connection is closed, 30 s for a whole TLS handshake. Keep-alive and
// "Connection: close" both work; HTTP/1.0 closes after the answer.
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "pages.h"

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace ssl = asio::ssl;
using tcp = asio::ip::tcp;

namespace {

constexpr std::size_t kHeaderLimit = 8 * 1024;
constexpr std::size_t kMaxConnections = 64;
constexpr std::chrono::seconds kIdleTimeout{30};
constexpr std::chrono::seconds kHandshakeTimeout{30};
constexpr std::size_t kMaxLoggedField = 200;

std::size_t openConnections = 0;

std::string_view view(beast::string_view text)
{
    return {text.data(), text.size()};
}
std::optional<std::int64_t> fixedDay;

// A text for the log: printable ASCII kept, anything else as \xHH, cut long.
std::string printable(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < kMaxLoggedField; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
    if (text.size() > kMaxLoggedField)
        out += "...";
    return out;
}

using TPlainStream = beast::tcp_stream;
using TTlsStream = beast::ssl_stream<beast::tcp_stream>;

// One connection, over plain TCP or over TLS: the same reading, answers and
// bounds; only the start (the TLS handshake) and the end (TLS's close_notify)
// differ.
template <class Stream>
class TSession : public std::enable_shared_from_this<TSession<Stream>> {
    static constexpr bool kTls = std::is_same_v<Stream, TTlsStream>;

public:
    template <class... Args>
    explicit TSession(Args&&... args) : stream_(std::forward<Args>(args)...)
    {
        ++openConnections;
    }
    ~TSession() { --openConnections; }

    void start()
    {
        if constexpr (kTls) {
            // The handshake as a whole within its limit, however slowly the
            // client sends its records.
            tcp().expires_after(kHandshakeTimeout);
            stream_.async_handshake(ssl::stream_base::server,
                                    [self = this->shared_from_this()](beast::error_code ec) {
                                        if (ec) {
                                            std::cerr << "poignée de main TLS échouée : " << ec.message() << std::endl;
                                            self->close();
                                            return;
                                        }
                                        self->readRequest();
                                    });
        } else {
            readRequest();
        }
    }

private:
    beast::tcp_stream& tcp() { return beast::get_lowest_layer(stream_); }

    void readRequest()
    {
        parser_.emplace();
        parser_->header_limit(static_cast<std::uint32_t>(kHeaderLimit));
        parser_->body_limit(0);
        tcp().expires_after(kIdleTimeout);
        http::async_read(stream_, buffer_, *parser_,
                         [self = this->shared_from_this()](beast::error_code ec, std::size_t) { self->onRead(ec); });
    }

    void onRead(beast::error_code ec)
    {
        // The client left, before or in the middle of a request: nobody to
        // answer. Over TLS, leaving without close_notify is "stream truncated".
        if (ec == http::error::end_of_stream || ec == http::error::partial_message || ec == beast::error::timeout ||
            ec == asio::error::connection_reset || ec == asio::error::operation_aborted ||
            ec == ssl::error::stream_truncated) {
            close();
            return;
        }
        // A broken TLS record: the stream cannot carry an answer any more.
        if (ec && ec.category() == asio::error::get_ssl_category()) {
            std::cerr << "connexion TLS rompue : " << ec.message() << std::endl;
            close();
            return;
        }
        if (ec) {
            std::cerr << "requête refusée : " << ec.message() << std::endl;
            sendError(http::status::bad_request, "Requête incorrecte.");
            return;
        }
        const auto& request = parser_->get();
        std::string log = std::string(request.method_string()) + " " + printable(view(request.target())) + " HTTP/" +
                          std::to_string(request.version() / 10) + "." + std::to_string(request.version() % 10);
        for (const auto& field : request)
            log += " | " + printable(view(field.name_string())) + ": " + printable(view(field.value()));

        const bool head = request.method() == http::verb::head;
        nubra::replica::TAnswer answer;
        if (request.method() != http::verb::get && !head) {
            answer.Status = 405;
            answer.Headers.emplace_back("Allow", "GET, HEAD");
            answer.Headers.emplace_back("Content-Type", "text/html; charset=utf-8");
            answer.Body = "<html><body><p>M&eacute;thode non prise en charge.</p></body></html>\r\n";
        } else {
            const auto cookie = request.find(http::field::cookie);
            // The warning feeds link back to the host the client asked for.
            const auto host = request.find(http::field::host);
            const std::string origin =
                host == request.end() ? std::string() : (kTls ? "https://" : "http://") + std::string(view(host->value()));
            answer = nubra::replica::AnswerRequest(
                view(request.target()), cookie == request.end() ? std::string_view{} : view(cookie->value()),
                fixedDay ? *fixedDay : nubra::replica::Today(), origin);
        }
        std::cerr << log << " -> " << answer.Status << " (" << answer.Body.size() << " octets)" << std::endl;

        response_.emplace();
        response_->version(request.version());
        response_->result(answer.Status);
        response_->set(http::field::server, "nubra-replica");
        for (const auto& [name, value] : answer.Headers)
            response_->insert(name, value);
        response_->keep_alive(request.keep_alive());
        const std::size_t size = answer.Body.size();
        if (!head)
            response_->body() = std::move(answer.Body);
        response_->content_length(size);
        write(!request.keep_alive());
    }

    void sendError(http::status status, std::string_view text)
    {
        response_.emplace();
        response_->version(11);
        response_->result(status);
        response_->set(http::field::content_type, "text/plain; charset=utf-8");
        response_->body() = std::string(text) + "\r\n";
        response_->keep_alive(false);
        response_->prepare_payload();
        write(true);
    }

    void write(bool closeAfter)
    {
        tcp().expires_after(kIdleTimeout);
        http::async_write(stream_, *response_,
                          [self = this->shared_from_this(), closeAfter](beast::error_code ec, std::size_t) {
                              if (ec)
                                  self->close();
                              else if (closeAfter)
                                  self->finish();
                              else
                                  self->readRequest();
                          });
    }

    // The end of a sound connection after its last answer. Over TLS the
    // close_notify alert says the answer is whole; waiting for the client's
    // own alert (or its leaving) is bounded like any silence.
    void finish()
    {
        if constexpr (kTls) {
            tcp().expires_after(kIdleTimeout);
            stream_.async_shutdown([self = this->shared_from_this()](beast::error_code) { self->close(); });
        } else {
            close();
        }
    }

    void close()
    {
        beast::error_code ignored;
        tcp().socket().shutdown(tcp::socket::shutdown_both, ignored);
        tcp().socket().close(ignored);
    }

    Stream stream_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::empty_body>> parser_;
    std::optional<http::response<http::string_body>> response_;
};

// Accepts on one port; `tls` set makes its connections TLS ones.
class TListener {
public:
    TListener(asio::io_context& context, tcp::endpoint endpoint, ssl::context* tls = nullptr)
        : acceptor_(context, endpoint), tls_(tls)
    {
    }

    unsigned short port() const { return acceptor_.local_endpoint().port(); }

    void accept()
    {
        acceptor_.async_accept([this](beast::error_code ec, tcp::socket socket) {
            if (ec == asio::error::operation_aborted)
                return;
            if (!ec) {
                if (openConnections >= kMaxConnections) {
                    beast::error_code ignored;
                    socket.close(ignored);
                } else if (tls_) {
                    std::make_shared<TSession<TTlsStream>>(std::move(socket), *tls_)->start();
                } else {
                    std::make_shared<TSession<TPlainStream>>(std::move(socket))->start();
                }
            }
            accept();
        });
    }

    void stop()
    {
        beast::error_code ignored;
        acceptor_.close(ignored);
    }

private:
    tcp::acceptor acceptor_;
    ssl::context* tls_;
};

// OpenSSL's reason for the last failure, for the messages below.
std::string lastTlsError()
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return "erreur inconnue";
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

// The server side of TLS from the certificate chain and key files; nothing,
// with a message on standard error, when either cannot be used.
std::optional<ssl::context> tlsContext(const std::string& certFile, const std::string& keyFile)
{
    std::optional<ssl::context> context(std::in_place, ssl::context::tls_server);
    context->set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 | ssl::context::no_sslv3 |
                         ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1 | ssl::context::single_dh_use);
    SSL_CTX* native = context->native_handle();
    ERR_clear_error();
    if (SSL_CTX_set_min_proto_version(native, TLS1_2_VERSION) != 1) {
        std::fprintf(stderr, "nubra-replica : TLS 1.2 indisponible : %s\n", lastTlsError().c_str());
        return std::nullopt;
    }
    if (SSL_CTX_use_certificate_chain_file(native, certFile.c_str()) != 1) {
        std::fprintf(stderr, "nubra-replica : certificat illisible dans %s (chaîne PEM attendue) : %s\n",
                     certFile.c_str(), lastTlsError().c_str());
        return std::nullopt;
    }
    if (SSL_CTX_use_PrivateKey_file(native, keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
        // A readable key of another certificate is refused here already.
        const unsigned long code = ERR_peek_last_error();
        if (ERR_GET_LIB(code) == ERR_LIB_X509 && ERR_GET_REASON(code) == X509_R_KEY_VALUES_MISMATCH) {
            ERR_clear_error();
            std::fprintf(stderr, "nubra-replica : la clé de %s ne correspond pas au certificat de %s\n",
                         keyFile.c_str(), certFile.c_str());
            return std::nullopt;
        }
        std::fprintf(stderr, "nubra-replica : clé privée illisible dans %s (clé PEM attendue) : %s\n",
                     keyFile.c_str(), lastTlsError().c_str());
        return std::nullopt;
    }
    if (SSL_CTX_check_private_key(native) != 1) {
        std::fprintf(stderr, "nubra-replica : la clé de %s ne correspond pas au certificat de %s\n",
                     keyFile.c_str(), certFile.c_str());
        ERR_clear_error();
        return std::nullopt;
    }
    return context;
}

void usage()
{
    std::fputs("Usage : nubra-replica [--port N] [--day JOURS] [--cert FICHIER --key FICHIER [--tls-port N]]\n"
               "Sert sur 127.0.0.1 des pages de prévisions imitant les quatre services,\n"
               "les réponses JSON d'Open-Meteo et les flux d'avertissements de MeteoAlarm\n"
               "et de GeoMet ; écrit « port P » sur la sortie, puis\n"
               "« tls-port Q » quand il sert aussi en TLS.\n"
               "  --port N          port d'écoute HTTP (0, par défaut : choisi par le système)\n"
               "  --day JOURS       jour des prévisions, en jours depuis le 1er janvier 1970\n"
               "                    (par défaut : aujourd'hui)\n"
               "  --cert FICHIER    chaîne de certificats PEM du serveur (le sien d'abord)\n"
               "  --key FICHIER     clé privée PEM de ce certificat ; avec --cert, les mêmes\n"
               "                    réponses sont aussi servies en TLS (1.2 au moins)\n"
               "  --tls-port N      port d'écoute TLS (0, par défaut : choisi par le système)\n",
               stderr);
}

template <class Int>
bool parseNumber(const std::string& text, Int& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

} // namespace

int main(int argc, char** argv)
{
    unsigned short port = 0;
    std::optional<unsigned short> tlsPort;
    std::string certFile, keyFile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--port" || arg == "--day" || arg == "--tls-port") && i + 1 < argc) {
            const std::string value = argv[++i];
            bool ok = true;
            if (arg == "--port") {
                ok = parseNumber(value, port);
            } else if (arg == "--tls-port") {
                unsigned short number = 0;
                ok = parseNumber(value, number);
                tlsPort = number;
            } else {
                std::int64_t day = 0;
                ok = parseNumber(value, day) && day >= 0 && day < 3'000'000;
                fixedDay = day;
            }
            if (!ok) {
                std::fprintf(stderr, "nubra-replica : valeur incorrecte pour %s : %s\n", arg.c_str(), value.c_str());
                return 2;
            }
        } else if ((arg == "--cert" || arg == "--key") && i + 1 < argc && argv[i + 1][0] != '\0') {
            (arg == "--cert" ? certFile : keyFile) = argv[++i];
        } else if (arg == "-h" || arg == "--help") {
            usage();
            return 0;
        } else {
            usage();
            return 2;
        }
    }
    if (certFile.empty() != keyFile.empty()) {
        std::fputs("nubra-replica : --cert et --key vont ensemble\n", stderr);
        usage();
        return 2;
    }
    if (tlsPort && certFile.empty()) {
        std::fputs("nubra-replica : --tls-port demande --cert et --key\n", stderr);
        usage();
        return 2;
    }

    // The certificate is read before anything listens: a bad file stops the
    // replica before it announces a port.
    std::optional<ssl::context> tls;
    if (!certFile.empty()) {
        tls = tlsContext(certFile, keyFile);
        if (!tls)
            return 1;
    }

    try {
        const auto loopback = asio::ip::make_address("127.0.0.1");
        asio::io_context context(1);
        TListener listener(context, tcp::endpoint(loopback, port));
        std::optional<TListener> tlsListener;
        if (tls)
            tlsListener.emplace(context, tcp::endpoint(loopback, tlsPort.value_or(0)), &*tls);
        asio::signal_set signals(context, SIGINT, SIGTERM);
        signals.async_wait([&](beast::error_code, int) {
            listener.stop();
            if (tlsListener)
                tlsListener->stop();
            context.stop();
        });
        listener.accept();
        if (tlsListener)
            tlsListener->accept();
        std::printf("port %u\n", static_cast<unsigned>(listener.port()));
        if (tlsListener)
            std::printf("tls-port %u\n", static_cast<unsigned>(tlsListener->port()));
        std::fflush(stdout);
        context.run();
        std::cerr << "nubra-replica : arrêt" << std::endl;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "nubra-replica : %s\n", error.what());
        return 1;
    }
    return 0;
}
