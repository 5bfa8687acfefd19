// nubra-cli parse COUNTRY NAME PAGE [--source SOURCE]
// nubra-cli parse SOURCE NAME PAGE
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
// Standard output receives the forecast text as the source returns it:
// Windows-1252 bytes, CR LF after every line. A failure (such as a date cell
// that holds no month number) goes to standard error, exit status 1.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>

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

} // namespace

const TCountry* ParseCountry(const std::string& text)
{
    return FindCountry(std::string_view(text));
}

int RunParse(const Args& args)
{
    Args positional;
    std::optional<std::string> sourceName;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--source" && i + 1 < args.size())
            sourceName = args[++i];
        else
            positional.push_back(args[i]);
    }
    if (positional.size() != 3)
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
        const std::string text = source->Text(page, Utf8ToCp1252(positional[1]), hosts);
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", Cp1252ToUtf8(error.what()).c_str());
        return 1;
    }
    return 0;
}

} // namespace nubra::cli
