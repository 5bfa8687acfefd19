// One HTTP/1.1 answer read from a byte source (RFC 9112), with the body
// rules of this client:
//
//   HTTP/1.1 200 OK\r\n                  status line, kept as received
//   Transfer-Encoding: chunked\r\n       headers, values trimmed
//   \r\n
//   5\r\nhello\r\n0\r\n\r\n              body "hello"
//
// Lines end with LF, optionally preceded by CR. Every read is bounded: a
// line by THttpLimits::kMaxLineLength, the headers by kMaxHeaderCount lines,
// a kept body by kMaxBodySize.
#include "http_answer.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "ascii.h"

namespace nubra {
namespace {

constexpr std::size_t kReadChunk = 16384;

using ascii::isDigit;
using ascii::equalsIgnoreCase;
using ascii::hexValue;
using ascii::trim;

bool containsIgnoreCase(std::string_view text, std::string_view word)
{
    if (word.size() > text.size())
        return false;
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i)
        if (equalsIgnoreCase(text.substr(i, word.size()), word))
            return true;
    return false;
}

[[noreturn]] void fail(const char* message)
{
    throw EHttpError(message);
}

// "HTTP/1.1 404 Not Found": version, then a three-digit code standing alone.
void parseStatusLine(THttpHead& head)
{
    const std::string_view line = head.StatusLine;
    if (line.size() < 12 || line.substr(0, 5) != "HTTP/")
        return;
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos)
        return;
    const std::string_view version = line.substr(5, space - 5);
    const std::size_t dot = version.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 >= version.size()
        || !std::all_of(version.begin(), version.begin() + dot, isDigit)
        || !std::all_of(version.begin() + dot + 1, version.end(), isDigit))
        return;
    const std::size_t codeAt = line.find_first_not_of(' ', space);
    if (codeAt == std::string_view::npos || codeAt + 3 > line.size())
        return;
    const std::string_view code = line.substr(codeAt, 3);
    if (!std::all_of(code.begin(), code.end(), isDigit) || code[0] == '0')
        return;
    if (codeAt + 3 < line.size() && line[codeAt + 3] != ' ')
        return;
    head.Status = (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
    auto number = [](std::string_view digits) {
        int n = 0;
        for (const char d : digits)
            n = std::min(n * 10 + (d - '0'), 1000);
        return n;
    };
    const int major = number(version.substr(0, dot));
    const int minor = number(version.substr(dot + 1));
    head.Http11 = major > 1 || (major == 1 && minor >= 1);
}

// The Content-Length of the answer: nullopt when there is none; throws when
// the values are not all one and the same decimal number. A value too big
// for 64 bits saturates (it is refused later as too large anyway).
std::optional<std::uint64_t> contentLength(const THttpHead& head)
{
    std::optional<std::uint64_t> length;
    for (const std::string* value : head.FindAll("content-length")) {
        std::string_view rest = *value;
        do {  // "5, 5" is the same length given twice
            const std::size_t comma = rest.find(',');
            const std::string_view item = trim(rest.substr(0, comma));
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
            if (item.empty() || !std::all_of(item.begin(), item.end(), isDigit))
                fail(http_message::kBadContentLength);
            std::uint64_t n = 0;
            for (const char d : item)
                n = n > (UINT64_MAX - 9) / 10 ? UINT64_MAX : n * 10 + static_cast<unsigned>(d - '0');
            if (length && *length != n)
                fail(http_message::kBadContentLength);
            length = n;
        } while (!rest.empty());
    }
    return length;
}

} // namespace

std::size_t TMemoryByteSource::ReadSome(char* buffer, std::size_t size)
{
    const std::size_t n = std::min({size, step_, data_.size() - pos_});
    std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return n;
}

const std::string* THttpHead::Find(std::string_view name) const
{
    for (const auto& [key, value] : Headers)
        if (equalsIgnoreCase(key, name))
            return &value;
    return nullptr;
}

std::vector<const std::string*> THttpHead::FindAll(std::string_view name) const
{
    std::vector<const std::string*> values;
    for (const auto& [key, value] : Headers)
        if (equalsIgnoreCase(key, name))
            values.push_back(&value);
    return values;
}

bool THttpAnswerReader::fill()
{
    // Only a line in progress (at most kMaxLineLength + 1 bytes) or a few
    // body bytes are ever kept, so moving them down is cheap.
    buffer_.erase(0, start_);
    start_ = 0;
    const std::size_t old = buffer_.size();
    buffer_.resize(old + kReadChunk);
    const std::size_t n = source_.ReadSome(buffer_.data() + old, kReadChunk);
    buffer_.resize(old + n);
    received_ += n;
    return n > 0;
}

bool THttpAnswerReader::readLine(std::string& line)
{
    std::size_t scanned = start_;
    for (;;) {
        const std::size_t lf = buffer_.find('\n', scanned);
        if (lf != std::string::npos) {
            std::size_t length = lf - start_;
            if (length > 0 && buffer_[lf - 1] == '\r')
                --length;
            if (length > THttpLimits::kMaxLineLength)
                fail(http_message::kLineTooLong);
            line.assign(buffer_, start_, length);
            start_ = lf + 1;
            return true;
        }
        // Room for the longest allowed line and its CR; anything more is
        // too long whatever comes next.
        if (buffer_.size() - start_ > THttpLimits::kMaxLineLength + 1)
            fail(http_message::kLineTooLong);
        const bool partial = buffer_.size() > start_;
        scanned = buffer_.size() - start_;  // fill() moves the line to offset 0
        if (!fill()) {
            if (partial)
                fail(http_message::kClosed);
            return false;
        }
    }
}

std::size_t THttpAnswerReader::takeBytes(std::size_t wanted, std::string* sink)
{
    std::size_t taken = 0;
    while (taken < wanted) {
        if (start_ == buffer_.size() && !fill())
            break;
        const std::size_t n = std::min(wanted - taken, buffer_.size() - start_);
        if (sink)
            sink->append(buffer_, start_, n);
        start_ += n;
        taken += n;
    }
    return taken;
}

bool THttpAnswerReader::readHeaders(THttpHead& head)
{
    std::string line;
    for (std::size_t count = 0;; ++count) {
        if (!readLine(line))
            return false;
        if (line.empty())
            return true;
        if (count >= THttpLimits::kMaxHeaderCount)
            fail(http_message::kTooManyHeaders);
        if ((line.front() == ' ' || line.front() == '\t') && !head.Headers.empty()) {
            // An old-style folded line continues the previous value.
            std::string& value = head.Headers.back().second;
            if (value.size() + line.size() > THttpLimits::kMaxLineLength)
                fail(http_message::kLineTooLong);
            value += ' ';
            value += trim(line);
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;  // not a header; nothing to learn from it
        head.Headers.emplace_back(std::string(trim(std::string_view(line).substr(0, colon))),
                                  std::string(trim(std::string_view(line).substr(colon + 1))));
    }
}

THttpHead THttpAnswerReader::ReadHead()
{
    for (std::size_t interim = 0;; ++interim) {
        THttpHead head;
        if (!readLine(head.StatusLine))
            fail(http_message::kClosed);
        parseStatusLine(head);
        if (head.Status == 0)
            fail(http_message::kBadStatusLine);
        if (!readHeaders(head))
            fail(http_message::kClosed);
        if (head.Status != 100)
            return head;
        if (interim + 1 >= THttpLimits::kMaxInterimAnswers)
            fail(http_message::kTooManyInterim);
    }
}

bool THttpAnswerReader::ReadBody(const THttpHead& head, std::string* body)
{
    if (head.Status == 204 || head.Status == 304 || (head.Status >= 100 && head.Status < 200))
        return true;
    const std::optional<std::uint64_t> length = contentLength(head);
    if (length && *length >= 1) {
        if (*length > THttpLimits::kMaxBodySize) {
            if (body)
                fail(http_message::kBodyTooLarge);
            takeBytes(THttpLimits::kMaxBodySize, nullptr);
            return false;
        }
        if (body)
            body->reserve(body->size() + static_cast<std::size_t>(std::min<std::uint64_t>(*length, 1 << 20)));
        return takeBytes(static_cast<std::size_t>(*length), body) == *length;
    }
    for (const std::string* te : head.FindAll("transfer-encoding"))
        if (containsIgnoreCase(*te, "chunked"))
            return readChunked(body);
    if (length)
        return true;  // Content-Length: 0
    // Up to the close.
    if (body) {
        if (takeBytes(THttpLimits::kMaxBodySize + 1, body) > THttpLimits::kMaxBodySize)
            fail(http_message::kBodyTooLarge);
    } else {
        takeBytes(THttpLimits::kMaxBodySize, nullptr);
    }
    return false;
}

// chunk = chunk-size [ chunk-ext ] CRLF chunk-data CRLF, ended by a chunk
// of size 0 and optional trailer lines up to an empty line.
bool THttpAnswerReader::readChunked(std::string* body)
{
    std::uint64_t total = 0;
    std::string line;
    for (;;) {
        if (!readLine(line))
            fail(http_message::kClosed);
        const std::string_view sizeText = trim(std::string_view(line).substr(0, line.find(';')));
        if (sizeText.empty())
            fail(http_message::kBadChunk);
        std::uint64_t size = 0;
        for (const char c : sizeText) {
            const int v = hexValue(c);
            if (v < 0)
                fail(http_message::kBadChunk);
            size = size > (UINT64_MAX >> 4) ? UINT64_MAX : (size << 4) | static_cast<unsigned>(v);
        }
        if (size == 0)
            break;
        if (size > THttpLimits::kMaxBodySize - total) {
            if (body)
                fail(http_message::kBodyTooLarge);
            return false;  // discarding: give up on this connection
        }
        if (takeBytes(static_cast<std::size_t>(size), body) < size)
            fail(http_message::kClosed);
        total += size;
        if (!readLine(line))
            fail(http_message::kClosed);
        if (!line.empty())
            fail(http_message::kBadChunk);
    }
    // Trailer lines are read and ignored; a close right after the last
    // chunk loses nothing of the body.
    THttpHead trailers;
    return readHeaders(trailers);
}

THttpAnswer ReadHttpAnswer(THttpByteSource& source)
{
    THttpAnswerReader reader(source);
    THttpAnswer answer;
    answer.Head = reader.ReadHead();
    answer.Delimited = reader.ReadBody(answer.Head, &answer.Body) && !reader.HasBufferedBytes();
    return answer;
}

} // namespace nubra
