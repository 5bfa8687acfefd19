// The constant lists that name the levels above the city: the 22 regions and
// 96 departments of metropolitan France, the 13 Canadian provinces and
// territories, the 12 cantons of Luxembourg and the 6 overseas departments
// and territories. Positions are data: a region or province number is its
// position plus 1. Texts are Windows-1252.
#pragma once

#include <array>
#include <string_view>

namespace nubra {

// "Alsace" .. "Rhône - Alpes"
extern const std::array<std::string_view, 22> FranceRegions;
// "01 : 67 : Bas-Rhin (Strasbourg)": region number (characters 1-2), " : ",
// department code (characters 6-7), " : ", name and chief town.
extern const std::array<std::string_view, 96> FranceDepartments;
// "Alberta" .. "Yukon"
extern const std::array<std::string_view, 13> CanadaProvinces;
// "Capellen" .. "Wiltz"
extern const std::array<std::string_view, 12> LuxembourgCantons;
// The overseas departments and territories whose communes "data.om" holds,
// in the order of their commune codes (971 .. 976).
extern const std::array<std::string_view, 6> OutreMerTerritories;

} // namespace nubra
