// nubra-cli places: the place catalogues the program carries, as the window
// reads them from its embedded archive.
//
//   nubra-cli places COUNTRY [TEXT] [--coords]
//       COUNTRY  a country's key (france, suisse, canada, belgique,
//                luxembourg, monaco, outre-mer) or its index
//       TEXT     only the places whose name contains TEXT (UTF-8 on the
//                command line, compared in Windows-1252, case and accents
//                as written)
//       --coords each line ends with two more fields: the place's latitude
//                and longitude in decimal degrees ("46.005400", "8.954500"),
//                read from the archive's positions entry
//       stdout: one line per place: the city index, then the record's
//               fields in declared order, tab-separated, in UTF-8:
//                 france    index CodePostal CodeInsee Departement Nom Region
//                 suisse    index Nom NPA
//                 canada    index Nom Province CodeVille
//                 belgique  index Nom Station
//                 luxembourg index Nom Canton
//                 monaco    index Nom
//                 outre-mer index CodePostal CodeInsee Nom Territoire
//   nubra-cli places --counts
//       stdout: one line per country, its key and its count: "france N"...
//
// Exit status 0 on success (also when no name matches), 1 when the
// catalogues cannot be loaded, 2 on a usage error.
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "catalogue.h"
#include "coords.h"
#include "cp1252.h"
#include "resource.h"
#include "subcommands.h"

namespace nubra::cli {

namespace {

int usage() { return PrintUsage("places"); }

// Loads the tables from the executable's resource "data", as the window
// does at start-up. The failure's message goes to standard error.
bool loadCatalogues(TCatalogues& tables)
{
    try {
        LoadEmbeddedCatalogues(tables);
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nubra-cli places : %s\n", Cp1252ToUtf8(e.what()).c_str());
        return false;
    }
}

// Writes one line: the fields (Windows-1252) joined by tabs.
void printLine(const std::vector<std::string>& fields)
{
    std::string line;
    for (const std::string& f : fields) {
        if (!line.empty())
            line += '\t';
        line += Cp1252ToUtf8(f);
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
}

// The positions of the country's places, one per record of its table, or
// nullptr after writing why not to standard error.
const std::vector<TPosition>* loadPositions(const TCountry& country, const TCatalogues& tables,
                                            TCoordinates& coordinates)
{
    std::string error = LoadEmbeddedCoordinates(coordinates);
    const std::vector<TPosition>* positions = &coordinates.Of(country.Section);
    if (error.empty() && positions->size() != static_cast<std::size_t>(country.CityCount(tables)))
        error = "Coordonn\xE9" "es illisibles : " + std::to_string(positions->size()) + " positions pour "
              + std::to_string(country.CityCount(tables)) + " lieux " + std::string(country.Where);
    if (error.empty())
        return positions;
    std::fprintf(stderr, "nubra-cli places : %s\n", Cp1252ToUtf8(error).c_str());
    return nullptr;
}

// `positions`: nullptr, or one position per record of the country's table.
void printCountry(const TCountry& country, const TCatalogues& tables, std::string_view text,
                  const std::vector<TPosition>* positions)
{
    for (std::int32_t i = 0; i < country.CityCount(tables); ++i) {
        if (country.CityName(tables, i).find(text) == std::string_view::npos)
            continue;
        std::vector<std::string> fields = country.CityFields(tables, i);
        fields.insert(fields.begin(), std::to_string(i));
        if (positions) {
            const TPosition& p = (*positions)[static_cast<std::size_t>(i)];
            fields.push_back(FormatDegrees(p.Latitude));
            fields.push_back(FormatDegrees(p.Longitude));
        }
        printLine(fields);
    }
}

} // namespace

int RunPlaces(const Args& args)
{
    TCatalogues tables;
    if (args.size() == 1 && args[0] == "--counts") {
        if (!loadCatalogues(tables))
            return 1;
        for (const TCountry& country : Countries())
            std::printf("%.*s %d\n", static_cast<int>(country.Key.size()), country.Key.data(),
                        country.CityCount(tables));
        return 0;
    }
    const bool withPositions = !args.empty() && args.back() == "--coords";
    const std::size_t given = args.size() - (withPositions ? 1 : 0);
    if (given == 0 || given > 2)
        return usage();
    const TCountry* country = ParseCountry(args[0]);
    if (!country) {
        std::fprintf(stderr, "nubra-cli places : pays inconnu \xC2\xAB %s \xC2\xBB\n", args[0].c_str());
        return usage();
    }
    if (!loadCatalogues(tables))
        return 1;
    TCoordinates coordinates;
    const std::vector<TPosition>* positions = nullptr;
    if (withPositions && !(positions = loadPositions(*country, tables, coordinates)))
        return 1;
    printCountry(*country, tables, given == 2 ? Utf8ToCp1252(args[1]) : std::string(), positions);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace nubra::cli
