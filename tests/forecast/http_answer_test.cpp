// Reading one answer from in-memory bytes: the body rules, every split of
// an answer into reads, and hostile answers that must end with a message
// instead of a crash or unbounded memory.
#include "http_answer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace nubra {
namespace {

// Hands out the first `split` bytes in one read, then the rest.
class SplitSource : public THttpByteSource {
public:
    SplitSource(std::string data, std::size_t split) : data_(std::move(data)), split_(split) {}
    std::size_t ReadSome(char* buffer, std::size_t size) override
    {
        const std::size_t limit = pos_ < split_ ? split_ : data_.size();
        const std::size_t n = std::min(size, limit - pos_);
        std::memcpy(buffer, data_.data() + pos_, n);
        pos_ += n;
        return n;
    }

private:
    std::string data_;
    std::size_t split_;
    std::size_t pos_ = 0;
};

// An endless run of one byte after a fixed head.
class EndlessSource : public THttpByteSource {
public:
    EndlessSource(std::string head, char fill) : head_(std::move(head)), fill_(fill) {}
    std::size_t ReadSome(char* buffer, std::size_t size) override
    {
        if (pos_ < head_.size()) {
            const std::size_t n = std::min(size, head_.size() - pos_);
            std::memcpy(buffer, head_.data() + pos_, n);
            pos_ += n;
            return n;
        }
        std::memset(buffer, fill_, size);
        served_ += size;
        return size;
    }
    std::uint64_t served_ = 0;

private:
    std::string head_;
    char fill_;
    std::size_t pos_ = 0;
};

std::string failureOf(const std::string& answer)
{
    try {
        TMemoryByteSource source(answer);
        ReadHttpAnswer(source);
    } catch (const EHttpError& e) {
        return e.what();
    }
    return "(no error)";
}

struct Expected {
    const char* description;
    std::string answer;
    int status;
    std::string body;
    bool delimited;
};

const Expected kAnswers[] = {
    {"content length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", 200, "hello", true},
    {"bare LF lines", "HTTP/1.1 200 OK\nContent-Length: 2\n\nhi", 200, "hi", true},
    {"short at close", "HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nhello", 200, "hello", false},
    {"chunked with extension and trailer",
     "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, Chunked\r\n\r\n5;name=\"v\"\r\nhello\r\n1a\r\n abcdefghijklmnopqrstuvwxy\r\n0\r\nExpires: never\r\n\r\n",
     200, "hello abcdefghijklmnopqrstuvwxy", true},
    {"chunked closed after last chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n0\r\n", 200,
     "ab", false},
    {"content length wins over chunked",
     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 6\r\n\r\n3\r\nabc", 200, "3\r\nabc", true},
    {"zero length", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", 200, "", true},
    {"same length twice", "HTTP/1.1 200 OK\r\nContent-Length: 2, 2\r\ncontent-length: 2\r\n\r\nok", 200, "ok", true},
    {"to the close", "HTTP/1.1 200 OK\r\nServer: x\r\n\r\nall of it\r\n", 200, "all of it\r\n", false},
    {"204 has no body", "HTTP/1.1 204 No Content\r\nContent-Length: 10\r\n\r\n", 204, "", true},
    {"interim 100 skipped", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 100 Continue\r\nA: b\r\n\r\nHTTP/1.1 201 Created\r\nContent-Length: 1\r\n\r\nx",
     201, "x", true},
    {"folded header", "HTTP/1.1 200 OK\r\nX-A: one\r\n two\r\nContent-Length: 1\r\n\r\n!", 200, "!", true},
    {"HTTP/1.0 without reason", "HTTP/1.0 404\r\n\r\nnot here", 404, "not here", false},
};

// Every answer gives the same result however its bytes are split into reads.
TEST(ReadHttpAnswer, SameResultAtEverySplit)
{
    for (const Expected& e : kAnswers) {
        for (std::size_t split = 0; split <= e.answer.size(); ++split) {
            SplitSource source(e.answer, split);
            const THttpAnswer a = ReadHttpAnswer(source);
            ASSERT_EQ(a.Head.Status, e.status) << e.description << " split " << split;
            ASSERT_EQ(a.Body, e.body) << e.description << " split " << split;
            ASSERT_EQ(a.Delimited, e.delimited) << e.description << " split " << split;
        }
        TMemoryByteSource byteByByte(e.answer, 1);
        EXPECT_EQ(ReadHttpAnswer(byteByByte).Body, e.body) << e.description;
    }
}

TEST(ReadHttpAnswer, HeadKeepsStatusLineAndHeaders)
{
    TMemoryByteSource source("HTTP/1.1 302 Moved  Temporarily\r\nLocation:   /x?y  \r\nSet-Cookie: a=1\r\n"
                             "set-cookie: b=2\r\nbroken line\r\n\r\n");
    THttpAnswerReader reader(source);
    const THttpHead head = reader.ReadHead();
    EXPECT_EQ(head.StatusLine, "HTTP/1.1 302 Moved  Temporarily");
    EXPECT_EQ(head.Status, 302);
    EXPECT_TRUE(head.Http11);
    ASSERT_NE(head.Find("LOCATION"), nullptr);
    EXPECT_EQ(*head.Find("LOCATION"), "/x?y");
    ASSERT_EQ(head.FindAll("Set-Cookie").size(), 2u);
    EXPECT_EQ(*head.FindAll("Set-Cookie")[1], "b=2");
    EXPECT_EQ(head.Find("broken line"), nullptr);
}

TEST(ReadHttpAnswer, DiscardedBodyKeepsTheConnectionInStep)
{
    TMemoryByteSource source("HTTP/1.1 301 Moved\r\nContent-Length: 4\r\n\r\nskipHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    THttpAnswerReader reader(source);
    const THttpHead first = reader.ReadHead();
    EXPECT_TRUE(reader.ReadBody(first, nullptr));
    const THttpHead second = reader.ReadHead();
    std::string body;
    EXPECT_TRUE(reader.ReadBody(second, &body));
    EXPECT_EQ(body, "ok");
    EXPECT_FALSE(reader.HasBufferedBytes());
}

TEST(ReadHttpAnswer, LineLengthLimit)
{
    const std::string atLimit = "X-Lon: " + std::string(THttpLimits::kMaxLineLength - 7, 'v');
    ASSERT_EQ(atLimit.size(), THttpLimits::kMaxLineLength);
    EXPECT_EQ(failureOf("HTTP/1.1 200 OK\r\n" + atLimit + "\r\nContent-Length: 0\r\n\r\n"), "(no error)");
    EXPECT_EQ(failureOf("HTTP/1.1 200 OK\r\n" + atLimit + "v\r\n\r\n"), http_message::kLineTooLong);
    EXPECT_EQ(failureOf("HTTP/1.1 200 " + std::string(THttpLimits::kMaxLineLength, 'O') + "\r\n\r\n"),
              http_message::kLineTooLong);
    // A line that never ends is refused once it is too long, not at the close.
    EndlessSource endless("HTTP/1.1 200 OK\r\nX: ", 'a');
    EXPECT_THROW(ReadHttpAnswer(endless), EHttpError);
    EXPECT_LT(endless.served_, 1u << 20);
}

TEST(ReadHttpAnswer, HostileAnswersEndWithAMessage)
{
    const std::pair<std::string, const char*> cases[] = {
        {"", http_message::kClosed},
        {"HTTP/1.1 200 OK\r\nContent-Length: 1", http_message::kClosed},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab", http_message::kClosed},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabcde", http_message::kClosed},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n8000000000000000\r\nab", http_message::kBodyTooLarge},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFFFFFFFFFF\r\n", http_message::kBodyTooLarge},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nab\r\n0\r\n\r\n", http_message::kBadChunk},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n\r\n", http_message::kBadChunk},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n-1\r\n", http_message::kBadChunk},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n0\r\n\r\n", http_message::kBadChunk},
        {"HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\nabc", http_message::kBadContentLength},
        {"HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\nabcd", http_message::kBadContentLength},
        {"HTTP/1.1 200 OK\r\nContent-Length: 3, 4\r\n\r\nabcd", http_message::kBadContentLength},
        {"HTTP/1.1 200 OK\r\nContent-Length: 0x10\r\n\r\nabcd", http_message::kBadContentLength},
        {"HTTP/1.1 200 OK\r\nContent-Length:\r\n\r\nabcd", http_message::kBadContentLength},
        {"HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\nabcd", http_message::kBodyTooLarge},
        {"HTTP/1.1 200 OK\r\nContent-Length: 67108865\r\n\r\nabcd", http_message::kBodyTooLarge},
        {"<html>no status line</html>\r\n\r\n", http_message::kBadStatusLine},
        {"HTTP/1.1 2000 OK\r\n\r\n", http_message::kBadStatusLine},
        {"HTTP/x 200 OK\r\n\r\n", http_message::kBadStatusLine},
    };
    for (const auto& [answer, message] : cases)
        EXPECT_EQ(failureOf(answer), message) << answer.substr(0, 80);

    std::string manyHeaders = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 100000; ++i)
        manyHeaders += "X-H: 1\r\n";
    EXPECT_EQ(failureOf(manyHeaders + "\r\n"), http_message::kTooManyHeaders);

    std::string manyInterims;
    for (int i = 0; i < 1000; ++i)
        manyInterims += "HTTP/1.1 100 Continue\r\n\r\n";
    EXPECT_EQ(failureOf(manyInterims), http_message::kTooManyInterim);
}

TEST(ReadHttpAnswer, EndlessBodiesStopAtTheLimit)
{
    EndlessSource toClose("HTTP/1.1 200 OK\r\n\r\n", 'x');
    try {
        ReadHttpAnswer(toClose);
        ADD_FAILURE() << "an endless body was accepted";
    } catch (const EHttpError& e) {
        EXPECT_STREQ(e.what(), http_message::kBodyTooLarge);
    }
    EXPECT_LE(toClose.served_, THttpLimits::kMaxBodySize + 2 * 16384);

    // Discarding stops at the limit too, without an error: the caller drops
    // the connection.
    EndlessSource discarded("HTTP/1.1 404 Not Found\r\n\r\n", 'x');
    THttpAnswerReader reader(discarded);
    const THttpHead head = reader.ReadHead();
    EXPECT_FALSE(reader.ReadBody(head, nullptr));
    EXPECT_LE(discarded.served_, THttpLimits::kMaxBodySize + 2 * 16384);
}

} // namespace
} // namespace nubra
