#include "commands.h"

#include "countries.h"
#include "cp1252.h"
#include "places.h"
#include "profile.h"

#include <stdexcept>

namespace nubra {

TPlace ReadDefaultPlace(const std::string& settingsPath) {
    TPlace place;
    place.Country = ReadProfileInt(settingsPath, kGeneralSection, kCountryKey, 0);
    place.City = ReadProfileInt(settingsPath, kGeneralSection, kCityKey, 0);
    return place;
}

void WriteDefaultPlace(const std::string& settingsPath, const TPlace& place) {
    WriteProfileInt(settingsPath, kGeneralSection, kCityKey, place.City);
    WriteProfileInt(settingsPath, kGeneralSection, kCountryKey, place.Country);
}

std::string InvalidPlaceMessage(std::int32_t country, std::int32_t city) {
    return "Ville inconnue : le catalogue " + std::string(CountryName(country)) +
           " n'a pas de ville num\xE9ro " + std::to_string(city);
}

std::optional<std::string> FetchForecast(const TCatalogues& tables, const TServiceHosts& hosts,
                                         std::int32_t country, std::int32_t city, TIdHTTP& http,
                                         const TSourceChoice& sources, const TPositionsSource& positions,
                                         std::chrono::milliseconds warningsTimeLimit) {
    const TCountry* row = FindCountry(country);
    if (!row) return std::nullopt;
    if (!IsValidCity(*row, tables, city)) throw std::runtime_error(InvalidPlaceMessage(country, city));
    const auto index = static_cast<std::size_t>(country);
    const TForecastSource* source = index < sources.size() && sources[index] ? sources[index] : row->DefaultSource;
    return FetchCityForecast(*row, tables, city, hosts, http, *source, positions, warningsTimeLimit);
}

TSourceChoice SettingsSources(const std::string& settingsPath, std::vector<std::string>& rejected) {
    TSourceChoice sources = DefaultSources();
    for (const TCountry& country : Countries()) {
        const std::string value = ReadProfileString(settingsPath, kSourcesSection, country.Key, "");
        if (value.empty()) continue;
        if (const TForecastSource* source = FindSource(country, value))
            sources[static_cast<std::size_t>(country.Index)] = source;
        else
            rejected.emplace_back(country.Key);
    }
    return sources;
}

TServiceHosts SettingsHosts(const std::string& settingsPath, std::vector<std::string>& rejected,
                            TServiceHosts base) {
    const THostLookup lookup = [&settingsPath](std::string_view key) -> std::optional<std::string> {
        std::string value = ReadProfileString(settingsPath, kHostsSection, key, "");
        if (value.empty()) return std::nullopt;
        return value;
    };
    return ApplyHostOverrides(std::move(base), lookup, &rejected);
}

std::string ApplicationTitle(std::string_view executablePath) {
    if (const auto slash = executablePath.find_last_of('/'); slash != std::string_view::npos)
        executablePath.remove_prefix(slash + 1);
    if (const auto dot = executablePath.find('.'); dot != std::string_view::npos)
        executablePath = executablePath.substr(0, dot);
    std::string title(executablePath);
    // The first character keeps its case; only the later ones are lowered.
    for (std::size_t i = 1; i < title.size(); ++i) title[i] = AnsiLowerChar(title[i]);
    return title;
}

std::string ErrorBoxText(std::string_view message) {
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) text += '.';
    return text;
}

} // namespace nubra
