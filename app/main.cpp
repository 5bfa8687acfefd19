// Program entry: the application object, the one main window, the loop.
#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "deferred_icon.h"
#include "font_preload.h"
#include "shown_probe.h"
#include "unit1.h"

namespace {

// "--help" and "--version" answer on the terminal without opening the
// window; the window's one option is "--source" (see sourceOption); Qt's
// own, such as -platform, still apply.
bool answerTerminalOption(int argc, char* argv[])
{
    if (argc != 2)
        return false;
    if (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0) {
        std::printf("nubra %s\n", NUBRA_VERSION);
        return true;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs("Usage : nubra [--source classique|open-meteo]\n"
                   "Visionneuse de prévisions météo pour la France et l'outre-mer, la Suisse, le Canada,\n"
                   "la Belgique, le Luxembourg et Monaco.\n"
                   "Choisissez un pays, une région, un département, une province ou un canton et un lieu,\n"
                   "puis « Voir la Nubra de cette ville ». La ville par défaut est gardée dans\n"
                   "$XDG_CONFIG_HOME/nubra.ini (sinon ~/.config/nubra.ini).\n"
                   "Les prévisions viennent d'Open-Meteo, par une connexion chiffrée et vérifiée,\n"
                   "sauf pour les pays que la section [sources] de nubra.ini met sur « classique ».\n\n"
                   "Options :\n"
                   "  --source SOURCE  prévisions de SOURCE pour tous les pays, pour cette fois :\n"
                   "                   open-meteo ou classique (les services d'origine de la France, de la\n"
                   "                   Suisse, du Canada et de la Belgique ; les autres pays restent\n"
                   "                   sur open-meteo)\n"
                   "  -h, --help     affiche cette aide et quitte\n"
                   "  -V, --version  affiche la version et quitte\n\n"
                   "Voir aussi : nubra-cli(1).\n",
                   stdout);
        return true;
    }
    return false;
}

// "--source NAME" or "--source=NAME" anywhere on the command line: the
// source of every country for this run, written nowhere. False, with a
// message, for a name that is no source or a missing name.
bool sourceOption(int argc, char* argv[], std::optional<std::string>& source)
{
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view name;
        if (arg == "--source") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "nubra : --source demande %s\n", nubra::SourceNames(" ou ").c_str());
                return false;
            }
            name = argv[++i];
        } else if (arg.starts_with("--source=")) {
            name = arg.substr(9);
        } else {
            continue;
        }
        if (!nubra::IsSourceName(name)) {
            std::fprintf(stderr, "nubra : source inconnue « %.*s » (%s)\n", static_cast<int>(name.size()),
                         name.data(), nubra::SourceNames(" ou ").c_str());
            return false;
        }
        source = std::string(name);
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (answerTerminalOption(argc, argv))
        return 0;
    std::optional<std::string> source;
    if (!sourceOption(argc, argv, source))
        return 2;
    nubra::TFontConfigPreload fonts;  // runs while Qt starts, see font_preload.h
    nubra::PreloadCatalogues();  // runs while Qt starts and the controls are built
    QApplication application(argc, argv);
    // The installed theme icon when there is one, else the one built in,
    // read only if the platform draws it.
    QApplication::setWindowIcon(
        QIcon::fromTheme("nubra", QIcon(new nubra::TDeferredIconEngine(QStringLiteral(":/icons/nubra-64.png")))));
    nubra::TShownProbe::InstallIfAsked();  // start-up timing only, see shown_probe.h
    fonts.Wait();  // before the first control measures its text
    nubra::TForm1 Form1(nullptr, nubra::DefaultServiceHosts(), source);  // its creation does all the start-up work
    Form1.show();
    return QApplication::exec();
}
