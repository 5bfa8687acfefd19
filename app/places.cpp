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

// A group list, and the places of the record's group.
void showByGroup(const TCountry& country, const TCatalogues& tables, std::int32_t city, TCountryView& view) {
    view.RegionEnabled = true;
    view.DepartmentEnabled = false;
    view.Regions.Items = allNames(country.Groups);
    if (!IsValidCity(country, tables, city)) return;

    const std::int32_t group = country.CityGroup(tables, city);
    if (group >= 1 && group <= static_cast<std::int32_t>(country.Groups.size())) view.Regions.Selected = group - 1;

    // Where several places share the record's name, the last one wins.
    const std::string_view name = country.CityName(tables, city);
    std::int32_t m = 0;
    for (std::int32_t other = 0; other < country.CityCount(tables); ++other) {
        if (country.CityGroup(tables, other) != group) continue;
        view.Cities.Items.emplace_back(country.CityName(tables, other));
        if (country.CityName(tables, other) == name) m = static_cast<std::int32_t>(view.Cities.Items.size()) - 1;
    }
    if (m < static_cast<std::int32_t>(view.Cities.Items.size())) view.Cities.Selected = m;
}

// Every record in one list; the record's row is selected.
void showFlat(const TCountry& country, const TCatalogues& tables, std::int32_t city, TCountryView& view) {
    view.RegionEnabled = false;
    view.DepartmentEnabled = false;
    const std::int32_t count = country.CityCount(tables);
    view.Cities.Items.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) view.Cities.Items.push_back(country.ListEntry(tables, i));
    if (IsValidCity(country, tables, city)) view.Cities.Selected = city;
}

} // namespace

std::int32_t AddSorted(std::vector<std::string>& list, std::string entry) {
    const auto at = std::upper_bound(list.begin(), list.end(), entry);
    const auto position = static_cast<std::int32_t>(at - list.begin());
    list.insert(at, std::move(entry));
    return position;
}

TCountryView CountryView(const TCatalogues& tables, std::int32_t city, std::int32_t country) {
    TCountryView view;
    const TCountry* row = FindCountry(country);
    if (!row) return view;
    view.Country = country;
    view.RegionVisible = row->View != TListView::Flat;
    view.DepartmentVisible = row->View == TListView::ByRegionAndDepartment;
    switch (row->View) {
    case TListView::ByRegionAndDepartment:
        showFrance(tables, city, view);
        break;
    case TListView::ByGroup:
        showByGroup(*row, tables, city, view);
        break;
    case TListView::Flat:
        showFlat(*row, tables, city, view);
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

std::vector<std::string> GroupCities(const TCatalogues& tables, const TCountry& country, std::int32_t group) {
    std::vector<std::string> names;
    if (country.View != TListView::ByGroup) return names;
    for (std::int32_t i = 0; i < country.CityCount(tables); ++i)
        if (country.CityGroup(tables, i) == group) names.emplace_back(country.CityName(tables, i));
    return names;
}

void ResolveSelection(const TCatalogues& tables, const TSelectionState& state, std::int32_t& City,
                      std::int32_t& Country) {
    const auto& FranceCities = tables.FranceCities;
    Country = state.Country;
    const TCountry* row = FindCountry(Country);
    if (!row) return;
    const std::int32_t r = state.Region + 1;
    switch (row->View) {
    case TListView::ByRegionAndDepartment: {
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
    case TListView::ByGroup:
        for (std::int32_t i = 0; i < row->CityCount(tables); ++i) {
            if (row->CityGroup(tables, i) == r && row->CityName(tables, i) == state.CityText) {
                City = i;
                return;
            }
        }
        break;
    case TListView::Flat:
        if (state.CityRow >= 0) City = state.CityRow;
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
