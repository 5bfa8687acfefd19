// nubra-cli hosts: prints the hosts of the services in effect, one
// "key=host" line each, after the overrides of the "serveurs" section of
// nubra.ini; a live service read over plain HTTP shows its "http://". Also
// holds the reading of those overrides for the other subcommands.
#include <cstdio>

#include "commands.h"
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

TSourceChoice ConfiguredSources()
{
    const std::string path = SettingsPath();
    std::vector<std::string> rejected;
    const TSourceChoice sources = SettingsSources(path, rejected);
    for (const std::string& key : rejected)
        std::fprintf(stderr, "nubra-cli : source « %s » de %s ignorée (attendu : classique ou open-meteo)\n",
                     key.c_str(), path.c_str());
    return sources;
}

int RunHosts(const Args& args)
{
    if (!args.empty()) {
        std::fputs("Usage : nubra-cli hosts\n", stderr);
        return 2;
    }
    const TServiceHosts hosts = ConfiguredHosts();
    for (std::string_view key : ServiceHostKeys)
        std::printf("%.*s=%s\n", static_cast<int>(key.size()), key.data(), ServiceHostField(hosts, key)->c_str());
    return 0;
}

} // namespace nubra::cli
