// Reading one HTTP/1.1 answer (status line, headers, body) from a byte
// source. The reader never touches a socket: the client hands it a source
// over its connection, tests and the fuzz target hand it bytes in memory.
//
// Every failure is raised as EHttpError with the message the user is shown
// (Windows-1252).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "http.h"

namespace nubra {

// Limits that keep a misbehaving server from exhausting memory.
struct THttpLimits {
    // A status or header line longer than this (line break excluded) ends
    // the fetch.
    static constexpr std::size_t kMaxLineLength = 16384;
    // Header lines in one answer (interim answers counted separately).
    static constexpr std::size_t kMaxHeaderCount = 1000;
    // Interim "100 Continue" answers before the real one.
    static constexpr std::size_t kMaxInterimAnswers = 100;
    // Body bytes kept from one answer. A discarded body (redirect, error)
    // is read up to this much and the connection dropped after that.
    static constexpr std::size_t kMaxBodySize = std::size_t{64} << 20;
};

// The messages of the failures found while reading an answer.
namespace http_message {
inline constexpr const char* kClosed = "La connexion s'est termin\xE9" "e proprement.";
inline constexpr const char* kLineTooLong = "Longueur de ligne maximum d\xE9pass\xE9" "e.";
inline constexpr const char* kTooManyHeaders = "Trop d'en-t\xEAtes dans la r\xE9ponse du serveur.";
inline constexpr const char* kTooManyInterim = "Trop de r\xE9ponses interm\xE9" "diaires 100 du serveur.";
inline constexpr const char* kBadContentLength = "Longueur de contenu invalide dans la r\xE9ponse du serveur.";
inline constexpr const char* kBadChunk = "Taille de bloc invalide dans la r\xE9ponse du serveur.";
inline constexpr const char* kBodyTooLarge = "La r\xE9ponse du serveur d\xE9passe la taille maximum de 64 Mio.";
inline constexpr const char* kBadStatusLine = "R\xE9ponse du serveur invalide.";
} // namespace http_message

// Where the reader takes its bytes from.
class THttpByteSource {
public:
    virtual ~THttpByteSource() = default;
    // Up to `size` bytes into `buffer`; 0 when the peer has closed the
    // connection. Throws EHttpError on a transport failure.
    virtual std::size_t ReadSome(char* buffer, std::size_t size) = 0;
};

// A byte source over a string, handing out at most `step` bytes per read
// (to exercise every split of an answer).
class TMemoryByteSource : public THttpByteSource {
public:
    explicit TMemoryByteSource(std::string data, std::size_t step = SIZE_MAX)
        : data_(std::move(data)), step_(step == 0 ? 1 : step) {}
    std::size_t ReadSome(char* buffer, std::size_t size) override;

private:
    std::string data_;
    std::size_t step_;
    std::size_t pos_ = 0;
};

struct THttpHead {
    std::string StatusLine;  // as received, line break removed
    int Status = 0;          // 0 when the status line holds no status code
    bool Http11 = false;     // the answer's version is HTTP/1.1 or later
    std::vector<std::pair<std::string, std::string>> Headers;  // in order, values trimmed

    // The first value of header `name` (case-insensitive), or nullptr.
    const std::string* Find(std::string_view name) const;
    // Every value of header `name`, in order.
    std::vector<const std::string*> FindAll(std::string_view name) const;
};

class THttpAnswerReader {
public:
    explicit THttpAnswerReader(THttpByteSource& source) : source_(source) {}

    // Reads the status line and headers, skipping interim 100 answers.
    THttpHead ReadHead();

    // Reads the body of the answer `head` by the rules below; appends it to
    // `*body`, or throws it away when `body` is null. Returns true when the
    // end of the body was marked (length reached, last chunk, no body), so
    // the connection could carry another answer; false when it ran to the
    // close or was cut short.
    //   - 204 and 304: no body.
    //   - Content-Length 1 or more: that many bytes; fewer at the close are
    //     returned without an error.
    //   - otherwise Transfer-Encoding with "chunked": chunked coding; a close
    //     inside it is an error.
    //   - otherwise Content-Length 0: no body.
    //   - otherwise: up to the close.
    bool ReadBody(const THttpHead& head, std::string* body);

    // Bytes received but not yet consumed.
    bool HasBufferedBytes() const { return start_ < buffer_.size(); }
    // Any byte came from the source at all.
    bool ReceivedAnything() const { return received_ > 0; }

private:
    // One line without its line break (LF, or CR LF); false at a close
    // before any byte of the line. Throws when the line is too long or the
    // close cuts it.
    bool readLine(std::string& line);
    bool fill();  // more bytes into the buffer; false at the close
    std::size_t takeBytes(std::size_t wanted, std::string* sink);
    bool readHeaders(THttpHead& head);
    bool readChunked(std::string* body);

    THttpByteSource& source_;
    std::string buffer_;
    std::size_t start_ = 0;  // first unconsumed byte of buffer_
    std::uint64_t received_ = 0;
};

// Reads one whole answer, its body kept: the entry point of tests and of
// the fuzz target.
struct THttpAnswer {
    THttpHead Head;
    std::string Body;
    bool Delimited = false;
};
THttpAnswer ReadHttpAnswer(THttpByteSource& source);

} // namespace nubra
