// nubra-cli: the command-line companion of Nubra. Every subcommand works on
// the same libraries as the window, so what it prints is what the window
// would show.
#include <cstdio>
#include <cstring>
#include <iterator>
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
    "Prévisions de la source open-meteo : données Open-Meteo.com (CC BY 4.0).\n";

using nubra::cli::Command;

// Every subcommand, in the order the help lists them.
constexpr Command kCommands[] = {
    {"unzip", nubra::cli::RunUnzip,
     "nubra-cli unzip ARCHIVE ENTRÉE | nubra-cli unzip --list ARCHIVE",
     "extrait une entrée d'une archive ZIP vers la sortie standard, ou liste les entrées"},
    {"fetch", nubra::cli::RunFetch, "nubra-cli fetch URL [URL...]",
     "lit des pages web avec le client HTTP de la fenêtre : http:// comme les services d'origine, "
     "les cookies passant d'une page à la suivante ; https:// comme Open-Meteo, certificat vérifié"},
    {"parse", nubra::cli::RunParse, "nubra-cli parse PAYS NOM PAGE",
     "extrait les prévisions d'une page enregistrée, comme pour la page reçue"},
    {"forecast", nubra::cli::RunForecast, "nubra-cli forecast PAYS LIEU [--raw] [--source SOURCE]",
     "télécharge et affiche les prévisions d'un lieu du catalogue"},
    {"hosts", nubra::cli::RunHosts, "nubra-cli hosts",
     "affiche les serveurs des services en usage (clé=hôte)"},
    {"places", nubra::cli::RunPlaces, "nubra-cli places PAYS [TEXTE] [--coords] | nubra-cli places --counts",
     "liste les lieux d'un pays (indice et champs), ou compte les lieux des quatre pays"},
};

void printHelp(std::FILE* out)
{
    std::fputs("Usage : nubra-cli COMMANDE [ARGUMENTS...]\n"
               "Compagnon en ligne de commande de Nubra, visionneuse de prévisions météo.\n\n"
               "Commandes :\n", out);
    for (const Command& c : kCommands)
        std::fprintf(out, "  %s\n      %s\n", c.usage, c.summary);
    std::fputs("\nOptions :\n"
               "  -h, --help     affiche cette aide et quitte\n"
               "  -V, --version  affiche la version et quitte\n\n"
               "Code de retour : 0 en cas de succès, 1 en cas d'échec, 2 en cas d'usage incorrect.\n", out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        printHelp(stderr);
        return 2;
    }
    const std::string first = argv[1];
    if (first == "-h" || first == "--help" || first == "aide") {
        printHelp(stdout);
        return 0;
    }
    if (first == "-V" || first == "--version") {
        std::printf("nubra-cli %s\nTLS : %s\n%s", NUBRA_VERSION, nubra::TlsLibraryVersion().c_str(),
                    kLicenceAndCredits);
        return 0;
    }
    for (const Command& c : kCommands) {
        if (first == c.name)
            return c.run(nubra::cli::Args(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "nubra-cli : commande inconnue « %s »\n"
                         "Essayez « nubra-cli --help » pour la liste des commandes.\n", first.c_str());
    return 2;
}
