// Reading an HTTP answer (status line, headers, chunked and length-delimited
// bodies) from arbitrary bytes, handed over in pieces of a size chosen by
// byte 0; then the cookie headers of the answer go into a store, and the
// Location header is resolved as a redirect would be.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cookies.h"
#include "http_answer.h"
#include "url.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nubra;
    if (size < 1)
        return 0;
    const std::size_t step = data[0] == 0 ? SIZE_MAX : data[0];
    TMemoryByteSource source(std::string(reinterpret_cast<const char*>(data + 1), size - 1), step);
    THttpAnswerReader reader(source);
    try {
        const THttpHead head = reader.ReadHead();
        TUrl url;
        ParseUrl("http://www.example.com:8080/a/b?c=d", url);
        TCookieStore store;
        const std::int64_t now = 1'800'000'000;
        for (const std::string* v : head.FindAll("Set-Cookie"))
            store.SetCookie(*v, url, now);
        for (const std::string* v : head.FindAll("Set-Cookie2"))
            store.SetCookie2(*v, url, now);
        (void)store.CookieHeader(url, now);
        if (const std::string* location = head.Find("Location")) {
            TUrl next;
            (void)ParseUrl(ResolveReference("http://www.example.com:8080/a/b?c=d", *location), next);
        }
        std::string body;
        (void)reader.ReadBody(head, &body);
    } catch (const EHttpError&) {
    }
    return 0;
}
