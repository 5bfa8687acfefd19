// The main window: the place lists on the left, the forecast text above, the
// command buttons on the right. The window builds its controls, wires them
// to its handlers and copies texts in and out; what the lists hold and how
// a selection is resolved come from places.h, the settings file and the
// choice of source from commands.h.
//
// Every text inside is Windows-1252; it is converted to Qt's strings only
// when it is put on screen, and back when a list entry's text is read.
//
// Handlers run one at a time. A forecast is fetched on a worker thread while
// the window keeps painting, shows a busy cursor and ignores the mouse and
// the keyboard, apart from Escape, which abandons the fetch. A start-up
// fetch that takes long shows the window early, so that Escape can reach it.
#pragma once

#include <QWidget>

#include <cstdint>
#include <future>
#include <memory>
#include <optional>
#include <string>

#include "catalogue.h"
#include "coords.h"
#include "countries.h"
#include "hosts.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace nubra {

class TIdHTTP;
struct TCountryView;

// The country and city of the last show, store or restore command
// (CurrentCountry alone also follows the user's choice of country): the
// lists' country as the region and department handlers see it, and the
// place the refresh command fetches.
extern std::int32_t CurrentCountry;
extern std::int32_t CurrentCity;

// Starts decompressing and parsing the embedded catalogues on a second
// thread, for the next TForm1 to take over: main() calls it before Qt
// starts, so that the load runs while Qt initialises and the controls are
// built. The same thread then reads the places' positions, which the
// Open-Meteo source (every country's by default) needs for the start-up
// forecast. A TForm1 created without it starts the load itself.
void PreloadCatalogues();

// A load of the catalogues under way (or done): the tables it fills and
// its end, then the positions. The tables are read only once `done` has
// been waited for, the positions once `positionsRead` has.
struct TCatalogueLoad {
    std::shared_ptr<TCatalogues> tables;
    std::future<void> done;  // not valid: no second thread, load in place
    std::shared_ptr<TEmbeddedPositions> positions;
    std::shared_future<void> positionsRead;  // not valid: read by the first fetch that needs them
};

class TForm1 : public QWidget {
    Q_OBJECT

public:
    // Builds the controls with their initial content, then runs FormCreate.
    // The sources read from `baseHosts` with the settings file's overrides
    // applied (tests hand in a local replica's hosts). `source`, when given
    // (the command line's --source), is every country's source for this
    // run; else each country's comes from the settings file.
    explicit TForm1(QWidget* parent = nullptr, TServiceHosts baseHosts = DefaultServiceHosts(),
                    std::optional<std::string> source = std::nullopt);
    ~TForm1() override;

    // Controls, named as in the window's design (each also its objectName).
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button1 = nullptr;  // "Fermer"
    QLabel* Label1 = nullptr;        // "Région :"
    QComboBox* ComboBox1 = nullptr;  // regions or provinces
    QLabel* Label2 = nullptr;        // "Département :"
    QComboBox* ComboBox2 = nullptr;  // departments, ascending text order
    QPushButton* Button3 = nullptr;  // show the chosen city
    QListWidget* ListBox1 = nullptr; // places
    QLabel* Label3 = nullptr;        // "Ville :"
    QPushButton* Button4 = nullptr;  // store the default
    QPushButton* Button2 = nullptr;  // refresh
    QLabel* Label4 = nullptr;        // "Pays :"
    QComboBox* ComboBox3 = nullptr;  // countries
    QPushButton* Button5 = nullptr;  // back to the default
    std::unique_ptr<TIdHTTP> IdHTTP1;
    QPushButton* Button6 = nullptr;  // hidden; closes like Button1

    // The hosts the sources read from and the source of each country,
    // fixed at start-up.
    TServiceHosts Hosts;
    TSourceChoice Sources = DefaultSources();
    // How long the warnings may take once a forecast is in.
    std::chrono::milliseconds WarningsTimeLimit = kWarningsTimeLimit;

    // The place catalogues, filled by FormCreate and only read afterwards.
    const TCatalogues& Catalogues() const { return *catalogues_.tables; }

    // Start-up: catalogues from the embedded archive, default place from
    // the settings file, lists, then the default place's forecast.
    void FormCreate();
    void FormShow();

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void ComboBox1Change();
    void ComboBox2Change();
    void ComboBox3Change();

    void ShowCountry(std::int32_t City, std::int32_t Country);
    void ResolveSelection(std::int32_t& City, std::int32_t& Country);
    void ShowForecast(std::int32_t Country, std::int32_t City);

    // Shows a failure in the modal error box, titled with the application
    // title. `message` is Windows-1252.
    void ShowError(const std::string& message);

    // True while a forecast is being fetched.
    bool IsFetching() const { return fetching_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void applyView(const TCountryView& view);
    void focusStep();
    // Runs a handler body; a failure goes to the error box.
    template <class Body>
    void guarded(Body&& body);

    bool fetching_ = false;
    // The catalogue load the constructor starts on a second thread, so that
    // it runs while the controls are built; FormCreate waits for it. Its
    // positions are asked for on the fetch's worker thread (fetches run one
    // at a time) and kept.
    TCatalogueLoad catalogues_;
};

} // namespace nubra
