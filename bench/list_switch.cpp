// List switching in the real window, on the offscreen platform: how long
// one switch takes from the handler's call to the window repainted, Qt's
// own work included (posted events such as the list's delayed layout, then
// a synchronous repaint of the whole window). A switch should fit in one
// frame at 60 Hz, 16 ms.
//   ShowCountry for Switzerland (4,507 places) and Belgium (2,755), each
//   from another country's lists;
//   ComboBox2Change to "62" (Pas-de-Calais, the French department with the
//   most communes) from its neighbour "59" (Nord) in the same region.
// Reference in the same run: the repaint alone, with no switch before it.
// Medians over many rounds, the cases interleaved. Exit status 1 when a
// median misses the frame.
#include <QApplication>
#include <QComboBox>
#include <QListWidget>

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "catalogue.h"
#include "median.h"
#include "places.h"
#include "unit1.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kFrameMs = 16.0;
constexpr int kRounds = 41;

std::int32_t firstCommuneOf(const nubra::TCatalogues& tables, const std::string& department) {
    for (std::size_t i = 0; i < tables.FranceCities.size(); ++i)
        if (tables.FranceCities[i].Departement() == department) return static_cast<std::int32_t>(i);
    return -1;
}

int departmentEntry(const QComboBox& list, const QString& code) {
    for (int i = 0; i < list.count(); ++i)
        if (list.itemText(i).startsWith(code + QStringLiteral(" :"))) return i;
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string folder = (std::filesystem::temp_directory_path() / "nubra-switch-XXXXXX").string();
    if (!::mkdtemp(folder.data())) return 2;
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    // No country: the start-up fetches nothing.
    std::ofstream(std::filesystem::path(folder) / "nubra.ini") << "[general]\nPays=7\n";

    QApplication application(argc, argv);
    nubra::TForm1 form;
    form.show();
    QApplication::processEvents();
    std::filesystem::remove_all(folder);

    const std::int32_t nord = firstCommuneOf(form.Catalogues(), "59");
    const std::int32_t pasDeCalais = firstCommuneOf(form.Catalogues(), "62");
    if (nord < 0 || pasDeCalais < 0) {
        std::fputs("bench_list_switch: departments 59 and 62 missing from the catalogue\n", stderr);
        return 2;
    }

    // The work of one frame after a handler: posted events, then the paint.
    const auto frame = [&] {
        QApplication::sendPostedEvents();
        QApplication::processEvents();
        form.repaint();
    };
    const auto timed = [&](std::vector<double>& into, const std::function<void()>& handler) {
        const auto start = Clock::now();
        handler();
        frame();
        into.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    };

    std::vector<double> suisse, belgique, department, repaintOnly;
    int rows[3] = {0, 0, 0};
    for (int round = 0; round < kRounds; ++round) {
        form.ShowCountry(0, nubra::kFrance);
        frame();
        timed(suisse, [&] { form.ShowCountry(0, 1); });
        rows[0] = form.ListBox1->count();
        timed(belgique, [&] { form.ShowCountry(0, 3); });
        rows[1] = form.ListBox1->count();

        // The lists of region "Nord-Pas-de-Calais" with "59" chosen, then the user picks "62".
        form.ShowCountry(nord, nubra::kFrance);
        nubra::CurrentCountry = nubra::kFrance;
        frame();
        const int entry = departmentEntry(*form.ComboBox2, QStringLiteral("62"));
        if (entry < 0) {
            std::fputs("bench_list_switch: \"62\" is not in the department list\n", stderr);
            return 2;
        }
        form.ComboBox2->setCurrentIndex(entry);
        timed(department, [&] { form.ComboBox2Change(); });
        rows[2] = form.ListBox1->count();

        timed(repaintOnly, [] {});
    }
    // 62's communes must be what the list shows, or the timing is of something else.
    std::size_t expected = 0;
    for (const auto& city : form.Catalogues().FranceCities) expected += city.Departement() == "62";
    if (static_cast<std::size_t>(rows[2]) != expected) {
        std::fprintf(stderr, "bench_list_switch: department list holds %d rows, 62 has %zu communes\n", rows[2],
                     expected);
        return 2;
    }

    struct Line {
        const char* name;
        int rows;
        const std::vector<double>& times;
    };
    const Line lines[] = {{"ShowCountry Suisse", rows[0], suisse},
                          {"ShowCountry Belgique", rows[1], belgique},
                          {"ComboBox2Change 59 -> 62", rows[2], department}};
    const double reference = nubra::bench::Median(repaintOnly);
    int status = 0;
    std::printf("offscreen platform, %d rounds, median per switch including posted events and repaint\n", kRounds);
    for (const Line& l : lines) {
        const double m = nubra::bench::Median(l.times);
        std::printf("%-26s %5d rows  %7.2f ms  (x%.1f the repaint alone; frame %.0f ms: %s)\n", l.name, l.rows, m,
                    m / reference, kFrameMs, m <= kFrameMs ? "met" : "NOT MET");
        if (m > kFrameMs) status = 1;
    }
    std::printf("%-26s %5s       %7.2f ms\n", "repaint alone (reference)", "", reference);
    return status;
}
