#include "fixed_lists.h"

namespace nubra {

// Texts in Windows-1252; the readable form stands beside each escaped one.

const std::array<std::string_view, 22> FranceRegions = {
    "Alsace",
    "Aquitaine",
    "Auvergne",
    "Bourgogne",
    "Bretagne",
    "Centre - Val de Loire",
    "Champagne - Ardenne",
    "Corse",
    "Franche Comt\xE9", // Franche Comté
    "Ile de France",
    "Languedoc - Roussillon",
    "Limousin",
    "Lorraine",
    "Midi - Pyr\xE9n\xE9" "es", // Midi - Pyrénées
    "Nord - Pas de Calais",
    "Basse Normandie",
    "Haute Normandie",
    "Pays de la Loire",
    "Picardie",
    "Poitou - Charentes",
    "Provence - Alpes - C\xF4te d'Azur", // Provence - Alpes - Côte d'Azur
    "Rh\xF4ne - Alpes", // Rhône - Alpes
};

// Region number (2 digits), " : ", department code (2 characters), " : ",
// department name and chief town. Grouped by region, codes ascending.
const std::array<std::string_view, 96> FranceDepartments = {
    "01 : 67 : Bas-Rhin (Strasbourg)",
    "01 : 68 : Haut-Rhin (Colmar)",
    "02 : 24 : Dordogne (P\xE9rigueux)", // 02 : 24 : Dordogne (Périgueux)
    "02 : 33 : Gironde (Bordeaux)",
    "02 : 40 : Landes (Mont-de-Marsan)",
    "02 : 47 : Lot-et-Garonne (Agen)",
    "02 : 64 : Pyr\xE9n\xE9" "es-Atlantiques (Pau)", // 02 : 64 : Pyrénées-Atlantiques (Pau)
    "03 : 03 : Allier (Moulins)",
    "03 : 15 : Cantal (Aurillac)",
    "03 : 43 : Haute-Loire (Le Puy-en-Velay)",
    "03 : 63 : Puy-de-D\xF4me (Clermont-Ferrand)", // 03 : 63 : Puy-de-Dôme (Clermont-Ferrand)
    "04 : 21 : C\xF4te-d'Or (Dijon)", // 04 : 21 : Côte-d'Or (Dijon)
    "04 : 58 : Ni\xE8vre (Nevers)", // 04 : 58 : Nièvre (Nevers)
    "04 : 71 : Sa\xF4ne-et-Loire (M\xE2" "con)", // 04 : 71 : Saône-et-Loire (Mâcon)
    "04 : 89 : Yonne (Auxerre)",
    "05 : 22 : C\xF4tes d'Armor (Saint-Brieuc)", // 05 : 22 : Côtes d'Armor (Saint-Brieuc)
    "05 : 29 : Finist\xE8re (Quimper)", // 05 : 29 : Finistère (Quimper)
    "05 : 35 : Ille-et-Vilaine (Rennes)",
    "05 : 56 : Morbihan (Vannes)",
    "06 : 18 : Cher (Bourges)",
    "06 : 28 : Eure-et-Loir (Chartres)",
    "06 : 36 : Indre (Ch\xE2teauroux)", // 06 : 36 : Indre (Châteauroux)
    "06 : 37 : Indre-et-Loire (Tours)",
    "06 : 41 : Loir-et-Cher (Blois)",
    "06 : 45 : Loiret (Orl\xE9" "ans)", // 06 : 45 : Loiret (Orléans)
    "07 : 08 : Ardennes (Charleville-M\xE9zi\xE8res)", // 07 : 08 : Ardennes (Charleville-Mézières)
    "07 : 10 : Aube (Troyes)",
    "07 : 51 : Marne (Ch\xE2lons-en-Champagne)", // 07 : 51 : Marne (Châlons-en-Champagne)
    "07 : 52 : Haute-Marne (Chaumont)",
    "08 : 2A : Corse-du-Sud (Ajaccio)",
    "08 : 2B : Haute-Corse (Bastia)",
    "09 : 25 : Doubs (Besan\xE7on)", // 09 : 25 : Doubs (Besançon)
    "09 : 39 : Jura (Lons-le-Saunier)",
    "09 : 70 : Haute-Sa\xF4ne (Vesoul)", // 09 : 70 : Haute-Saône (Vesoul)
    "09 : 90 : Territoire-de-Belfort (Belfort)",
    "10 : 75 : Paris (Paris)",
    "10 : 77 : Seine-et-Marne (Melun)",
    "10 : 78 : Yvelines (Versailles)",
    "10 : 91 : Essonne (\xC9vry)", // 10 : 91 : Essonne (Évry)
    "10 : 92 : Hauts-de-Seine (Nanterre)",
    "10 : 93 : Seine-Saint-Denis (Bobigny)",
    "10 : 94 : Val-de-Marne (Cr\xE9teil)", // 10 : 94 : Val-de-Marne (Créteil)
    "10 : 95 : Val-d'Oise (Pontoise)",
    "11 : 11 : Aude (Carcassonne)",
    "11 : 30 : Gard (N\xEEmes)", // 11 : 30 : Gard (Nîmes)
    "11 : 34 : H\xE9rault (Montpellier)", // 11 : 34 : Hérault (Montpellier)
    "11 : 48 : Loz\xE8re (Mende)", // 11 : 48 : Lozère (Mende)
    "11 : 66 : Pyr\xE9n\xE9" "es-Orientales (Perpignan)", // 11 : 66 : Pyrénées-Orientales (Perpignan)
    "12 : 19 : Corr\xE8ze (Tulle)", // 12 : 19 : Corrèze (Tulle)
    "12 : 23 : Creuse (Gu\xE9ret)", // 12 : 23 : Creuse (Guéret)
    "12 : 87 : Haute-Vienne (Limoges)",
    "13 : 54 : Meurthe-et-Moselle (Nancy)",
    "13 : 55 : Meuse (Bar-le-Duc)",
    "13 : 57 : Moselle (Metz)",
    "13 : 88 : Vosges (\xC9pinal)", // 13 : 88 : Vosges (Épinal)
    "14 : 09 : Ari\xE8ge (Foix)", // 14 : 09 : Ariège (Foix)
    "14 : 12 : Aveyron (Rodez)",
    "14 : 31 : Haute-Garonne (Toulouse)",
    "14 : 32 : Gers (Auch)",
    "14 : 46 : Lot (Cahors)",
    "14 : 65 : Hautes-Pyr\xE9n\xE9" "es (Tarbes)", // 14 : 65 : Hautes-Pyrénées (Tarbes)
    "14 : 81 : Tarn (Albi)",
    "14 : 82 : Tarn-et-Garonne (Montauban)",
    "15 : 59 : Nord (Lille)",
    "15 : 62 : Pas-de-Calais (Arras)",
    "16 : 14 : Calvados (Caen)",
    "16 : 50 : Manche (Saint-L\xF4)", // 16 : 50 : Manche (Saint-Lô)
    "16 : 61 : Orne (Alen\xE7on)", // 16 : 61 : Orne (Alençon)
    "17 : 27 : Eure (\xC9vreux)", // 17 : 27 : Eure (Évreux)
    "17 : 76 : Seine-Maritime (Rouen)",
    "18 : 44 : Loire-Atlantique (Nantes)",
    "18 : 49 : Maine-et-Loire (Angers)",
    "18 : 53 : Mayenne (Laval)",
    "18 : 72 : Sarthe (Le Mans)",
    "18 : 85 : Vend\xE9" "e (La Roche-sur-Yon)", // 18 : 85 : Vendée (La Roche-sur-Yon)
    "19 : 02 : Aisne (Laon)",
    "19 : 60 : Oise (Beauvais)",
    "19 : 80 : Somme (Amiens)",
    "20 : 16 : Charente (Angoul\xEAme)", // 20 : 16 : Charente (Angoulême)
    "20 : 17 : Charente-Maritime (La Rochelle)",
    "20 : 79 : Deux-S\xE8vres (Niort)", // 20 : 79 : Deux-Sèvres (Niort)
    "20 : 86 : Vienne (Poitiers)",
    "21 : 04 : Alpes de Hautes-Provence (Digne)",
    "21 : 05 : Hautes-Alpes (Gap)",
    "21 : 06 : Alpes-Maritimes (Nice)",
    "21 : 13 : Bouches-du-Rh\xF4ne (Marseille)", // 21 : 13 : Bouches-du-Rhône (Marseille)
    "21 : 83 : Var (Toulon)",
    "21 : 84 : Vaucluse (Avignon)",
    "22 : 01 : Ain (Bourg-en-Bresse)",
    "22 : 07 : Ard\xE8" "che (Privas)", // 22 : 07 : Ardèche (Privas)
    "22 : 26 : Dr\xF4me (Valence)", // 22 : 26 : Drôme (Valence)
    "22 : 38 : Is\xE8re (Grenoble)", // 22 : 38 : Isère (Grenoble)
    "22 : 42 : Loire (Saint-\xC9tienne)", // 22 : 42 : Loire (Saint-Étienne)
    "22 : 69 : Rh\xF4ne (Lyon)", // 22 : 69 : Rhône (Lyon)
    "22 : 73 : Savoie (Chamb\xE9ry)", // 22 : 73 : Savoie (Chambéry)
    "22 : 74 : Haute-Savoie (Annecy)",
};

const std::array<std::string_view, 13> CanadaProvinces = {
    "Alberta",
    "Colombie-Britannique",
    "Manitoba",
    "Nouveau-Brunswick",
    "Terre-Neuve-et-Labrador",
    "Nouvelle-\xC9" "cosse", // Nouvelle-Écosse
    "Territoires du Nord-Ouest",
    "Nunavut",
    "Ontario",
    "\xCEle-du-Prince-\xC9" "douard", // Île-du-Prince-Édouard
    "Qu\xE9" "bec", // Québec
    "Saskatchewan",
    "Yukon",
};

const std::array<std::string_view, 12> LuxembourgCantons = {
    "Capellen", "Clervaux", "Diekirch", "Echternach", "Esch-sur-Alzette", "Grevenmacher",
    "Luxembourg", "Mersch", "Redange", "Remich", "Vianden", "Wiltz",
};

const std::array<std::string_view, 6> OutreMerTerritories = {
    "Guadeloupe", "Martinique", "Guyane",
    "La R\xE9union", // La Réunion
    "Saint-Pierre-et-Miquelon", "Mayotte",
};

} // namespace nubra
