// The HTTP/1.1 client every forecast is read with. Two operations, each a
// GET of an absolute address that returns the body of the final answer,
// byte for byte, and raises every failure as EHttpError carrying the French
// message the user is shown:
//
//   - FetchPage, for the historic services' pages: plain HTTP only, the
//     fixed headers those services were written against, cookies kept in
//     memory for the client's life, no time limit on a silent server.
//   - FetchLive, for the live services' APIs (Open-Meteo): "https://" over
//     TLS 1.2 or later, the server's certificate verified against the
//     system's trust store (OpenSSL's default paths, so SSL_CERT_FILE and
//     SSL_CERT_DIR apply) and checked for the host's name, SNI sent; or
//     "http://" for a local server. No cookies either way, a time limit on
//     the connection and on every silence of the server, and a redirect
//     from https to plain http refused.
//
// Both follow redirects and can be abandoned with Abort().
#pragma once

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace nubra {

// The message of a fetch abandoned with TIdHTTP::Abort().
inline constexpr std::string_view kAbortedMessage = "Op\xE9ration annul\xE9" "e.";

class EHttpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    // An answer that was no success: the status line as the message, the
    // status code, and for a 400 the body, where a service may say why it
    // refused the request.
    EHttpError(const std::string& statusLine, int status, std::string body)
        : std::runtime_error(statusLine), status_(status),
          body_(std::make_shared<const std::string>(std::move(body)))
    {
    }

    // 0 when the failure was no answer (no connection, a cut, an abort).
    int Status() const noexcept { return status_; }
    // Whether the fetch was abandoned with TIdHTTP::Abort().
    bool Abandoned() const noexcept { return status_ == 0 && what() == kAbortedMessage; }
    const std::string& Body() const noexcept
    {
        static const std::string none;
        return body_ ? *body_ : none;
    }

private:
    int status_ = 0;
    std::shared_ptr<const std::string> body_;  // shared: copying an exception must not throw
};

// How long a live fetch waits: for its connection (name look-up and TCP
// connection together), and for each next byte of the server once
// connected (the TLS handshake included).
struct THttpTimeLimits {
    std::chrono::milliseconds Connect;
    std::chrono::milliseconds Silence;
};

inline constexpr std::chrono::seconds kLiveConnectTimeout{15};
inline constexpr std::chrono::seconds kLiveSilenceTimeout{30};

class TIdHTTP {
public:
    TIdHTTP();
    virtual ~TIdHTTP();
    TIdHTTP(const TIdHTTP&) = delete;
    TIdHTTP& operator=(const TIdHTTP&) = delete;

    // GET the "http://" address `url` as the historic services expect it;
    // the body of the final answer (empty when it is empty). Throws
    // EHttpError; an https address, which a redirect may bring, fails with
    // "Valeur IOHandler incorrecte".
    virtual std::string FetchPage(const std::string& url);

    // GET the "https://" or "http://" address `url` of a live service; the
    // body of the final answer. Throws EHttpError.
    virtual std::string FetchLive(const std::string& url);

    // The limits of the live fetches; kLiveConnectTimeout and
    // kLiveSilenceTimeout unless changed.
    void SetLiveTimeLimits(THttpTimeLimits limits);

    // Abandons the fetch in progress, from any thread: the fetch then
    // throws EHttpError(kAbortedMessage). Harmless when idle.
    void Abort();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The TLS library the client was built with, as it names itself
// ("OpenSSL 3.0.x ...").
std::string TlsLibraryVersion();

} // namespace nubra
