// Page generation for nubra-replica. The source file is UTF-8, so the
// accented letters written directly in the literals below reach the pages
// as UTF-8 byte pairs, the way a UTF-8 site serves them; others are written
// as HTML entities. Both are what the forecast sources decode.
#include "pages.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>

namespace nubra::replica {

namespace {

constexpr std::size_t kMaxPlaceKey = 16;

// --- Deterministic variation -------------------------------------------

std::uint64_t mix(std::uint64_t x)
{
    // splitmix64's finaliser
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::uint64_t hashOf(std::string_view text)
{
    std::uint64_t h = 0xCBF29CE484222325ull; // FNV-1a
    for (unsigned char c : text) {
        h ^= c;
        h *= 0x100000001B3ull;
    }
    return h;
}

// A small generator seeded by the service, the place and the day.
class TDice {
public:
    TDice(std::string_view service, std::string_view place, std::int64_t day)
        : state_(mix(hashOf(service) ^ mix(hashOf(place)) ^ static_cast<std::uint64_t>(day))) {}
    // A number from `low` to `high` inclusive.
    int between(int low, int high)
    {
        state_ = mix(state_);
        return low + static_cast<int>(state_ % static_cast<std::uint64_t>(high - low + 1));
    }
    template <class Array>
    auto pick(const Array& items) { return items[static_cast<std::size_t>(between(0, static_cast<int>(items.size()) - 1))]; }

private:
    std::uint64_t state_;
};

// --- Calendar ------------------------------------------------------------

struct TDate {
    int Year, Month, Day, WeekDay; // WeekDay 0 = Monday
};

TDate dateOf(std::int64_t days)
{
    // Howard Hinnant's civil_from_days
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
    const int weekDay = static_cast<int>(((days % 7) + 7 + 3) % 7); // 1970-01-01 was a Thursday
    return {y, m, d, weekDay};
}

constexpr std::array<std::string_view, 7> kDays = {
    "lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi", "dimanche"};
constexpr std::array<std::string_view, 7> kDaysCapital = {
    "Lundi", "Mardi", "Mercredi", "Jeudi", "Vendredi", "Samedi", "Dimanche"};
constexpr std::array<std::string_view, 7> kDayAbbreviations = {"Lu", "Ma", "Me", "Je", "Ve", "Sa", "Di"};
constexpr std::array<std::string_view, 12> kMonths = {
    "janvier", "février", "mars", "avril", "mai", "juin",
    "juillet", "août", "septembre", "octobre", "novembre", "décembre"};

std::string twoDigits(int n)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d", n % 100);
    return text;
}

std::string longDate(std::int64_t day)
{
    const TDate d = dateOf(day);
    return std::string(kDays[static_cast<std::size_t>(d.WeekDay)]) + " " + std::to_string(d.Day) + " " +
           std::string(kMonths[static_cast<std::size_t>(d.Month - 1)]) + " " + std::to_string(d.Year);
}

// --- Weather vocabulary ------------------------------------------------------

// Written half with entities, half in UTF-8, as real sites mix them.
constexpr std::array<std::string_view, 10> kSkies = {
    "Ensoleill&eacute;", "Éclaircies", "Peu nuageux", "Nuageux", "Tr&egrave;s nuageux",
    "Averses", "Pluie faible", "Neige faible", "Brouillard", "Orages isolés"};
constexpr std::array<std::string_view, 8> kWinds = {"N", "NE", "E", "SE", "S", "SO", "O", "NO"};
constexpr std::array<std::string_view, 6> kSaints = {
    "Saint Ambroise", "Sainte Barbe", "Saint Nicolas", "Sainte Lucie", "Saint Pierre", "Sainte Odile"};
constexpr std::array<std::string_view, 6> kCanadaSkies = {
    "Ensoleillé", "Nuageux", "Alternance de soleil et de nuages", "Quelques averses de neige",
    "Pluie", "Dégagement en soirée"};

std::string hourMinute(int minutes)
{
    return twoDigits(minutes / 60) + "h" + twoDigits(minutes % 60);
}

// A "Cookie" header value: "name=value; name2=value2".
std::string_view cookieValue(std::string_view cookie, std::string_view name)
{
    std::size_t start = 0;
    while (start < cookie.size()) {
        std::size_t end = cookie.find(';', start);
        if (end == std::string_view::npos)
            end = cookie.size();
        std::string_view pair = cookie.substr(start, end - start);
        while (!pair.empty() && pair.front() == ' ')
            pair.remove_prefix(1);
        if (pair.size() > name.size() && pair.substr(0, name.size()) == name && pair[name.size()] == '=')
            return pair.substr(name.size() + 1);
        start = end + 1;
    }
    return {};
}

constexpr std::uint64_t kSessionSecret = 0x6E75627261736573ull;

std::string hex16(std::uint64_t value)
{
    char text[20];
    std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(value));
    return text;
}

std::string newSessionId()
{
    static std::atomic<std::uint64_t> counter{1};
    const std::uint64_t n = mix(counter.fetch_add(1) ^ 0xA5A5A5A5ull);
    return hex16(n) + hex16(mix(n ^ kSessionSecret));
}

bool isPlaceKey(std::string_view key)
{
    if (key.empty() || key.size() > kMaxPlaceKey)
        return false;
    for (char c : key) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-';
        if (!ok)
            return false;
    }
    return true;
}

// The value of `name` in a query "a=1&b=2", or nothing.
std::string_view queryValue(std::string_view query, std::string_view name)
{
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string_view::npos)
            end = query.size();
        const std::string_view pair = query.substr(start, end - start);
        if (pair.size() > name.size() && pair.substr(0, name.size()) == name && pair[name.size()] == '=')
            return pair.substr(name.size() + 1);
        start = end + 1;
    }
    return {};
}

// --- Page furniture ------------------------------------------------------------

std::string pageHead(std::string_view title, std::string_view extraHead = {})
{
    std::string page = "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\">\r\n"
                       "<html lang=\"fr\">\r\n<head>\r\n"
                       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />\r\n"
                       "<title>";
    page += title;
    page += "</title>\r\n"
            "<script type=\"text/javascript\">\r\n"
            "  var pub = { zone: 'meteo', rafraichir: 900 };\r\n"
            "  function ouvrir(u) { if (u.length > 0 && u.length < 2048) { window.open(u, '_blank'); } }\r\n"
            "  function bandeau(n) {\r\n"
            "    var html = '';\r\n"
            "    for (var i = 0; i < n && i < 12; i++) { html += '<span class=\"b' + i + '\">' + i + '</span>'; }\r\n"
            "    document.write('<div class=\"bandeau\">' + html + '</div>');\r\n"
            "  }\r\n"
            "</script>\r\n"
            "<!-- <div class=\"ancien\"> ancienne mise en page </div> -->\r\n"
            "<link rel=\"stylesheet\" type=\"text/css\" href=\"/css/commun.css\" />\r\n";
    page += extraHead;
    page += "</head>\r\n";
    return page;
}

std::string navigation(std::string_view site)
{
    std::string nav = "<div id=\"entete\">\r\n  <a href=\"/\"><img src=\"/images/logo.png\" alt=\"";
    nav += site;
    nav += "\" /></a>\r\n  <ul class=\"menu\">\r\n"
           "    <li><a href=\"/\">Accueil</a></li>\r\n"
           "    <li><a href=\"/cartes\">Cartes &amp; observations</a></li>\r\n"
           "    <li><a href=\"/montagne\">Montagne &ndash; neige</a></li>\r\n"
           "    <li><a href=\"/mer\">Marine</a></li>\r\n"
           "  </ul>\r\n</div>\r\n";
    return nav;
}

// The site map at the foot of every page: a few dozen links, as the
// services' pages carry, so that a page weighs what a real one does.
std::string siteMap()
{
    static constexpr std::array<std::string_view, 8> sections = {
        "Prévisions", "Observations", "Cartes", "Climat", "Montagne", "Mer", "Agriculture", "Aide"};
    static constexpr std::array<std::string_view, 8> topics = {
        "aujourd&#39;hui", "demain", "7 jours", "radar", "satellite", "vigilance", "archives", "RSS"};
    std::string map = "<div id=\"plan\">\r\n";
    for (std::string_view section : sections) {
        map += "  <dl class=\"rubrique\"><dt>";
        map += section;
        map += "</dt>\r\n";
        for (std::string_view topic : topics) {
            map += "    <dd><a href=\"/plan/";
            map += std::to_string(hashOf(section) % 9973) + "/" + std::to_string(hashOf(topic) % 9973);
            map += ".html\" title=\"";
            map += section;
            map += " &ndash; ";
            map += topic;
            map += "\">";
            map += topic;
            map += "</a></dd>\r\n";
        }
        map += "  </dl>\r\n";
    }
    map += "</div>\r\n";
    return map;
}

std::string pageFoot(std::string_view site)
{
    std::string foot = siteMap();
    foot += "<div id=\"pied\">\r\n  <p>&copy; 2026 ";
    foot += site;
    foot += " &ndash; Tous droits réservés &middot; <a href=\"/mentions\">Mentions légales</a></p>\r\n"
            "</div>\r\n"
            "<script type=\"text/javascript\">if (document.images) { var t = new Image(); t.src = '/stat.gif?r=' + Math.random(); }</script>\r\n"
            "</body>\r\n</html>\r\n";
    return foot;
}

std::string simplePage(std::string_view title, std::string_view message)
{
    std::string page = pageHead(title);
    page += "<body>\r\n<h1>";
    page += title;
    page += "</h1>\r\n<p>";
    page += message;
    page += "</p>\r\n</body>\r\n</html>\r\n";
    return page;
}

TAnswer htmlAnswer(unsigned status, std::string body)
{
    TAnswer answer;
    answer.Status = status;
    answer.Headers.emplace_back("Content-Type", "text/html; charset=utf-8");
    answer.Body = std::move(body);
    return answer;
}

TAnswer notFound()
{
    return htmlAnswer(404, simplePage("Page introuvable", "La page demandée n'existe pas sur ce serveur."));
}

} // namespace

std::int64_t Today()
{
    using namespace std::chrono;
    return duration_cast<days>(system_clock::now().time_since_epoch()).count();
}

bool HasFranceSession(std::string_view cookie)
{
    const std::string_view value = cookieValue(cookie, FranceSessionCookie);
    if (value.size() != 32)
        return false;
    std::uint64_t n = 0;
    for (char c : value.substr(0, 16)) {
        const bool digit = c >= '0' && c <= '9';
        const bool letter = c >= 'A' && c <= 'F';
        if (!digit && !letter)
            return false;
        n = n * 16 + static_cast<std::uint64_t>(digit ? c - '0' : c - 'A' + 10);
    }
    return value.substr(16) == hex16(mix(n ^ kSessionSecret));
}

std::string FranceHomePage(std::int64_t day)
{
    std::string page = pageHead("Nubra-France : prévisions météo pour la France");
    page += "<body>\r\n";
    page += navigation("Nubra-France");
    page += "<div id=\"contenu\">\r\n  <h1>La météo d&rsquo;aujourd&rsquo;hui</h1>\r\n  <p>Nous sommes le ";
    page += longDate(day);
    page += ".</p>\r\n  <form action=\"/recherche\" method=\"get\"><input type=\"text\" name=\"ville\" /></form>\r\n</div>\r\n";
    page += pageFoot("Nubra-France");
    return page;
}

std::string FranceCommunePage(std::string_view codeInsee, std::int64_t day)
{
    TDice dice("france", codeInsee, day);
    const TDate today = dateOf(day);
    const std::string style =
        "<style type=\"text/css\">\r\n"
        "  #meteo .cityWeather p { margin: 0; padding: 2px 0; }\r\n"
        "  #meteo table.previsions td { text-align: center; }\r\n"
        "</style>\r\n";
    std::string page = pageHead("Prévisions pour la commune " + std::string(codeInsee));
    page += "<body>\r\n";
    page += navigation("Nubra-France");
    page += "<div id=\"meteo\">\r\n<h1>Prévisions pour la commune n&deg; ";
    page += codeInsee;
    page += "</h1>\r\n";

    // Ephemeris: the block is the second "div" after the style's marker,
    // so the style sheet stands right before it.
    const int sunrise = 7 * 60 + dice.between(0, 80);
    const int sunset = 16 * 60 + 30 + dice.between(0, 200);
    const int moonrise = dice.between(0, 23 * 60);
    const int moonset = (moonrise + 12 * 60 + dice.between(0, 90)) % (24 * 60);
    page += style;
    page += "<div class=\"cityWeather\">\r\n";
    page += "<div class=\"ephemeride\"><h3>Aujourd'hui</h3><p class=\"sunrise\">Lever ";
    page += hourMinute(sunrise) + " - Coucher " + hourMinute(sunset);
    page += "</p><p class=\"moonrise\">Lever " + hourMinute(moonrise) + " - Coucher " + hourMinute(moonset);
    page += "</p><p>F&ecirc;te : ";
    page += dice.pick(kSaints);
    page += "</p><div class=\"separateur\"></div></div>\r\n</div>\r\n";

    // Update time, then the forecast table with two title rows.
    page += "<p class=\"maj\">Actualisé le " + longDate(day) + " à " + twoDigits(5 + dice.between(0, 12)) + "h00</p>\r\n";
    page += "<table class=\"previsions\" summary=\"Prévisions\">\r\n"
            "<tr><th colspan=\"5\">Prévisions pour les prochains jours</th></tr>\r\n"
            "<tr><th>Période</th><th>Ciel</th><th>Température</th><th>Vent</th><th>Rafales</th></tr>\r\n";
    static constexpr std::array<std::string_view, 2> halves = {"matin", "après-midi"};
    for (int i = 0; i < 8; ++i) {
        const TDate d = dateOf(day + i / 2);
        const int temperature = dice.between(-6, 14) + (i % 2) * 5;
        const int wind = 5 * dice.between(1, 8);
        page += "<tr>\r\n  <td>";
        page += kDaysCapital[static_cast<std::size_t>(d.WeekDay)];
        page += " " + std::to_string(d.Day) + " ";
        page += halves[static_cast<std::size_t>(i % 2)];
        page += "</td>\r\n  <td><img src=\"/images/picto/" + std::to_string(dice.between(1, 30)) + ".gif\" alt=\"";
        page += dice.pick(kSkies);
        page += "\" /></td>\r\n  <td>" + std::to_string(temperature) + "&deg;C</td>\r\n  <td>";
        page += dice.pick(kWinds);
        page += " " + std::to_string(wind) + " km/h</td>\r\n  <td>";
        if (wind >= 25)
            page += std::to_string(wind + 20) + " km/h";
        else
            page += "-";
        page += "</td>\r\n</tr>\r\n";
    }
    page += "</table>\r\n<p class=\"note\">Prochaine actualisation vers " + twoDigits(today.Day % 12 + 6) + "h00.</p>\r\n</div>\r\n";
    page += pageFoot("Nubra-France");
    return page;
}

std::string SuissePage(std::string_view npa, std::int64_t day)
{
    TDice dice("suisse", npa, day);
    std::string page = pageHead("NubraSuisse - Prévisions locales");
    page += "<body>\r\n";
    page += navigation("NubraSuisse");
    // A layout table before the heading, as the service's pages have.
    page += "<table class=\"mise-en-page\" width=\"100%\"><tr><td><a href=\"/web/fr.html\">Accueil</a></td>"
            "<td><a href=\"/web/fr/meteo.html\">Météo</a></td></tr></table>\r\n";
    page += "<h1>Prévisions pour " + std::string(npa) + "</h1>\r\n";
    page += "<table class=\"prevision\" cellspacing=\"0\">\r\n"
            "<tr><th>Jour</th><th>Temps</th><th>Temp. min|max</th><th>Soleil</th><th>Précip.</th><th>Rafales</th></tr>\r\n";
    for (int i = 0; i < 5; ++i) {
        const TDate d = dateOf(day + i);
        const int low = dice.between(-10, 8);
        const int high = low + dice.between(2, 9);
        page += "<tr>\r\n  <td>";
        page += kDayAbbreviations[static_cast<std::size_t>(d.WeekDay)];
        page += ", " + twoDigits(d.Day) + "." + twoDigits(d.Month) + ".</td>\r\n";
        page += "  <td><img src=\"/img/symbole/" + std::to_string(dice.between(1, 35)) + ".png\" alt=\"";
        page += dice.pick(kSkies);
        page += "\" /></td>\r\n";
        page += "  <td>" + std::to_string(low) + "|" + std::to_string(high) + "&deg;</td>\r\n";
        page += "  <td>" + std::to_string(10 * dice.between(0, 10)) + "%</td>\r\n";
        page += "  <td>" + std::to_string(dice.between(0, 12)) + " mm</td>\r\n";
        page += "  <td>" + std::to_string(5 * dice.between(0, 20)) + "%</td>\r\n</tr>\r\n";
    }
    page += "</table>\r\n<p>Données fournies à titre indicatif &ndash; NubraSuisse.</p>\r\n";
    page += pageFoot("NubraSuisse");
    return page;
}

std::string CanadaPage(std::string_view codeVille, std::int64_t day)
{
    TDice dice("canada", codeVille, day);
    std::string page = pageHead("Prévisions - " + std::string(codeVille));
    page += "<body>\r\n<p><a href=\"#contenu\">Passer au contenu</a> | <a href=\"/index_f.html\">Accueil</a></p>\r\n";
    page += "<div id=\"contenu\">\r\n";
    page += "<div class=\"theDefListsBox\">\r\n"
            "<h2>Conditions actuelles</h2>\r\n<dl>\r\n";
    page += "<dt>Condition :</dt><dd>";
    page += dice.pick(kCanadaSkies);
    page += "</dd>\r\n<dt>Température :</dt><dd>" + std::to_string(dice.between(-30, 10)) + "&deg;C</dd>\r\n";
    page += "<dt>Vent :</dt><dd>" + std::string(dice.pick(kWinds)) + " " + std::to_string(5 * dice.between(0, 10)) +
            " km/h</dd>\r\n</dl>\r\n</div>\r\n";
    page += "<div class=\"theDefListsBox\">\r\n<h2>Prévisions émises le " + longDate(day) + "</h2>\r\n<dl>\r\n";
    for (int i = 0; i < 5; ++i) {
        const TDate d = dateOf(day + i);
        page += "<dt>";
        page += i == 0 ? std::string("Ce soir et cette nuit") : std::string(kDaysCapital[static_cast<std::size_t>(d.WeekDay)]);
        page += "</dt><dd>";
        page += dice.pick(kCanadaSkies);
        const int value = i == 0 ? dice.between(-25, -1) : dice.between(-15, 8);
        page += i == 0 ? ". Minimum " : ". Maximum ";
        if (value == 0)
            page += "z&eacute;ro";
        else
            page += (value < 0 ? "moins " : "plus ") + std::to_string(value < 0 ? -value : value);
        page += ".</dd>\r\n";
    }
    page += "</dl>\r\n</div>\r\n";
    page += "<p class=\"avis\">Aucun avertissement en vigueur.</p>\r\n</div>\r\n";
    page += pageFoot("Nubra Canada");
    return page;
}

std::string BelgiquePage(std::string_view station, std::int64_t day)
{
    TDice dice("belgique", station, day);
    std::string page = pageHead("Le Soir - Météo");
    page += "<body>\r\n";
    page += navigation("Le Soir");
    page += "<div id=\"meteo-ville\">\r\n<h2>Station " + std::string(station) + "</h2>\r\n";
    page += "<div class=\"climat-content\">\r\n<ul class=\"jours\">\r\n";
    for (int i = 0; i < 5; ++i) {
        const TDate d = dateOf(day + i);
        const int low = dice.between(-5, 9);
        page += "  <li><b>";
        page += kDaysCapital[static_cast<std::size_t>(d.WeekDay)];
        page += " " + std::to_string(d.Day) + " : </b> <i>";
        page += dice.pick(kSkies);
        page += "</i> <span>, " + std::to_string(low) + "&deg; / " + std::to_string(low + dice.between(2, 8)) +
                "&deg;</span></li>\r\n";
    }
    page += "</ul>\r\n</div>\r\n<p class=\"source\">Source : Institut royal météorologique</p>\r\n</div>\r\n";
    page += "<div class=\"pub\"><ul><li>Publicité</li></ul></div>\r\n";
    page += pageFoot("Le Soir");
    return page;
}

TAnswer AnswerRequest(std::string_view target, std::string_view cookie, std::int64_t day)
{
    const std::size_t mark = target.find('?');
    const std::string_view path = target.substr(0, mark);
    const std::string_view query = mark == std::string_view::npos ? std::string_view{} : target.substr(mark + 1);

    if (path == "/france/accueil") {
        TAnswer answer = htmlAnswer(200, FranceHomePage(day));
        answer.Headers.emplace_back("Set-Cookie", std::string(FranceSessionCookie) + "=" + newSessionId() + "; Path=/");
        return answer;
    }
    if (path == "/jsp/site/Portal.jsp") {
        constexpr std::string_view prefix = "page_id=2731&PREVISIONS_PORTLET.path=previsionsville%2F";
        if (query.substr(0, prefix.size()) != prefix || query.size() < prefix.size() + 2 || query.back() != '0')
            return notFound();
        const std::string_view code = query.substr(prefix.size(), query.size() - prefix.size() - 1);
        if (!isPlaceKey(code))
            return notFound();
        if (!HasFranceSession(cookie)) {
            TAnswer answer = htmlAnswer(302, simplePage("Session expirée", "Votre session a expiré."));
            answer.Headers.emplace_back("Location", "/france/accueil");
            return answer;
        }
        return htmlAnswer(200, FranceCommunePage(code, day));
    }
    if (path == "/web/fr/meteo/previsions_en_detail/prevision_par_localite.html") {
        const std::string_view npa = queryValue(query, "plz");
        if (!isPlaceKey(npa))
            return notFound();
        return htmlAnswer(200, SuissePage(npa, day));
    }
    if (path == "/forecast/city_f.html") {
        const std::string_view code = query.substr(0, query.find('&'));
        if (!isPlaceKey(code))
            return notFound();
        return htmlAnswer(200, CanadaPage(code, day));
    }
    if (path == "/index.php") {
        const std::string_view station = queryValue(query, "station");
        if (!isPlaceKey(station))
            return notFound();
        return htmlAnswer(200, BelgiquePage(station, day));
    }
    return notFound();
}

} // namespace nubra::replica
