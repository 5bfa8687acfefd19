// How long ShowCountry takes to fill the lists for the two largest cases:
// the whole Swiss catalogue, and the French department with the most
// communes; alone, and followed by a repaint of the window. Not a test:
// run it by hand (QT_QPA_PLATFORM=offscreen) on a quiet machine.
#include <QApplication>
#include <QListWidget>

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "catalogue.h"
#include "unit1.h"

namespace {

template <class Body>
double medianMs(int rounds, Body&& body) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        body();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string folder = (std::filesystem::temp_directory_path() / "nubra-timing-XXXXXX").string();
    if (!::mkdtemp(folder.data())) return 1;
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    std::ofstream(std::filesystem::path(folder) / "nubra.ini") << "[general]\nPays=7\n";  // nothing fetched

    QApplication application(argc, argv);
    nubra::TForm1 form;
    form.show();
    QApplication::processEvents();

    std::map<std::string, std::pair<int, std::int32_t>> departments;  // code -> (communes, a city)
    for (std::size_t i = 0; i < form.Catalogues().FranceCities.size(); ++i) {
        auto& entry = departments[std::string(form.Catalogues().FranceCities[i].Departement())];
        if (entry.first++ == 0) entry.second = static_cast<std::int32_t>(i);
    }
    const auto largest = std::max_element(departments.begin(), departments.end(),
                                          [](const auto& a, const auto& b) { return a.second.first < b.second.first; });

    const int rounds = 41;
    struct Case {
        const char* name;
        std::int32_t country, city;
    };
    const Case cases[] = {{"Suisse (catalogue entier)", 1, 0}, {"France, plus grand departement", 0, largest->second.second}};
    for (const Case& c : cases) {
        const double fill = medianMs(rounds, [&] { form.ShowCountry(c.city, c.country); });
        const double painted = medianMs(rounds, [&] {
            form.ShowCountry(c.city, c.country);
            form.repaint();
        });
        std::printf("%-32s %5d lignes  ShowCountry %.2f ms  avec repeinte %.2f ms (mediane de %d)\n", c.name,
                    form.ListBox1->count(), fill, painted, rounds);
    }
    std::printf("plus grand departement : %s\n", largest->first.c_str());
    std::filesystem::remove_all(folder);
    return 0;
}
