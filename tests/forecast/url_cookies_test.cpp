// Address splitting, redirect resolution and the cookie store.
#include "cookies.h"
#include "url.h"

#include <gtest/gtest.h>

#include <string>

namespace nubra {
namespace {

TEST(ParseUrl, SplitsHostPortAndTarget)
{
    TUrl u;
    ASSERT_EQ(ParseUrl("http://Meteo.Example.org/a/b?x=1&y=2#frag", u), TUrlError::None);
    EXPECT_EQ(u.Scheme, "http");
    EXPECT_EQ(u.Host, "meteo.example.org");
    EXPECT_EQ(u.Port, 80);
    EXPECT_EQ(u.Target, "/a/b?x=1&y=2");
    EXPECT_EQ(u.Path(), "/a/b");
    EXPECT_EQ(u.HostHeader(), "meteo.example.org");

    ASSERT_EQ(ParseUrl("HTTP://user:pw@127.0.0.1:8080", u), TUrlError::None);
    EXPECT_EQ(u.Host, "127.0.0.1");
    EXPECT_EQ(u.Port, 8080);
    EXPECT_EQ(u.Target, "/");
    EXPECT_EQ(u.HostHeader(), "127.0.0.1:8080");

    ASSERT_EQ(ParseUrl("http://[::1]:81/x", u), TUrlError::None);
    EXPECT_TRUE(u.Ipv6);
    EXPECT_EQ(u.Host, "::1");
    EXPECT_EQ(u.HostHeader(), "[::1]:81");

    ASSERT_EQ(ParseUrl("http://h:80/", u), TUrlError::None);
    EXPECT_EQ(u.HostHeader(), "h");
    ASSERT_EQ(ParseUrl("http://h:/", u), TUrlError::None);
    EXPECT_EQ(u.Port, 80);

    ASSERT_EQ(ParseUrl("https://h/x", u), TUrlError::None);
    EXPECT_EQ(u.Scheme, "https");
    EXPECT_EQ(u.Port, 443);
}

TEST(ParseUrl, EscapesWhatWouldBreakTheRequestLine)
{
    TUrl u;
    ASSERT_EQ(ParseUrl("http://h/a b/\xE9t\xE9?q=\r\nX: y", u), TUrlError::None);
    EXPECT_EQ(u.Target, "/a%20b/%E9t%E9?q=%0D%0AX:%20y");
    ASSERT_EQ(ParseUrl("http://h/a/./b/../../c", u), TUrlError::None);
    EXPECT_EQ(u.Target, "/c");
}

TEST(ParseUrl, RefusesBrokenAddresses)
{
    const std::pair<std::string, TUrlError> cases[] = {
        {"/relative", TUrlError::NotAbsolute},
        {"http:/one-slash", TUrlError::NotAbsolute},
        {"ftp://h/", TUrlError::UnsupportedScheme},
        {"http://", TUrlError::BadHost},
        {"http:///path", TUrlError::BadHost},
        {"http://:80/", TUrlError::BadHost},
        {"http://a b/", TUrlError::BadHost},
        {"http://h\r\nX: y/", TUrlError::BadHost},
        {"http://[::1/", TUrlError::BadHost},
        {"http://" + std::string(300, 'a') + "/", TUrlError::BadHost},
        {"http://h:0/", TUrlError::BadPort},
        {"http://h:65536/", TUrlError::BadPort},
        {"http://h:99999999999999999999/", TUrlError::BadPort},
        {"http://h:8o/", TUrlError::BadPort},
    };
    for (const auto& [address, error] : cases) {
        TUrl u;
        EXPECT_EQ(ParseUrl(address, u), error) << address;
    }
}

// The examples of RFC 3986 section 5.4.
TEST(ResolveReference, StandardExamples)
{
    const std::string base = "http://a/b/c/d;p?q";
    const std::pair<std::string, std::string> cases[] = {
        {"g:h", "g:h"},           {"g", "http://a/b/c/g"},      {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"}, {"/g", "http://a/g"},         {"//g", "http://g"},
        {"?y", "http://a/b/c/d;p?y"}, {"g?y", "http://a/b/c/g?y"}, {"#s", "http://a/b/c/d;p?q"},
        {"g#s", "http://a/b/c/g"}, {";x", "http://a/b/c/;x"},    {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},    {"./", "http://a/b/c/"},      {"..", "http://a/b/"},
        {"../", "http://a/b/"},    {"../g", "http://a/b/g"},     {"../..", "http://a/"},
        {"../../g", "http://a/g"}, {"../../../g", "http://a/g"}, {"/./g", "http://a/g"},
        {"/../g", "http://a/g"},   {"g.", "http://a/b/c/g."},    {"..g", "http://a/b/c/..g"},
        {"./../g", "http://a/b/g"}, {"g/./h", "http://a/b/c/g/h"}, {"g;x=1/../y", "http://a/b/c/y"},
        {"  /g  ", "http://a/g"},  {"http://other:81/x", "http://other:81/x"},
        {"https://h/", "https://h/"},
    };
    for (const auto& [reference, target] : cases)
        EXPECT_EQ(ResolveReference(base, reference), target) << reference;
    EXPECT_EQ(ResolveReference("http://h", "x"), "http://h/x");
}

constexpr std::int64_t kNow = 1'800'000'000;

TUrl url(const std::string& address)
{
    TUrl u;
    EXPECT_EQ(ParseUrl(address, u), TUrlError::None) << address;
    return u;
}

TEST(CookieStore, HostOnlyDomainAndPathMatching)
{
    TCookieStore store;
    store.SetCookie("host=1", url("http://www.meteo.fr/prev/ville.php"), kNow);
    store.SetCookie("dom=2; Domain=.meteo.fr; Path=/", url("http://www.meteo.fr/"), kNow);
    store.SetCookie("deep=3; Path=/prev/ville", url("http://www.meteo.fr/"), kNow);

    EXPECT_EQ(store.CookieHeader(url("http://www.meteo.fr/prev/ville/x"), kNow), "deep=3; host=1; dom=2");
    // host=1 took the default path "/prev".
    EXPECT_EQ(store.CookieHeader(url("http://www.meteo.fr/"), kNow), "dom=2");
    EXPECT_EQ(store.CookieHeader(url("http://www.meteo.fr/prevision"), kNow), "dom=2");
    // Host-only stays on its host; the domain cookie reaches subdomains.
    EXPECT_EQ(store.CookieHeader(url("http://meteo.fr/prev/a"), kNow), "dom=2");
    EXPECT_EQ(store.CookieHeader(url("http://a.b.meteo.fr/prev"), kNow), "dom=2");
    EXPECT_EQ(store.CookieHeader(url("http://xmeteo.fr/"), kNow), "");
    EXPECT_EQ(store.CookieHeader(url("http://www.meteo.fr:8080/prev/"), kNow), "host=1; dom=2");
}

TEST(CookieStore, RefusesForeignAndPublicDomains)
{
    TCookieStore store;
    const TUrl from = url("http://www.meteo.fr/");
    store.SetCookie("a=1; Domain=fr", from, kNow);
    store.SetCookie("b=1; Domain=.other.fr", from, kNow);
    store.SetCookie("c=1; Domain=w.meteo.fr", from, kNow);
    store.SetCookie("d=1; Domain=www.meteo.fr.evil", from, kNow);
    store.SetCookie("e=1; Domain=co.uk", url("http://x.co.uk/"), kNow);
    store.SetCookie("f=1; Domain=qc.ca", url("http://meteo.qc.ca/"), kNow);
    store.SetCookie("g=1; Domain=0.0.1", url("http://127.0.0.1/"), kNow);
    EXPECT_EQ(store.Size(), 0u);

    // An IP host keeps cookies naming it exactly; a public-suffix host
    // (e.g. a registry's own site) keeps them as host-only.
    store.SetCookie("ip=1; Domain=127.0.0.1", url("http://127.0.0.1/"), kNow);
    store.SetCookie("reg=1; Domain=gouv.fr", url("http://gouv.fr/"), kNow);
    EXPECT_EQ(store.CookieHeader(url("http://127.0.0.1/x"), kNow), "ip=1");
    EXPECT_EQ(store.CookieHeader(url("http://gouv.fr/x"), kNow), "reg=1");
    EXPECT_EQ(store.CookieHeader(url("http://x.gouv.fr/x"), kNow), "");
}

TEST(CookieStore, ExpiryFromMaxAgeAndExpires)
{
    TCookieStore store;
    const TUrl u = url("http://h.example/");
    store.SetCookie("m=1; Max-Age=100; Expires=Thu, 01 Jan 1970 00:00:00 GMT", u, kNow);  // Max-Age wins
    store.SetCookie("e=1; Expires=Wed, 09 Jun 2100 10:18:14 GMT", u, kNow);
    store.SetCookie("s=1", u, kNow);
    EXPECT_EQ(store.CookieHeader(u, kNow), "m=1; e=1; s=1");
    EXPECT_EQ(store.CookieHeader(u, kNow + 100), "e=1; s=1");

    // Deleting by a date in the past, or by Max-Age 0 or negative.
    store.SetCookie("e=x; Expires=Sun, 06 Nov 1994 08:49:37 GMT", u, kNow);
    store.SetCookie("s=x; Max-Age=0", u, kNow);
    EXPECT_EQ(store.CookieHeader(u, kNow), "");
    store.SetCookie("n=1", u, kNow);
    store.SetCookie("n=gone; Max-Age=-5", u, kNow);
    EXPECT_EQ(store.Size(), 0u);

    // Absurd values: ignored attributes or saturated times, never a crash.
    store.SetCookie("big=1; Max-Age=99999999999999999999999999999999", u, kNow);
    store.SetCookie("bad=1; Max-Age=12abc; Expires=Feb 30 2030 00:00:00", u, kNow);
    store.SetCookie("y=1; Expires=01 Jan 99999 00:00:00", u, kNow);
    EXPECT_EQ(store.CookieHeader(u, kNow + 1'000'000'000'000), "big=1; bad=1; y=1");
    EXPECT_EQ(store.CookieHeader(u, kNow), "big=1; bad=1; y=1");
}

TEST(CookieStore, ReplacesAndRefusesUnsafeCookies)
{
    TCookieStore store;
    const TUrl u = url("http://h.example/a");
    store.SetCookie("k=1", u, kNow);
    store.SetCookie("k=2", u, kNow + 5);
    EXPECT_EQ(store.CookieHeader(u, kNow + 5), "k=2");
    store.SetCookie("sec=1; Secure", u, kNow);
    store.SetCookie("noequals", u, kNow);
    store.SetCookie("=v", u, kNow);
    store.SetCookie("x=a\r\nInjected: 1", u, kNow);
    store.SetCookie("big=" + std::string(5000, 'v'), u, kNow);
    EXPECT_EQ(store.Size(), 1u);

    for (int i = 0; i < 200; ++i)
        store.SetCookie("c" + std::to_string(i) + "=1", u, kNow);
    EXPECT_EQ(store.Size(), TCookieStore::kMaxCookiesPerDomain);
    EXPECT_NE(store.CookieHeader(u, kNow).find("c199=1"), std::string::npos);
    EXPECT_EQ(store.CookieHeader(u, kNow).find("c0=1;"), std::string::npos);
}

TEST(CookieStore, SetCookie2Lists)
{
    TCookieStore store;
    const TUrl u = url("http://h.example/");
    store.SetCookie2("a=\"1,2\"; Version=\"1\"; Path=\"/\", b=2; Max-Age=\"60\"; Version=1", u, kNow);
    EXPECT_EQ(store.CookieHeader(u, kNow), "a=\"1,2\"; b=2");
    EXPECT_EQ(store.CookieHeader(u, kNow + 60), "a=\"1,2\"");
}

TEST(ParseCookieDate, Formats)
{
    std::int64_t t = 0;
    ASSERT_TRUE(ParseCookieDate("Sun, 06 Nov 1994 08:49:37 GMT", t));
    EXPECT_EQ(t, 784111777);
    ASSERT_TRUE(ParseCookieDate("Sunday, 06-Nov-94 08:49:37 GMT", t));
    EXPECT_EQ(t, 784111777);
    ASSERT_TRUE(ParseCookieDate("Sun Nov  6 08:49:37 1994", t));
    EXPECT_EQ(t, 784111777);
    ASSERT_TRUE(ParseCookieDate("29 Feb 2024 00:00:00", t));
    EXPECT_EQ(t, 1709164800);
    EXPECT_FALSE(ParseCookieDate("29 Feb 2023 00:00:00", t));
    EXPECT_FALSE(ParseCookieDate("06 Nov 1500 08:49:37", t));
    EXPECT_FALSE(ParseCookieDate("06 Nov 1994 24:00:00", t));
    EXPECT_FALSE(ParseCookieDate("06 Nov 1994", t));
    EXPECT_FALSE(ParseCookieDate("", t));
    EXPECT_FALSE(ParseCookieDate(std::string(10000, '9'), t));
}

} // namespace
} // namespace nubra
