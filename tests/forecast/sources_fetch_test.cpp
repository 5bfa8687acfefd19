// The sources' requests, with a recording HTTP client, and whole forecasts
// fetched over loopback from nubra-replica with the real client.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "catalogue.h"
#include "entry_bytes.h"
#include "hosts.h"
#include "http.h"
#include "pages.h"
#include "recording_http.h"
#include "udef_belgique.h"
#include "udef_canada.h"
#include "udef_france.h"
#include "udef_suisse.h"

namespace nubra {
namespace {

using test::TRecordingHttp;

// Small tables in place of the catalogue, and test hosts.
class SourceFetch : public ::testing::Test {
protected:
    SourceFetch()
    {
        using test::EntryBytes;
        using test::FillTable;
        FillTable(EntryBytes(1).byte(1).text("6700167204Achenheim"), ParseFranceEntry, tables.FranceEntry,
                  tables.FranceCities);
        FillTable(EntryBytes(1).le16(1200).text("GEN\xC8VE"), ParseSuisseEntry, tables.SuisseEntry,
                  tables.SuisseCities);
        FillTable(EntryBytes(2).byte(1).text("AB-12").text("Airdrie").byte(11).text("QC-D4").text("Qu\xE9" "bec"),
                  ParseCanadaEntry, tables.CanadaEntry, tables.CanadaCities);
        FillTable(EntryBytes(2).le16(6450).text("Aaigem").le16(6400).text("Zwevegem"), ParseBelgiqueEntry,
                  tables.BelgiqueEntry, tables.BelgiqueCities);
    }

    TCatalogues tables;
    const std::vector<TVilleFrance>& FranceCities = tables.FranceCities;
    const std::vector<TVilleSuisse>& SuisseCities = tables.SuisseCities;
    const std::vector<TVillecanada>& CanadaCities = tables.CanadaCities;
    const std::vector<TVilleBelge>& BelgiqueCities = tables.BelgiqueCities;
    TServiceHosts hosts = {"fr.test", "ch.test:8080", "ca.test", "site.ca.test", "be.test", "om.test", "ma.test", "gm.test"};
};

TEST_F(SourceFetch, FranceAsksForTheHomePageFirst)
{
    TRecordingHttp http;
    const std::string commune =
        "http://fr.test/jsp/site/Portal.jsp?page_id=2731&PREVISIONS_PORTLET.path=previsionsville%2F670010";
    http.Pages["http://fr.test/france/accueil"] = "<html>accueil</html>";
    http.Pages[commune] = replica::FranceCommunePage("67001", 20795);
    const std::string text = GetForecastFrance(FranceCities[0], hosts, http);
    EXPECT_EQ(http.Requests, (std::vector<std::string>{"http://fr.test/france/accueil", commune}));
    EXPECT_EQ(text, WalkFrancePage(http.Pages[commune], "Achenheim", "fr.test"));
    EXPECT_NE(text.find("\r\nPar Nubra France - fr.test\r\n"), std::string::npos);

    // An empty commune page gives an empty text, after both requests.
    http.Requests.clear();
    http.Pages[commune] = "";
    EXPECT_EQ(GetForecastFrance(FranceCities[0], hosts, http), "");
    EXPECT_EQ(http.Requests.size(), 2u);

    // A failing home page stops the source before the second request.
    http.Requests.clear();
    http.Pages.erase("http://fr.test/france/accueil");
    EXPECT_THROW(GetForecastFrance(FranceCities[0], hosts, http), EHttpError);
    EXPECT_EQ(http.Requests, std::vector<std::string>{"http://fr.test/france/accueil"});
}

TEST_F(SourceFetch, OtherSourcesMakeOneRequest)
{
    TRecordingHttp http;
    EXPECT_THROW(GetForecastSuisse(SuisseCities[0], hosts, http), EHttpError);
    EXPECT_THROW(GetForecastCanada(CanadaCities[0], hosts, http), EHttpError);
    EXPECT_THROW(GetForecastCanada(CanadaCities[1], hosts, http), EHttpError);
    EXPECT_THROW(GetForecastBelgique(BelgiqueCities[0], hosts, http), EHttpError);
    EXPECT_THROW(GetForecastBelgique(BelgiqueCities[1], hosts, http), EHttpError);
    EXPECT_EQ(http.Requests,
              (std::vector<std::string>{
                  "http://ch.test:8080/web/fr/meteo/previsions_en_detail/prevision_par_localite.html"
                  "?language=fr&plz=1200&x=0&y=0",
                  "http://ca.test/forecast/city_f.html?AB-12&unit=m",
                  "http://ca.test/forecast/city_f.html?QC-D4&unit=m",
                  "http://be.test/index.php?place=ville&ville=Bruxelles&station=6450",
                  "http://be.test/index.php?place=ville&ville=Bruxelles&station=6400",
              }));

    // The attribution lines name the hosts in effect; Canada names its
    // main site, not the text site the page came from.
    for (const std::string& url : http.Requests)
        http.Pages[url] = "<p>x</p>";
    EXPECT_EQ(GetForecastSuisse(SuisseCities[0], hosts, http).substr(0, 60),
              "Pr\xE9visions pour GEN\xC8VE\r\nPar Nubra Suisse - ch.test:8080\r\n");
    EXPECT_EQ(GetForecastCanada(CanadaCities[0], hosts, http), "Nubra de Airdrie\r\nPar Nubra Canada - site.ca.test\r\n");
    EXPECT_EQ(GetForecastBelgique(BelgiqueCities[0], hosts, http), "Pr\xE9visions pour Aaigem\r\nNubra Belge - http://be.test\r\n");
    http.Pages[http.Requests[0]] = "";
    EXPECT_EQ(GetForecastSuisse(SuisseCities[0], hosts, http), "");
}

// ------------------------------------------------------------- Loopback

constexpr std::int64_t kDay = 20795;

// nubra-replica started for one test on a port of the system's choice, its
// log in a temporary file; stopped with SIGTERM at the end.
class TReplica {
public:
    TReplica()
    {
        char logName[] = "/tmp/nubra-replica-log-XXXXXX";
        const int logFd = mkstemp(logName);
        logPath_ = logName;
        int out[2];
        if (logFd < 0 || pipe(out) != 0)
            return;
        const std::string day = std::to_string(kDay); // nothing allocates after fork
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            dup2(logFd, STDERR_FILENO);
            close(out[0]);
            close(out[1]);
            execl(NUBRA_REPLICA, NUBRA_REPLICA, "--port", "0", "--day", day.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        close(logFd);
        // First line: "port N".
        std::string line;
        pollfd wait{out[0], POLLIN, 0};
        while (line.find('\n') == std::string::npos && poll(&wait, 1, 10000) > 0) {
            char buffer[64];
            const ssize_t n = read(out[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            line.append(buffer, static_cast<std::size_t>(n));
        }
        close(out[0]);
        if (line.rfind("port ", 0) == 0)
            port_ = std::atoi(line.c_str() + 5);
    }
    ~TReplica()
    {
        if (pid_ > 0 && running())
            Stop();
        unlink(logPath_.c_str());
    }
    TReplica(const TReplica&) = delete;
    TReplica& operator=(const TReplica&) = delete;

    int Port() const { return port_; }
    std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }

    // The exit status after SIGTERM, or -1 when it did not end in 10 s.
    int Stop()
    {
        kill(pid_, SIGTERM);
        for (int i = 0; i < 1000; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return -1;
    }

    // The request lines logged so far.
    std::vector<std::string> Log() const
    {
        std::ifstream file(logPath_);
        std::vector<std::string> lines;
        for (std::string line; std::getline(file, line);)
            lines.push_back(line);
        return lines;
    }

private:
    bool running() { return waitpid(pid_, nullptr, WNOHANG) == 0; }

    pid_t pid_ = -1;
    int port_ = 0;
    std::string logPath_;
};

// What a connection gets back for `request`, read until the server closes
// it or 5 s pass.
std::string exchange(int port, const std::string& request, bool halfClose = false)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        (void)!write(fd, request.data(), request.size());
        if (halfClose)
            shutdown(fd, SHUT_WR);
        pollfd wait{fd, POLLIN, 0};
        while (poll(&wait, 1, 5000) > 0) {
            char buffer[4096];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            answer.append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    return answer;
}

std::size_t occurrences(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST_F(SourceFetch, WholeForecastsFromTheReplica)
{
    TReplica replica;
    ASSERT_GT(replica.Port(), 0);
    const std::string host = replica.Host();
    hosts = {host, host, host, "site.ca.test", host, host, host, host};

    TIdHTTP http;
    EXPECT_EQ(GetForecastFrance(FranceCities[0], hosts, http), WalkFrancePage(replica::FranceCommunePage("67001", kDay), "Achenheim", host));
    EXPECT_EQ(GetForecastSuisse(SuisseCities[0], hosts, http), WalkSuissePage(replica::SuissePage("1200", kDay), "GEN\xC8VE", host));
    EXPECT_EQ(GetForecastCanada(CanadaCities[1], hosts, http),
              WalkCanadaPage(replica::CanadaPage("QC-D4", kDay), "Qu\xE9" "bec", "site.ca.test"));
    EXPECT_EQ(GetForecastBelgique(BelgiqueCities[1], hosts, http),
              WalkBelgiquePage(replica::BelgiquePage("6400", kDay), "Zwevegem", host));

    // The request bytes: line and headers in the client's order; the
    // commune page carries the cookie the home page set.
    const std::string headers = " HTTP/1.1 | Content-Type: text/html | Host: " + host +
                                " | Accept: text/html, */* | User-Agent: Mozilla/3.0 (compatible; Indy Library)";
    const std::vector<std::string> log = replica.Log();
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(log[0], "GET /france/accueil" + headers + " -> 200 (" +
                          std::to_string(replica::FranceHomePage(kDay).size()) + " octets)");
    EXPECT_EQ(log[1].rfind("GET " + FranceForecastPath("67001") + headers + " | Cookie: JSESSIONID=", 0), 0u)
        << log[1];
    EXPECT_NE(log[1].find(" -> 200 "), std::string::npos) << log[1];
    EXPECT_EQ(log[2].rfind("GET " + SuisseForecastPath(1200) + headers + " | Cookie: JSESSIONID=", 0), 0u)
        << "the session cookie has path /: " << log[2];
    EXPECT_EQ(log[3].rfind("GET " + CanadaForecastPath("QC-D4") + headers, 0), 0u) << log[3];
    EXPECT_EQ(log[4].rfind("GET " + BelgiqueForecastPath(6400) + headers, 0), 0u) << log[4];

    EXPECT_EQ(replica.Stop(), 0);
}

TEST_F(SourceFetch, ReplicaSendsCookielessCommunePagesToTheHomePage)
{
    TReplica replica;
    ASSERT_GT(replica.Port(), 0);
    TIdHTTP fresh;
    const std::string body = fresh.FetchPage("http://" + replica.Host() + FranceForecastPath("67001"));
    EXPECT_EQ(body, replica::FranceHomePage(kDay));
    EXPECT_EQ(WalkFrancePage(body, "Achenheim", replica.Host()), "");
    const std::vector<std::string> log = replica.Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_NE(log[0].find(" -> 302 "), std::string::npos) << log[0];
    EXPECT_EQ(log[1].rfind("GET /france/accueil ", 0), 0u) << log[1];
}

TEST(Replica, KeepAliveCloseAndBadRequests)
{
    TReplica replica;
    ASSERT_GT(replica.Port(), 0);
    const std::string get = "GET /index.php?place=ville&ville=Bruxelles&station=6450 HTTP/1.1\r\nHost: x\r\n\r\n";
    const std::string page = replica::BelgiquePage("6450", kDay);

    // Two requests on one connection, the second asking to close.
    const std::string two = exchange(replica.Port(), get + get.substr(0, get.size() - 2) + "Connection: close\r\n\r\n");
    EXPECT_EQ(occurrences(two, "HTTP/1.1 200 OK\r\n"), 2u);
    EXPECT_EQ(occurrences(two, page), 2u);

    // HTTP/1.0 closes after one answer; HEAD has no body.
    const std::string old = exchange(replica.Port(), "GET /france/accueil HTTP/1.0\r\n\r\n");
    EXPECT_EQ(old.rfind("HTTP/1.0 200 OK\r\n", 0), 0u);
    EXPECT_NE(old.find("Set-Cookie: JSESSIONID="), std::string::npos);
    const std::string head = exchange(replica.Port(), "HEAD /france/accueil HTTP/1.1\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(head.find("<html"), std::string::npos);
    EXPECT_NE(head.find("Content-Length: " + std::to_string(replica::FranceHomePage(kDay).size())), std::string::npos);

    EXPECT_EQ(exchange(replica.Port(), "BLAH\r\n\r\n").rfind("HTTP/1.1 400 ", 0), 0u);
    EXPECT_EQ(exchange(replica.Port(), "POST / HTTP/1.1\r\nConnection: close\r\n\r\n").rfind("HTTP/1.1 405 ", 0), 0u);
    EXPECT_EQ(exchange(replica.Port(), "GET /nulle/part HTTP/1.1\r\nConnection: close\r\n\r\n").rfind("HTTP/1.1 404 ", 0),
              0u);
    const std::string huge = "GET / HTTP/1.1\r\nX-Long: " + std::string(20000, 'a') + "\r\n\r\n";
    EXPECT_EQ(exchange(replica.Port(), huge).rfind("HTTP/1.1 400 ", 0), 0u);
    // A client that leaves mid-request does not stop the server.
    EXPECT_EQ(exchange(replica.Port(), "GET /france/acc", true), "");
    EXPECT_EQ(exchange(replica.Port(), get.substr(0, get.size() - 2) + "Connection: close\r\n\r\n").rfind("HTTP/1.1 200 ", 0),
              0u);

    EXPECT_EQ(replica.Stop(), 0);
}

} // namespace
} // namespace nubra
