// The HTTP/1.1 client every forecast page is read with. One operation,
// FetchPage: a GET of an absolute "http://" address that returns the body of
// the final answer, byte for byte. Redirects are followed, cookies are kept
// in memory for the client's life, and every failure is raised as
// EHttpError carrying the French message the user is shown.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

namespace nubra {

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
    const std::string& Body() const noexcept
    {
        static const std::string none;
        return body_ ? *body_ : none;
    }

private:
    int status_ = 0;
    std::shared_ptr<const std::string> body_;  // shared: copying an exception must not throw
};

class TIdHTTP {
public:
    TIdHTTP();
    virtual ~TIdHTTP();
    TIdHTTP(const TIdHTTP&) = delete;
    TIdHTTP& operator=(const TIdHTTP&) = delete;

    // GET `url`; the body of the final answer (empty when it is empty).
    // Throws EHttpError.
    virtual std::string FetchPage(const std::string& url);

    // Abandons the fetch in progress, from any thread: FetchPage then
    // throws EHttpError("Opération annulée."). Harmless when idle.
    void Abort();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace nubra
