// Throw-away certificates and a TLS server on 127.0.0.1, for the tests of
// the live fetch. The authority and the certificates it signs are made when
// the test runs (EC P-256 keys, so making them is quick) and written as PEM
// files in a folder of the test's; a test trusts the authority by pointing
// SSL_CERT_FILE at its file before the client makes its first TLS
// connection, exactly as a user with a private authority would.
//
// The server runs on a thread of its own for at most kLifetime, answering
// each connection once by its mode; the destructor stops it.
#pragma once

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/write.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace nubra::test {

// A certificate and its key, as PEM files.
struct TPemPair {
    std::string Cert;
    std::string Key;
};

class TTestAuthority {
public:
    static constexpr long kDay = 24 * 3600;

    // A new authority, its certificate written to `folder`/`name`.pem.
    TTestAuthority(std::filesystem::path folder, const std::string& name = "ca") : folder_(std::move(folder))
    {
        key_.reset(EVP_EC_gen("P-256"));
        cert_.reset(build(key_.get(), "Nubra test authority", nullptr, -kDay, 30 * kDay, true, {}));
        caFile_ = (folder_ / (name + ".pem")).string();
        writeCert(cert_.get(), caFile_);
    }

    const std::string& CaFile() const { return caFile_; }

    // A server certificate signed by this authority for `altNames` (as
    // "IP:127.0.0.1,DNS:localhost"), valid from `from` to `until` seconds
    // from now, written as `name`.pem and `name`.key.
    TPemPair Issue(const std::string& name, const std::string& altNames, long from = -kDay, long until = kDay)
    {
        std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_EC_gen("P-256"), EVP_PKEY_free);
        std::unique_ptr<X509, decltype(&X509_free)> cert(
            build(key.get(), "Nubra test server", cert_.get(), from, until, false, altNames), X509_free);
        TPemPair pair{(folder_ / (name + ".pem")).string(), (folder_ / (name + ".key")).string()};
        writeCert(cert.get(), pair.Cert);
        std::unique_ptr<BIO, decltype(&BIO_free)> out(BIO_new_file(pair.Key.c_str(), "w"), BIO_free);
        if (!out || PEM_write_bio_PrivateKey(out.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
            throw std::runtime_error("cannot write " + pair.Key);
        return pair;
    }

private:
    X509* build(EVP_PKEY* key, const char* commonName, X509* issuer, long from, long until, bool authority,
                const std::string& altNames)
    {
        X509* cert = X509_new();
        X509_set_version(cert, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(cert), ++serial_);
        X509_gmtime_adj(X509_getm_notBefore(cert), from);
        X509_gmtime_adj(X509_getm_notAfter(cert), until);
        X509_set_pubkey(cert, key);
        X509_NAME_add_entry_by_txt(X509_get_subject_name(cert), "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
        X509_set_issuer_name(cert, X509_get_subject_name(issuer ? issuer : cert));
        X509V3_CTX context;
        X509V3_set_ctx(&context, issuer ? issuer : cert, cert, nullptr, nullptr, 0);
        const auto add = [&](int nid, const std::string& value) {
            X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
            if (!extension)
                throw std::runtime_error("bad certificate extension " + value);
            X509_add_ext(cert, extension, -1);
            X509_EXTENSION_free(extension);
        };
        add(NID_subject_key_identifier, "hash");
        if (authority) {
            add(NID_basic_constraints, "critical,CA:TRUE");
            add(NID_key_usage, "critical,keyCertSign,cRLSign");
        } else {
            add(NID_authority_key_identifier, "keyid");
            add(NID_basic_constraints, "CA:FALSE");
            add(NID_ext_key_usage, "serverAuth");
            add(NID_subject_alt_name, altNames);
        }
        X509_sign(cert, issuer ? key_.get() : key, EVP_sha256());
        return cert;
    }

    static void writeCert(X509* cert, const std::string& path)
    {
        std::unique_ptr<BIO, decltype(&BIO_free)> out(BIO_new_file(path.c_str(), "w"), BIO_free);
        if (!out || PEM_write_bio_X509(out.get(), cert) != 1)
            throw std::runtime_error("cannot write " + path);
    }

    std::filesystem::path folder_;
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key_{nullptr, EVP_PKEY_free};
    std::unique_ptr<X509, decltype(&X509_free)> cert_{nullptr, X509_free};
    std::string caFile_;
    long serial_ = 0;
};

class TTlsServer {
public:
    enum class TMode {
        Tls,           // handshake with the certificate, then answer by the script
        PlainHttp,     // no TLS: answers the handshake with an HTTP 400, as a plain server would
        CutHandshake,  // reads the client's first bytes and closes
        Silent,        // accepts and never sends a byte
    };
    // The answer's bytes for a request's head; the connection closes after.
    using Script = std::function<std::string(const std::string& request)>;
    static constexpr std::chrono::seconds kLifetime{60};

    TTlsServer(TMode mode, TPemPair pair = {}, Script script = {})
        : mode_(mode), script_(std::move(script)), tls_(boost::asio::ssl::context::tls_server),
          acceptor_(ioc_, tcp::endpoint(boost::asio::ip::make_address("127.0.0.1"), 0))
    {
        if (mode_ == TMode::Tls) {
            tls_.use_certificate_chain_file(pair.Cert);
            tls_.use_private_key_file(pair.Key, boost::asio::ssl::context::pem);
        }
        accept();
        thread_ = std::thread([this] { ioc_.run_for(kLifetime); });
    }

    ~TTlsServer()
    {
        ioc_.stop();
        thread_.join();
    }

    std::uint16_t port() const { return acceptor_.local_endpoint().port(); }
    std::string host() const { return "127.0.0.1:" + std::to_string(port()); }

    std::vector<std::string> requests() const
    {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    using tcp = boost::asio::ip::tcp;
    using error_code = boost::system::error_code;

    struct Session {
        Session(boost::asio::io_context& ioc, boost::asio::ssl::context& tls) : stream(ioc, tls) {}
        tcp::socket& socket() { return stream.next_layer(); }
        boost::asio::ssl::stream<tcp::socket> stream;
        std::string pending;
        std::string answer;
        char buffer[4096];
    };

    void accept()
    {
        auto s = std::make_shared<Session>(ioc_, tls_);
        acceptor_.async_accept(s->socket(), [this, s](const error_code& ec) {
            if (ec)
                return;
            start(s);
            accept();
        });
    }

    void start(const std::shared_ptr<Session>& s)
    {
        switch (mode_) {
        case TMode::Tls:
            s->stream.async_handshake(boost::asio::ssl::stream_base::server, [this, s](const error_code& ec) {
                if (!ec)
                    readRequest(s);
            });
            break;
        case TMode::PlainHttp:
        case TMode::CutHandshake:
            s->socket().async_read_some(boost::asio::buffer(s->buffer), [this, s](const error_code& ec, std::size_t) {
                if (ec)
                    return;
                if (mode_ == TMode::CutHandshake) {
                    close(s);
                    return;
                }
                s->answer = "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
                boost::asio::async_write(s->socket(), boost::asio::buffer(s->answer),
                                         [this, s](const error_code&, std::size_t) { close(s); });
            });
            break;
        case TMode::Silent:
            silent_.push_back(s);  // kept open until the server ends
            break;
        }
    }

    void readRequest(const std::shared_ptr<Session>& s)
    {
        s->stream.async_read_some(boost::asio::buffer(s->buffer), [this, s](const error_code& ec, std::size_t n) {
            if (ec)
                return;
            s->pending.append(s->buffer, n);
            const std::size_t end = s->pending.find("\r\n\r\n");
            if (end == std::string::npos) {
                readRequest(s);
                return;
            }
            const std::string request = s->pending.substr(0, end + 4);
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
            }
            s->answer = script_ ? script_(request) : std::string("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
            boost::asio::async_write(s->stream, boost::asio::buffer(s->answer),
                                     [this, s](const error_code&, std::size_t) { close(s); });
        });
    }

    static void close(const std::shared_ptr<Session>& s)
    {
        error_code ignored;
        s->socket().shutdown(tcp::socket::shutdown_both, ignored);
        s->socket().close(ignored);
    }

    TMode mode_;
    Script script_;
    boost::asio::io_context ioc_;
    boost::asio::ssl::context tls_;
    tcp::acceptor acceptor_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<std::shared_ptr<Session>> silent_;  // touched on the server thread only
};

// The target of a request head: "GET /x HTTP/1.1..." gives "/x".
inline std::string requestTarget(const std::string& request)
{
    const std::size_t a = request.find(' ');
    const std::size_t b = request.find(' ', a + 1);
    return a == std::string::npos || b == std::string::npos ? std::string() : request.substr(a + 1, b - a - 1);
}

} // namespace nubra::test
