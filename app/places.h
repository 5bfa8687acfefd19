// The place selection without a display: what the country, region,
// department and city lists hold for a country and a stored place, and how
// a selection on screen turns back into a country index and a city index.
// The window (unit1.h) only copies these contents into its widgets and reads
// its widgets' selections into a TSelectionState.
//
// Country index: a row of countries.h; any other value selects nothing. City index: position of a
// record in its country's table of the catalogues handed in. Texts are
// Windows-1252 bytes. Name comparisons are exact.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue.h"
#include "countries.h"

namespace nubra {

// One list's entries and the position to select (-1: none).
struct TListContent {
    std::vector<std::string> Items;
    std::int32_t Selected = -1;
};

// Everything ShowCountry puts on screen.
struct TCountryView {
    std::int32_t Country = -1;               // entry of the country list, -1: none
    bool RegionVisible = false;              // region/province list and its caption
    bool DepartmentVisible = false;          // department list and its caption
    std::optional<bool> RegionEnabled;       // nullopt: left as it is
    std::optional<bool> DepartmentEnabled;
    TListContent Regions;                    // regions (France) or the country's groups
    TListContent Departments;                // kept in ascending text order
    TListContent Cities;
};

// The lists for `country` with the place `city` selected, in the country's
// view (TListView). France and the countries listed by group select the
// record's region or group, its department, and the last entry bearing the
// record's name; a flat list holds the whole table and selects entry `city`.
//
// A city index that is not valid for the country (including any index of an
// empty table) never reads outside the table: France and the grouped
// countries then show their region or group list with nothing selected and
// empty department and city lists; a flat list is shown with nothing
// selected.
TCountryView CountryView(const TCatalogues& tables, std::int32_t city, std::int32_t country);

// Adds `entry` to a list kept in ascending byte order, after any equal
// entries; returns its position.
std::int32_t AddSorted(std::vector<std::string>& list, std::string entry);

// The department list of region `region` (1..22): the entries of
// FranceDepartments of that region from their department code on, in
// ascending text order. Empty for a region number outside 1..22.
std::vector<std::string> RegionDepartments(std::int32_t region);

// Names of the French communes whose department code is the first two
// characters of `departmentText`, in catalogue order.
std::vector<std::string> DepartmentCommunes(const TCatalogues& tables, std::string_view departmentText);

// Names of the places of group `group` (1 for the first of its Groups) of a
// country listed by group, in catalogue order; empty for another view.
std::vector<std::string> GroupCities(const TCatalogues& tables, const TCountry& country, std::int32_t group);

// The selections on screen, as ResolveSelection reads them.
struct TSelectionState {
    std::int32_t Country = -1;     // selected entry of the country list
    std::int32_t Region = -1;      // selected entry of the region/province list
    std::string Department;        // text of the selected department entry ("" if none)
    std::int32_t CityRow = -1;     // selected entry of the city list
    std::string CityText;          // its text
};

// Sets `Country` to the selected country and, when the selected place is
// found, `City` to its index (the first matching record for France and the
// grouped countries, the row for a flat list); otherwise `City` is kept.
void ResolveSelection(const TCatalogues& tables, const TSelectionState& state, std::int32_t& City,
                      std::int32_t& Country);

// True when `city` indexes a record of `country`'s table.
bool IsValidPlace(const TCatalogues& tables, std::int32_t country, std::int32_t city);

// The French name of a country index ("France", "Suisse", ...), empty
// outside the rows.
std::string_view CountryName(std::int32_t country);

} // namespace nubra
