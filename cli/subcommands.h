// The subcommands of nubra-cli. Each takes the arguments that follow its
// name and returns the process exit status.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "countries.h"
#include "hosts.h"

namespace nubra::cli {

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    int (*run)(const Args& args);
    const char* summary;  // one line, French
};

// The subcommand called `name`, or nullptr.
const Command* FindCommand(std::string_view name);
// The general help: every subcommand's forms and summary.
void PrintHelp(std::FILE* out);
// The usage of subcommand `name`: its forms, then its arguments; returns 2,
// the exit status of a usage error.
int PrintUsage(std::string_view name, std::FILE* out = stderr);

int RunUnzip(const Args& args);
int RunFetch(const Args& args);
int RunParse(const Args& args);
int RunForecast(const Args& args);
int RunHosts(const Args& args);
int RunPlaces(const Args& args);

// COUNTRY arguments: a country's key ("france") or its index in decimal;
// nullptr for any other text.
const TCountry* ParseCountry(const std::string& text);
// The hosts of the "serveurs" section of nubra.ini over the defaults, as the
// window takes them, warning on standard error about each value ignored.
TServiceHosts ConfiguredHosts();
// The source of each country from the "sources" section of nubra.ini, as
// the window takes it, warning on standard error about each value ignored.
TSourceChoice ConfiguredSources();
// The first place of the country's table named `name` (Windows-1252), or
// nullopt.
std::optional<std::int32_t> FindPlaceByName(const TCountry& country, const TCatalogues& tables,
                                            std::string_view name);
// PLACE arguments: a city index in decimal digits (not checked against the
// table), else the first place named `place` (UTF-8), or nullopt.
std::optional<std::int32_t> FindPlace(const TCountry& country, const TCatalogues& tables, const std::string& place);

} // namespace nubra::cli
