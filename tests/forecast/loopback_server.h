// A scripted HTTP server on 127.0.0.1 for the client's tests. It listens on
// a free port, reads each request up to its empty line, records its exact
// bytes, and sends what the script returns for it. Everything runs on one
// thread of its own for at most kLifetime; the destructor stops it, so no
// test can leave a socket or a thread behind.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nubra::test {

struct Reply {
    std::string bytes;   // sent as they are
    bool close = false;  // close the connection after sending
    bool hang = false;   // after sending, neither read nor close
};

class LoopbackServer {
public:
    using Script = std::function<Reply(const std::string& request, int index)>;
    static constexpr std::chrono::seconds kLifetime{60};

    explicit LoopbackServer(Script script)
        : script_(std::move(script)),
          acceptor_(ioc_, boost::asio::ip::tcp::endpoint(boost::asio::ip::make_address("127.0.0.1"), 0))
    {
        accept();
        thread_ = std::thread([this] { ioc_.run_for(kLifetime); });
    }

    ~LoopbackServer()
    {
        ioc_.stop();
        thread_.join();
    }

    std::uint16_t port() const { return acceptor_.local_endpoint().port(); }
    std::string url(const std::string& target) const
    {
        return "http://127.0.0.1:" + std::to_string(port()) + target;
    }

    std::vector<std::string> requests() const
    {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    int connections() const
    {
        std::lock_guard lock(mutex_);
        return connections_;
    }

private:
    using tcp = boost::asio::ip::tcp;

    struct Session {
        explicit Session(boost::asio::io_context& ioc) : socket(ioc) {}
        tcp::socket socket;
        std::string pending;
        char buffer[4096];
    };

    void accept()
    {
        auto session = std::make_shared<Session>(ioc_);
        acceptor_.async_accept(session->socket, [this, session](const boost::system::error_code& ec) {
            if (ec)
                return;
            {
                std::lock_guard lock(mutex_);
                ++connections_;
            }
            read(session);
            accept();
        });
    }

    void read(const std::shared_ptr<Session>& s)
    {
        s->socket.async_read_some(boost::asio::buffer(s->buffer),
                                  [this, s](const boost::system::error_code& ec, std::size_t n) {
                                      if (ec)
                                          return;
                                      s->pending.append(s->buffer, n);
                                      serve(s);
                                  });
    }

    void serve(const std::shared_ptr<Session>& s)
    {
        const std::size_t end = s->pending.find("\r\n\r\n");
        if (end == std::string::npos) {
            read(s);
            return;
        }
        const std::string request = s->pending.substr(0, end + 4);
        s->pending.erase(0, end + 4);
        int index;
        {
            std::lock_guard lock(mutex_);
            index = static_cast<int>(requests_.size());
            requests_.push_back(request);
        }
        auto reply = std::make_shared<Reply>(script_(request, index));
        boost::asio::async_write(s->socket, boost::asio::buffer(reply->bytes),
                                 [this, s, reply](const boost::system::error_code& ec, std::size_t) {
                                     if (ec)
                                         return;
                                     if (reply->hang) {
                                         hung_.push_back(s);  // kept open until the server ends
                                         return;
                                     }
                                     if (reply->close) {
                                         boost::system::error_code ignored;
                                         s->socket.shutdown(tcp::socket::shutdown_both, ignored);
                                         s->socket.close(ignored);
                                         return;
                                     }
                                     serve(s);
                                 });
    }

    Script script_;
    boost::asio::io_context ioc_;
    tcp::acceptor acceptor_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    int connections_ = 0;
    std::vector<std::shared_ptr<Session>> hung_;  // touched on the server thread only
};

// The target of a recorded request: "GET /x HTTP/1.1..." gives "/x".
inline std::string targetOf(const std::string& request)
{
    const std::size_t a = request.find(' ');
    const std::size_t b = request.find(' ', a + 1);
    return request.substr(a + 1, b - a - 1);
}

inline std::string headerOf(const std::string& request, const std::string& name)
{
    const std::size_t at = request.find("\r\n" + name + ": ");
    if (at == std::string::npos)
        return {};
    const std::size_t from = at + name.size() + 4;
    return request.substr(from, request.find("\r\n", from) - from);
}

// "HTTP/1.1 200 OK" answer with a Content-Length and the given extra
// header lines (each ending in CR LF).
inline std::string ok(const std::string& body, const std::string& extra = {})
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra + "\r\n" + body;
}

inline std::string redirect(const std::string& location, const std::string& extra = {})
{
    return "HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 5\r\n" + extra + "\r\nmoved";
}

} // namespace nubra::test
