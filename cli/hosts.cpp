// nubra-cli hosts: prints the hosts of the services in effect, one
// "key=host" line each, after the overrides of the "serveurs" section of
// nubra.ini; a live service read over plain HTTP shows its "http://". Also
// holds the reading of those overrides for the other subcommands.
#include <cstdio>

#include "commands.h"
#include "sources.h"
#include "profile.h"
#include "subcommands.h"

namespace nubra::cli {

TServiceHosts ConfiguredHosts()
{
    const std::string path = SettingsPath();
    std::vector<std::string> rejected;
    TServiceHosts hosts = SettingsHosts(path, rejected);
    for (const std::string& key : rejected)
        std::fprintf(stderr, "nubra-cli : serveur « %s » de %s ignoré (attendu : hôte ou hôte:port%s)\n",
                     key.c_str(), path.c_str(), IsLiveServiceKey(key) ? ", ou http://hôte[:port]" : "");
    return hosts;
}

namespace {

// The names of the sources the country `key` offers ("classique ou open-meteo").
std::string sourcesOf(const std::string& key)
{
    std::string names;
    if (const TCountry* country = FindCountry(std::string_view(key)))
        for (const TForecastSource* source : country->Sources)
            names += (names.empty() ? "" : " ou ") + std::string(source->Name);
    return names;
}

} // namespace

TSourceChoice ConfiguredSources()
{
    const std::string path = SettingsPath();
    std::vector<std::string> rejected;
    const TSourceChoice sources = SettingsSources(path, rejected);
    for (const std::string& key : rejected)
        std::fprintf(stderr, "nubra-cli : source « %s » de %s ignorée (attendu : %s)\n", key.c_str(), path.c_str(),
                     sourcesOf(key).c_str());
    return sources;
}

int RunHosts(const Args& args)
{
    if (!args.empty()) {
        return PrintUsage("hosts");
    }
    const TServiceHosts hosts = ConfiguredHosts();
    for (std::string_view key : SourceHostKeys())
        std::printf("%.*s=%s\n", static_cast<int>(key.size()), key.data(), ServiceHostField(hosts, key)->c_str());
    return 0;
}

} // namespace nubra::cli
