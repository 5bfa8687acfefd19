// nubra-cli forecast COUNTRY PLACE [--raw] [--source SOURCE]: fetches and
// prints a place's forecast, as the window's "Voir la Nubra de cette ville"
// does.
//
//   COUNTRY  a country's key or index
//   PLACE    a city index (decimal digits) or a place's name as the
//            catalogue writes it (UTF-8 on the command line); of several
//            places with that name, the first in the catalogue's order
//   --raw    the text as the source returns it (Windows-1252, CR LF)
//   --source a source's name (classique, open-meteo); a country that
//            offers none by that name keeps its default; without it, the
//            country's source in the "sources" section of nubra.ini, as the
//            window takes it (Open-Meteo where that section names none)
//
// Without --raw the text is converted to UTF-8 with plain line feeds.
// Errors (a fetch that fails, an unknown place) go to standard error with
// exit status 1.
#include <cstdio>
#include <exception>

#include "catalogue.h"
#include "coords.h"
#include "cp1252.h"
#include "http.h"
#include "subcommands.h"

namespace nubra::cli {

namespace {

int usage() { return PrintUsage("forecast"); }

// A city index written in decimal digits only, within the 32-bit range.
std::optional<std::int32_t> parseIndex(const std::string& text)
{
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    std::int32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string plainText(const std::string& text)
{
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        lines += text[i];
    }
    return Cp1252ToUtf8(lines);
}

} // namespace

std::optional<std::int32_t> FindPlaceByName(const TCountry& country, const TCatalogues& tables,
                                            std::string_view name)
{
    for (std::int32_t i = 0; i < country.CityCount(tables); ++i) {
        if (country.CityName(tables, i) == name)
            return i;
    }
    return std::nullopt;
}

std::optional<std::int32_t> FindPlace(const TCountry& country, const TCatalogues& tables, const std::string& place)
{
    if (const std::optional<std::int32_t> index = parseIndex(place))
        return index;
    return FindPlaceByName(country, tables, Utf8ToCp1252(place));
}

int RunForecast(const Args& args)
{
    bool raw = false;
    std::optional<std::string> sourceName;
    Args positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--raw") {
            raw = true;
        } else if (args[i] == "--source") {
            if (i + 1 == args.size() || !IsSourceName(args[i + 1])) {
                std::fprintf(stderr, "nubra-cli forecast : --source demande %s\n", SourceNames(" ou ").c_str());
                return usage();
            }
            sourceName = args[++i];
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 2)
        return usage();
    const TCountry* country = ParseCountry(positional[0]);
    if (!country) {
        std::fprintf(stderr, "nubra-cli forecast : pays inconnu « %s »\n", positional[0].c_str());
        return usage();
    }
    const TServiceHosts hosts = ConfiguredHosts();

    try {
        TCatalogues tables;
        LoadEmbeddedCatalogues(tables);
        const std::optional<std::int32_t> city = FindPlace(*country, tables, positional[1]);
        if (!city) {
            std::fprintf(stderr, "nubra-cli forecast : aucun lieu nommé « %s » %s\n", positional[1].c_str(),
                         Cp1252ToUtf8(country->Where).c_str());
            return 1;
        }
        const auto index = static_cast<std::size_t>(country->Index);
        const TForecastSource* source = sourceName ? AllOn(*sourceName)[index] : ConfiguredSources()[index];
        TEmbeddedPositions embedded;
        const TPositionsSource positions = [&embedded]() -> const TCoordinates& { return embedded.Get(); };
        TIdHTTP http;
        const std::string text = FetchCityForecast(*country, tables, *city, hosts, http, *source, positions);
        const std::string out = raw ? text : plainText(text);
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fflush(stdout);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", Cp1252ToUtf8(error.what()).c_str());
        return 1;
    }
    return 0;
}

} // namespace nubra::cli
