// nubra-cli parse COUNTRY NAME PAGE [--source SOURCE]
// nubra-cli parse SOURCE NAME PAGE
// nubra-cli parse warnings COUNTRY PLACE DOCUMENT [--now TIME]
// runs one source's reading of a page saved in a file, exactly as the
// window would on the page fetched.
//
//   COUNTRY  a country's key or index: the page comes from that country's
//            source named SOURCE, by default the first the country lists
//            (its historic service where it has one)
//   SOURCE   in place of a country, the name of a source that is the same
//            for every country offering it (open-meteo: its JSON as
//            received)
//   NAME     the place's name (UTF-8 on the command line; the walk gets it
//            in Windows-1252)
//   PAGE     a file holding the page body as fetched (for France, the
//            commune page)
//
// The third form reads a document of the country's warning service (a
// MeteoAlarm Atom index or CAP document, a GeoMet answer) for PLACE, a
// place of the catalogue (its index or its name), and prints the warning
// lines the Open-Meteo forecast would show for it at TIME (an ISO 8601
// time with its offset, "2022-12-08T06:00:00Z"; by default now). The
// times are written on this computer's clock, as TZ sets it, since a saved
// document does not say the place's time zone.
//
// Standard output receives the forecast text as the source returns it:
// Windows-1252 bytes, CR LF after every line. A failure (such as a date cell
// that holds no month number) goes to standard error, exit status 1.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <optional>
#include <string>

#include "catalogue.h"
#include "coords.h"
#include "cp1252.h"
#include "sources.h"
#include "subcommands.h"

namespace nubra::cli {

namespace {

// Pages larger than this are refused rather than read into memory.
constexpr std::size_t kMaxPageBytes = std::size_t(512) << 20;

// The reason a file could not be read, in French for the common cases.
std::string reason(int error)
{
    switch (error) {
    case ENOENT:
        return "fichier introuvable";
    case EACCES:
        return "accès refusé";
    case EISDIR:
        return "c'est un dossier";
    default:
        return std::strerror(error);
    }
}

// The whole file, read as a stream so that pipes and special files work
// too; false, with a message on standard error, when it cannot be read.
bool readPage(const std::string& path, std::string& page)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        std::fprintf(stderr, "nubra-cli parse : impossible d'ouvrir « %s » : %s\n", path.c_str(),
                     reason(errno).c_str());
        return false;
    }
    char buffer[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        if (page.size() + n > kMaxPageBytes) {
            std::fprintf(stderr, "nubra-cli parse : « %s » est trop grand (plus de 512 Mio)\n", path.c_str());
            std::fclose(file);
            return false;
        }
        page.append(buffer, n);
    }
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) {
        std::fprintf(stderr, "nubra-cli parse : erreur de lecture de « %s » : %s\n", path.c_str(),
                     reason(error).c_str());
        return false;
    }
    return true;
}

int usage() { return PrintUsage("parse"); }

// The one source called `name` whatever the country, or nullptr when no
// source or several (each country's own "classique") have that name.
const TForecastSource* commonSource(std::string_view name)
{
    const TForecastSource* found = nullptr;
    for (const TForecastSource* source : ForecastSources()) {
        if (source->Name != name)
            continue;
        if (found)
            return nullptr;
        found = source;
    }
    return found;
}

// What a text of Windows-1252 bytes is written as.
void print(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// Seconds east of UTC of this computer's clock at `now`.
std::int32_t localOffset(std::int64_t now)
{
    const std::time_t t = static_cast<std::time_t>(now);
    std::tm local{};
    if (!localtime_r(&t, &local))
        return 0;
    return static_cast<std::int32_t>(local.tm_gmtoff);
}

// parse warnings COUNTRY PLACE DOCUMENT: `positional` holds the four.
int parseWarnings(const Args& positional, const std::optional<std::string>& nowText)
{
    const TCountry* country = ParseCountry(positional[1]);
    if (!country) {
        std::fprintf(stderr, "nubra-cli parse : pays inconnu « %s »\n", positional[1].c_str());
        return usage();
    }
    std::int64_t now = std::time(nullptr);
    if (nowText) {
        const std::optional<std::int64_t> given = ParseWarningTime(*nowText);
        if (!given) {
            std::fprintf(stderr, "nubra-cli parse : --now demande une heure comme 2022-12-08T06:00:00Z, pas « %s »\n",
                         nowText->c_str());
            return usage();
        }
        now = *given;
    }
    try {
        TCatalogues tables;
        LoadEmbeddedCatalogues(tables);
        const std::optional<std::int32_t> city = FindPlace(*country, tables, positional[2]);
        if (!city || !IsValidCity(*country, tables, *city)) {
            std::fprintf(stderr, "nubra-cli parse : aucun lieu « %s » %s\n", positional[2].c_str(),
                         Cp1252ToUtf8(country->Where).c_str());
            return 1;
        }
        std::string document;
        if (!readPage(positional[3], document))
            return 1;
        TEmbeddedPositions embedded;
        const TPositionsSource positions = [&embedded]() -> const TCoordinates& { return embedded.Get(); };
        const TPlaceQuery place{*country, tables, *city, positions};
        print(SavedPlaceWarnings(place, document, localOffset(now), now));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", Cp1252ToUtf8(error.what()).c_str());
        return 1;
    }
    return 0;
}

} // namespace

const TCountry* ParseCountry(const std::string& text)
{
    return FindCountry(std::string_view(text));
}

int RunParse(const Args& args)
{
    Args positional;
    std::optional<std::string> sourceName, now;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--source" && i + 1 < args.size())
            sourceName = args[++i];
        else if (args[i] == "--now" && i + 1 < args.size())
            now = args[++i];
        else
            positional.push_back(args[i]);
    }
    // The warnings of a place: the form with four arguments, without --source.
    if (positional.size() == 4 && positional[0] == "warnings" && !sourceName)
        return parseWarnings(positional, now);
    if (positional.size() != 3 || now)
        return usage();
    const TForecastSource* source = nullptr;
    if (const TCountry* country = ParseCountry(positional[0])) {
        source = sourceName ? FindSource(*country, *sourceName) : country->Sources.front();
        if (!source) {
            std::fprintf(stderr, "nubra-cli parse : pas de source « %s » %s\n", sourceName->c_str(),
                         Cp1252ToUtf8(country->Where).c_str());
            return usage();
        }
    } else if (!sourceName) {
        source = commonSource(positional[0]);
    }
    if (!source) {
        std::fprintf(stderr, "nubra-cli parse : pays inconnu « %s »\n", positional[0].c_str());
        return usage();
    }
    const TServiceHosts hosts = ConfiguredHosts();

    std::string page;
    if (!readPage(positional[2], page))
        return 1;

    try {
        print(source->Text(page, Utf8ToCp1252(positional[1]), hosts));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", Cp1252ToUtf8(error.what()).c_str());
        return 1;
    }
    return 0;
}

} // namespace nubra::cli
