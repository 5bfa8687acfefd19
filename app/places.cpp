#include "places.h"

#include <algorithm>

#include "fixed_lists.h"

namespace nubra {
namespace {

// A FranceDepartments entry: region number in characters 1-2, department
// code in characters 6-7, shown text from character 6 (at most 100).
std::int32_t departmentRegion(std::string_view entry) {
    if (entry.size() < 2 || entry[0] < '0' || entry[0] > '9' || entry[1] < '0' || entry[1] > '9') return -1;
    return (entry[0] - '0') * 10 + (entry[1] - '0');
}

std::string_view departmentText(std::string_view entry) {
    return entry.size() > 5 ? entry.substr(5, 100) : std::string_view{};
}

std::string_view departmentCode(std::string_view shown) { return shown.substr(0, 2); }

template <class Names>
std::vector<std::string> allNames(const Names& names) {
    return std::vector<std::string>(names.begin(), names.end());
}

void showFrance(const TCatalogues& tables, std::int32_t city, TCountryView& view) {
    const auto& FranceCities = tables.FranceCities;
    view.RegionEnabled = true;
    view.DepartmentEnabled = true;
    view.Regions.Items = allNames(FranceRegions);
    if (!IsValidCity(FranceCities, city)) return;

    const TVilleFrance& place = FranceCities[static_cast<std::size_t>(city)];
    const std::int32_t region = place.Region;
    if (region >= 1 && region <= static_cast<std::int32_t>(FranceRegions.size())) view.Regions.Selected = region - 1;

    std::int32_t m = 0;
    for (const auto entry : FranceDepartments) {
        if (departmentRegion(entry) != region) continue;
        const std::int32_t added = AddSorted(view.Departments.Items, std::string(departmentText(entry)));
        if (entry.substr(5, 2) == place.Departement()) m = added;
    }
    if (m < static_cast<std::int32_t>(view.Departments.Items.size())) view.Departments.Selected = m;

    // Where several communes share the record's name, the last one wins.
    for (const TVilleFrance& other : FranceCities) {
        if (other.Departement() != place.Departement()) continue;
        view.Cities.Items.emplace_back(other.Nom());
        if (other.Nom() == place.Nom()) m = static_cast<std::int32_t>(view.Cities.Items.size()) - 1;
    }
    if (m < static_cast<std::int32_t>(view.Cities.Items.size())) view.Cities.Selected = m;
}

void showCanada(const TCatalogues& tables, std::int32_t city, TCountryView& view) {
    const auto& CanadaCities = tables.CanadaCities;
    view.RegionEnabled = true;
    view.DepartmentEnabled = false;
    view.Regions.Items = allNames(CanadaProvinces);
    if (!IsValidCity(CanadaCities, city)) return;

    const TVillecanada& place = CanadaCities[static_cast<std::size_t>(city)];
    const std::int32_t province = place.Province;
    if (province >= 1 && province <= static_cast<std::int32_t>(CanadaProvinces.size()))
        view.Regions.Selected = province - 1;

    std::int32_t m = 0;
    for (const TVillecanada& other : CanadaCities) {
        if (other.Province != place.Province) continue;
        view.Cities.Items.emplace_back(other.Nom());
        if (other.Nom() == place.Nom()) m = static_cast<std::int32_t>(view.Cities.Items.size()) - 1;
    }
    if (m < static_cast<std::int32_t>(view.Cities.Items.size())) view.Cities.Selected = m;
}

} // namespace

std::int32_t AddSorted(std::vector<std::string>& list, std::string entry) {
    const auto at = std::upper_bound(list.begin(), list.end(), entry);
    const auto position = static_cast<std::int32_t>(at - list.begin());
    list.insert(at, std::move(entry));
    return position;
}

TCountryView CountryView(const TCatalogues& tables, std::int32_t city, std::int32_t country) {
    const auto& SuisseCities = tables.SuisseCities;
    const auto& BelgiqueCities = tables.BelgiqueCities;
    TCountryView view;
    const bool known = country >= kFrance && country <= kBelgique;
    view.Country = known ? country : -1;
    view.RegionVisible = country == kFrance || country == kCanada;
    view.DepartmentVisible = country == kFrance;

    switch (country) {
    case kFrance:
        showFrance(tables, city, view);
        break;
    case kSuisse:
        view.RegionEnabled = false;
        view.DepartmentEnabled = false;
        view.Cities.Items.reserve(SuisseCities.size());
        for (const TVilleSuisse& place : SuisseCities)
            view.Cities.Items.push_back(std::string(place.Nom()) + " " + std::to_string(place.NPA));
        if (IsValidCity(SuisseCities, city)) view.Cities.Selected = city;
        break;
    case kCanada:
        showCanada(tables, city, view);
        break;
    case kBelgique:
        view.RegionEnabled = false;
        view.DepartmentEnabled = false;
        view.Cities.Items.reserve(BelgiqueCities.size());
        for (const TVilleBelge& place : BelgiqueCities) view.Cities.Items.emplace_back(place.Nom());
        if (IsValidCity(BelgiqueCities, city)) view.Cities.Selected = city;
        break;
    default:
        break;
    }
    return view;
}

std::vector<std::string> RegionDepartments(std::int32_t region) {
    std::vector<std::string> list;
    for (const auto entry : FranceDepartments)
        if (departmentRegion(entry) == region) AddSorted(list, std::string(departmentText(entry)));
    return list;
}

std::vector<std::string> DepartmentCommunes(const TCatalogues& tables, std::string_view departmentText) {
    const auto code = departmentCode(departmentText);
    std::vector<std::string> names;
    for (const TVilleFrance& place : tables.FranceCities)
        if (place.Departement() == code) names.emplace_back(place.Nom());
    return names;
}

std::vector<std::string> ProvinceCities(const TCatalogues& tables, std::int32_t province) {
    std::vector<std::string> names;
    for (const TVillecanada& place : tables.CanadaCities)
        if (place.Province == province) names.emplace_back(place.Nom());
    return names;
}

void ResolveSelection(const TCatalogues& tables, const TSelectionState& state, std::int32_t& City,
                      std::int32_t& Country) {
    const auto& FranceCities = tables.FranceCities;
    const auto& CanadaCities = tables.CanadaCities;
    Country = state.Country;
    const std::int32_t r = state.Region + 1;
    switch (Country) {
    case kFrance: {
        const auto d = departmentCode(state.Department);
        for (std::size_t i = 0; i < FranceCities.size(); ++i) {
            const TVilleFrance& place = FranceCities[i];
            if (place.Departement() == d && place.Region == r && place.Nom() == state.CityText) {
                City = static_cast<std::int32_t>(i);
                return;
            }
        }
        break;
    }
    case kSuisse:
    case kBelgique:
        if (state.CityRow >= 0) City = state.CityRow;
        break;
    case kCanada:
        for (std::size_t i = 0; i < CanadaCities.size(); ++i) {
            const TVillecanada& place = CanadaCities[i];
            if (place.Province == r && place.Nom() == state.CityText) {
                City = static_cast<std::int32_t>(i);
                return;
            }
        }
        break;
    default:
        break;
    }
}

bool IsValidPlace(const TCatalogues& tables, std::int32_t country, std::int32_t city) {
    const TCountry* row = FindCountry(country);
    return row && IsValidCity(*row, tables, city);
}

std::string_view CountryName(std::int32_t country) {
    const TCountry* row = FindCountry(country);
    return row ? row->Name : std::string_view{};
}

} // namespace nubra
