// nubra-cli parse COUNTRY NAME PAGE: runs one source's walk on a page saved
// in a file, exactly as the window would on the page fetched.
//
//   COUNTRY  france, suisse, canada, belgique, or 0 to 3; or open-meteo,
//            for an answer of the Open-Meteo source (its JSON as received)
//   NAME     the place's name (UTF-8 on the command line; the walk gets it
//            in Windows-1252)
//   PAGE     a file holding the page body as fetched (for France, the
//            commune page)
//
// Standard output receives the forecast text as the source returns it:
// Windows-1252 bytes, CR LF after every line. A failure (such as a date cell
// that holds no month number) goes to standard error, exit status 1.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "cp1252.h"
#include "open_meteo.h"
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

int usage()
{
    std::fputs("Usage : nubra-cli parse PAYS NOM PAGE\n"
               "  PAYS  france, suisse, canada, belgique (ou 0 à 3), ou open-meteo\n"
               "  NOM   nom du lieu pour l'en-tête\n"
               "  PAGE  fichier contenant la page telle que reçue\n", stderr);
    return 2;
}

} // namespace

const TCountry* ParseCountry(const std::string& text)
{
    return FindCountry(std::string_view(text));
}

int RunParse(const Args& args)
{
    if (args.size() != 3)
        return usage();
    // "open-meteo" in place of a country: the page is an Open-Meteo answer.
    const bool openMeteo = args[0] == "open-meteo";
    const TCountry* country = openMeteo ? nullptr : ParseCountry(args[0]);
    if (!openMeteo && !country) {
        std::fprintf(stderr, "nubra-cli parse : pays inconnu « %s »\n", args[0].c_str());
        return usage();
    }
    const TServiceHosts hosts = ConfiguredHosts();

    std::string page;
    if (!readPage(args[2], page))
        return 1;

    try {
        const std::string name = Utf8ToCp1252(args[1]);
        const std::string text = openMeteo ? OpenMeteoText(page, name, LiveServiceHost(hosts.OpenMeteo))
                                           : country->Walk(page, name, hosts);
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", Cp1252ToUtf8(error.what()).c_str());
        return 1;
    }
    return 0;
}

} // namespace nubra::cli
