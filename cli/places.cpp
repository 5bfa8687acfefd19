// nubra-cli places: the place catalogues the program carries, as the window
// reads them from its embedded archive.
//
//   nubra-cli places COUNTRY [TEXT]
//       COUNTRY  france, suisse, canada, belgique, or 0 to 3
//       TEXT     only the places whose name contains TEXT (UTF-8 on the
//                command line, compared in Windows-1252, case and accents
//                as written)
//       stdout: one line per place: the city index, then the record's
//               fields in declared order, tab-separated, in UTF-8:
//                 france    index CodePostal CodeInsee Departement Nom Region
//                 suisse    index Nom NPA
//                 canada    index Nom Province CodeVille
//                 belgique  index Nom Station
//   nubra-cli places --counts
//       stdout: "france N", "suisse N", "canada N", "belgique N"
//
// Exit status 0 on success (also when no name matches), 1 when the
// catalogues cannot be loaded, 2 on a usage error.
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "catalogue.h"
#include "commands.h"
#include "cp1252.h"
#include "resource.h"

namespace nubra::cli {

namespace {

int usage()
{
    std::fputs("Usage : nubra-cli places PAYS [TEXTE]\n"
               "        nubra-cli places --counts\n"
               "  PAYS   france, suisse, canada, belgique (ou 0 \xC3\xA0 3)\n"
               "  TEXTE  ne garde que les lieux dont le nom contient ce texte\n",
               stderr);
    return 2;
}

// Loads the four tables from the executable's resource "data", as the window
// does at start-up. The failure's message goes to standard error.
bool loadCatalogues()
{
    try {
        const auto resource = OpenResource("data");
        TMemoryStream entry;
        LoadCatalogues(*resource, entry);
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nubra-cli places : %s\n", Cp1252ToUtf8(e.what()).c_str());
        return false;
    }
}

// Writes one line: the fields (Windows-1252 or numbers) joined by tabs.
void printLine(std::initializer_list<std::string_view> fields)
{
    std::string line;
    for (const std::string_view f : fields) {
        if (!line.empty())
            line += '\t';
        line += Cp1252ToUtf8(f);
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
}

template <class Table, class Print>
void printMatches(const Table& table, std::string_view text, Print print)
{
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].Nom.find(text) != std::string::npos)
            print(std::to_string(i), table[i]);
}

void printCountry(int country, std::string_view text)
{
    using std::to_string;
    switch (country) {
    case 0:
        printMatches(FranceCities, text, [](const std::string& i, const TVilleFrance& c) {
            printLine({i, c.CodePostal, c.CodeInsee, c.Departement, c.Nom, to_string(c.Region)});
        });
        break;
    case 1:
        printMatches(SuisseCities, text, [](const std::string& i, const TVilleSuisse& c) {
            printLine({i, c.Nom, to_string(c.NPA)});
        });
        break;
    case 2:
        printMatches(CanadaCities, text, [](const std::string& i, const TVillecanada& c) {
            printLine({i, c.Nom, to_string(c.Province), c.CodeVille});
        });
        break;
    default:
        printMatches(BelgiqueCities, text, [](const std::string& i, const TVilleBelge& c) {
            printLine({i, c.Nom, to_string(c.Station)});
        });
        break;
    }
}

} // namespace

int RunPlaces(const Args& args)
{
    if (args.size() == 1 && (args[0] == "-h" || args[0] == "--help")) {
        usage();
        return 0;
    }
    if (args.size() == 1 && args[0] == "--counts") {
        if (!loadCatalogues())
            return 1;
        std::printf("france %d\nsuisse %d\ncanada %d\nbelgique %d\n", CityCount(FranceCities),
                    CityCount(SuisseCities), CityCount(CanadaCities), CityCount(BelgiqueCities));
        return 0;
    }
    if (args.empty() || args.size() > 2)
        return usage();
    const std::optional<int> country = ParseCountry(args[0]);
    if (!country) {
        std::fprintf(stderr, "nubra-cli places : pays inconnu \xC2\xAB %s \xC2\xBB\n", args[0].c_str());
        return usage();
    }
    if (!loadCatalogues())
        return 1;
    printCountry(*country, args.size() == 2 ? Utf8ToCp1252(args[1]) : std::string());
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace nubra::cli
