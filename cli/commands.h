// The subcommands of nubra-cli. Each takes the arguments that follow its
// name and returns the process exit status.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nubra::cli {

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    int (*run)(const Args& args);
    const char* usage;    // one line, French
    const char* summary;  // one line, French
};

int RunUnzip(const Args& args);
int RunFetch(const Args& args);
int RunParse(const Args& args);
int RunForecast(const Args& args);
int RunHosts(const Args& args);
int RunPlaces(const Args& args);

// COUNTRY arguments: "france", "suisse", "canada", "belgique" or 0 to 3.
std::optional<int> ParseCountry(const std::string& text);
// The forecast text a country's walk gives for a page already fetched.
std::string WalkPage(int country, std::string_view page, std::string_view name);
// Applies the "serveurs" overrides of nubra.ini to the service hosts,
// warning on standard error about each value ignored.
void LoadConfiguredHosts();

} // namespace nubra::cli
