// The subcommands of nubra-cli, their usage and their help, in one table:
// the general help and each subcommand's usage message are printed from it,
// the lists of countries and sources filled in from the country rows.
#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "countries.h"
#include "subcommands.h"

namespace nubra::cli {

namespace {

struct Argument {
    const char* term;
    const char* meaning;  // "{pays}" and "{sources}" stand for the lists
};

template <std::size_t Forms, std::size_t Arguments>
struct Usage {
    const char* forms[Forms];  // "nubra-cli forecast PAYS LIEU ...", one per form
    Argument arguments[Arguments];
};

constexpr Usage<2, 3> kUnzip = {
    {"nubra-cli unzip ARCHIVE ENTRÉE", "nubra-cli unzip --list ARCHIVE"},
    {{"ARCHIVE", "fichier ZIP"},
     {"ENTRÉE", "nom de l'entrée à écrire sur la sortie standard"},
     {"--list", "liste les entrées de l'archive"}}};
constexpr Usage<1, 1> kFetch = {
    {"nubra-cli fetch URL [URL...]"},
    {{"URL", "http://… comme les services d'origine (les cookies passent d'une page à la suivante), "
             "https://… comme Open-Meteo (certificat vérifié)"}}};
constexpr Usage<3, 8> kParse = {
    {"nubra-cli parse PAYS NOM PAGE [--source SOURCE]", "nubra-cli parse SOURCE NOM PAGE",
     "nubra-cli parse warnings PAYS LIEU DOCUMENT [--now HEURE]"},
    {{"PAYS", "{pays}"},
     {"NOM", "nom du lieu pour l'en-tête"},
     {"PAGE", "fichier contenant la page telle que reçue"},
     {"--source", "la source dont vient la page, parmi celles du pays : {sources} (par défaut la "
                  "première du pays, ses services d'origine s'il en a)"},
     {"SOURCE", "à la place du pays, une source propre à aucun pays (open-meteo)"},
     {"LIEU", "indice du lieu dans le catalogue, ou son nom"},
     {"DOCUMENT", "index Atom ou document CAP de MeteoAlarm, réponse GeoMet, tel que reçu : "
                  "les vigilances du lieu, heures à l'horloge de l'ordinateur (TZ)"},
     {"--now", "l'heure à laquelle les vigilances sont en cours, comme 2022-12-08T06:00:00Z "
               "(par défaut maintenant)"}}};
constexpr Usage<1, 4> kForecast = {
    {"nubra-cli forecast PAYS LIEU [--raw] [--source SOURCE]"},
    {{"PAYS", "{pays}"},
     {"LIEU", "indice du lieu dans le catalogue, ou son nom"},
     {"--raw", "texte brut (Windows-1252, fins de ligne CR LF)"},
     {"--source", "{sources} (par défaut : la section [sources] de nubra.ini, sinon open-meteo ; "
                  "un pays sans cette source garde la sienne)"}}};
constexpr Usage<1, 0> kHosts = {{"nubra-cli hosts"}, {}};
constexpr Usage<2, 4> kPlaces = {
    {"nubra-cli places PAYS [TEXTE] [--coords]", "nubra-cli places --counts"},
    {{"PAYS", "{pays}"},
     {"TEXTE", "ne garde que les lieux dont le nom contient ce texte"},
     {"--coords", "ajoute la latitude et la longitude de chaque lieu"},
     {"--counts", "le nombre de lieux de chaque pays"}}};

struct Entry {
    Command command;
    std::span<const char* const> forms;
    std::span<const Argument> arguments;
};

template <std::size_t F, std::size_t A>
constexpr Entry entry(const char* name, int (*run)(const Args&), const char* summary, const Usage<F, A>& usage)
{
    return {{name, run, summary}, usage.forms, std::span<const Argument>(usage.arguments, A)};
}

// Every subcommand, in the order the help lists them.
constexpr Entry kCommands[] = {
    entry("unzip", RunUnzip, "extrait une entrée d'une archive ZIP vers la sortie standard, ou liste les entrées",
          kUnzip),
    entry("fetch", RunFetch, "lit des pages web avec le client HTTP de la fenêtre", kFetch),
    entry("parse", RunParse, "extrait les prévisions d'une page enregistrée, comme pour la page reçue", kParse),
    entry("forecast", RunForecast, "télécharge et affiche les prévisions d'un lieu du catalogue", kForecast),
    entry("hosts", RunHosts, "affiche les serveurs des services en usage (clé=hôte)", kHosts),
    entry("places", RunPlaces, "liste les lieux d'un pays (indice et champs), ou compte les lieux de chaque pays",
          kPlaces),
};

// `text` with the lists filled in.
std::string expand(std::string_view text)
{
    const std::string countries =
        CountryKeys(", ") + " (ou 0 à " + std::to_string(Countries().size() - 1) + ")";
    const std::string sources = SourceNames(" ou ");
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (text.substr(i).starts_with("{pays}")) {
            out += countries;
            i += 6;
        } else if (text.substr(i).starts_with("{sources}")) {
            out += sources;
            i += 9;
        } else {
            out += text[i++];
        }
    }
    return out;
}

// Characters of a UTF-8 text, as the terminal lines them up.
std::size_t characters(std::string_view text)
{
    std::size_t n = 0;
    for (unsigned char c : text)
        n += (c & 0xC0) != 0x80;
    return n;
}

const Entry* find(std::string_view name)
{
    for (const Entry& e : kCommands)
        if (name == e.command.name)
            return &e;
    return nullptr;
}

} // namespace

const Command* FindCommand(std::string_view name)
{
    const Entry* e = find(name);
    return e ? &e->command : nullptr;
}

void PrintHelp(std::FILE* out)
{
    std::fputs("Usage : nubra-cli COMMANDE [ARGUMENTS...]\n"
               "Compagnon en ligne de commande de Nubra, visionneuse de prévisions météo.\n\n"
               "Commandes :\n", out);
    for (const Entry& e : kCommands) {
        for (const char* form : e.forms)
            std::fprintf(out, "  %s\n", form);
        std::fprintf(out, "      %s\n", e.command.summary);
    }
    std::fputs("\nPour les arguments d'une commande : nubra-cli COMMANDE --help.\n"
               "\nOptions :\n"
               "  -h, --help     affiche cette aide et quitte\n"
               "  -V, --version  affiche la version et quitte\n\n"
               "Code de retour : 0 en cas de succès, 1 en cas d'échec, 2 en cas d'usage incorrect.\n", out);
}

int PrintUsage(std::string_view name, std::FILE* out)
{
    const Entry* e = find(name);
    if (!e)
        return 2;
    for (std::size_t i = 0; i < e->forms.size(); ++i)
        std::fprintf(out, "%s%s\n", i == 0 ? "Usage : " : "        ", e->forms[i]);
    std::size_t width = 0;
    for (const Argument& a : e->arguments)
        width = std::max(width, characters(a.term));
    for (const Argument& a : e->arguments)
        std::fprintf(out, "  %s%s  %s\n", a.term, std::string(width - characters(a.term), ' ').c_str(),
                     expand(a.meaning).c_str());
    return 2;
}

} // namespace nubra::cli
