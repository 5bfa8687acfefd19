// nubra-replica: a small HTTP/1.1 server standing in for the four weather
// services and for Open-Meteo's forecast API, for the end-to-end tests and
// the offline demonstration.
//
//   nubra-replica [--port N] [--day D]
//
// Binds 127.0.0.1 on port N (0, the default, lets the system choose) and
// prints "port P" on its first line of standard output. Answers the paths of
// pages.h for any Host header, so one replica serves every service at
// 127.0.0.1:P. Each request is logged on one line of standard error: the
// request line, every header as received, then the status and body size.
// SIGINT and SIGTERM stop it cleanly.
//
// Bounded everywhere: 8 KiB of request head, no request body, 64
// connections at once, 30 s of silence before a connection is closed. Keep-
// alive and "Connection: close" both work; HTTP/1.0 closes after the answer.
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "pages.h"

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

constexpr std::size_t kHeaderLimit = 8 * 1024;
constexpr std::size_t kMaxConnections = 64;
constexpr std::chrono::seconds kIdleTimeout{30};
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

class TSession : public std::enable_shared_from_this<TSession> {
public:
    explicit TSession(tcp::socket socket) : stream_(std::move(socket)) { ++openConnections; }
    ~TSession() { --openConnections; }

    void start() { readRequest(); }

private:
    void readRequest()
    {
        parser_.emplace();
        parser_->header_limit(static_cast<std::uint32_t>(kHeaderLimit));
        parser_->body_limit(0);
        stream_.expires_after(kIdleTimeout);
        http::async_read(stream_, buffer_, *parser_,
                         [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onRead(ec); });
    }

    void onRead(beast::error_code ec)
    {
        // The client left, before or in the middle of a request: nobody to answer.
        if (ec == http::error::end_of_stream || ec == http::error::partial_message || ec == beast::error::timeout ||
            ec == asio::error::connection_reset || ec == asio::error::operation_aborted) {
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
            answer = nubra::replica::AnswerRequest(
                view(request.target()), cookie == request.end() ? std::string_view{} : view(cookie->value()),
                fixedDay ? *fixedDay : nubra::replica::Today());
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
        stream_.expires_after(kIdleTimeout);
        http::async_write(stream_, *response_,
                          [self = shared_from_this(), closeAfter](beast::error_code ec, std::size_t) {
                              if (ec || closeAfter)
                                  self->close();
                              else
                                  self->readRequest();
                          });
    }

    void close()
    {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream_.socket().close(ignored);
    }

    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::empty_body>> parser_;
    std::optional<http::response<http::string_body>> response_;
};

class TListener {
public:
    TListener(asio::io_context& context, tcp::endpoint endpoint) : acceptor_(context, endpoint) {}

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
                } else {
                    std::make_shared<TSession>(std::move(socket))->start();
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
};

void usage()
{
    std::fputs("Usage : nubra-replica [--port N] [--day JOURS]\n"
               "Sert sur 127.0.0.1 des pages de prévisions imitant les quatre services\n"
               "et les réponses JSON d'Open-Meteo.\n"
               "  --port N      port d'écoute (0, par défaut : choisi par le système)\n"
               "  --day JOURS   jour des prévisions, en jours depuis le 1er janvier 1970\n"
               "                (par défaut : aujourd'hui)\n", stderr);
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
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--port" || arg == "--day") && i + 1 < argc) {
            const std::string value = argv[++i];
            bool ok = true;
            if (arg == "--port") {
                ok = parseNumber(value, port);
            } else {
                std::int64_t day = 0;
                ok = parseNumber(value, day) && day >= 0 && day < 3'000'000;
                fixedDay = day;
            }
            if (!ok) {
                std::fprintf(stderr, "nubra-replica : valeur incorrecte pour %s : %s\n", arg.c_str(), value.c_str());
                return 2;
            }
        } else if (arg == "-h" || arg == "--help") {
            usage();
            return 0;
        } else {
            usage();
            return 2;
        }
    }

    try {
        asio::io_context context(1);
        TListener listener(context, tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
        asio::signal_set signals(context, SIGINT, SIGTERM);
        signals.async_wait([&](beast::error_code, int) {
            listener.stop();
            context.stop();
        });
        listener.accept();
        std::printf("port %u\n", static_cast<unsigned>(listener.port()));
        std::fflush(stdout);
        context.run();
        std::cerr << "nubra-replica : arrêt" << std::endl;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "nubra-replica : %s\n", error.what());
        return 1;
    }
    return 0;
}
