// nubra-cli: the command-line companion of Nubra. Every subcommand works on
// the same libraries as the window, so what it prints is what the window
// would show.
#include <cstdio>
#include <cstring>
#include <string>

#include "http.h"
#include "subcommands.h"

namespace {

// What --version says after the version: the program's licence and the
// credit that the licences of the embedded place data ask for.
constexpr const char* kLicenceAndCredits =
    "Licence MIT, (c) 2026 Les développeurs de Nubra.\n"
    "Catalogues des lieux tirés de données publiques :\n"
    "  - historique du code officiel géographique, Etalab/INSEE (Licence Ouverte 2.0) ;\n"
    "  - codes postaux (c) La Poste 2016 (ODbL 1.0) ;\n"
    "  - lieux, codes postaux et positions (c) GeoNames, https://www.geonames.org (CC BY 4.0) ;\n"
    "  - stations météo (c) ECMWF, metview-data (Apache 2.0).\n"
    "Prévisions de la source open-meteo : données Open-Meteo.com (CC BY 4.0).\n"
    "Vigilances : MeteoAlarm (EUMETNET) et les services qui les émettent (Météo-France, IRM,\n"
    "  MétéoSuisse, MeteoLux), sans modification ;\n"
    "  Source des données : Environnement et Changement climatique Canada.\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        nubra::cli::PrintHelp(stderr);
        return 2;
    }
    const std::string first = argv[1];
    if (first == "-h" || first == "--help" || first == "aide") {
        nubra::cli::PrintHelp(stdout);
        return 0;
    }
    if (first == "-V" || first == "--version") {
        std::printf("nubra-cli %s\nTLS : %s\n%s", NUBRA_VERSION, nubra::TlsLibraryVersion().c_str(),
                    kLicenceAndCredits);
        return 0;
    }
    if (const nubra::cli::Command* command = nubra::cli::FindCommand(first)) {
        if (argc == 3 && (std::strcmp(argv[2], "--help") == 0 || std::strcmp(argv[2], "-h") == 0)) {
            nubra::cli::PrintUsage(first, stdout);
            return 0;
        }
        return command->run(nubra::cli::Args(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "nubra-cli : commande inconnue « %s »\n"
                         "Essayez « nubra-cli --help » pour la liste des commandes.\n", first.c_str());
    return 2;
}
