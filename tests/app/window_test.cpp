// The real window, headless, with the program's own catalogue: start-up,
// place selection and the forecast commands against the local replica of
// the weather services and against servers that fail.
#include "unit1.h"
#include "vigilance.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>

#include <memory>

#include "catalogue.h"
#include "deferred_icon.h"
#include "gui_support.h"
#include "hosts.h"
#include "http.h"
#include "pages.h"
#include "places.h"
#include "tls_server.h"

namespace nubra {
namespace {

using test::TBadServer;
using test::TBoxWatcher;
using test::TConfigFolder;
using test::fromCp1252;

QString selectedCity(const QListWidget* list) {
    const auto items = list->selectedItems();
    return items.isEmpty() ? QString() : items.front()->text();
}

bool wholeTextSelected(const QPlainTextEdit* memo) {
    const QTextCursor cursor = memo->textCursor();
    return cursor.selectionStart() == 0 && cursor.selectionEnd() == memo->document()->characterCount() - 1;
}

// The user chooses entry `index` of a drop-down list.
void choose(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

void chooseCity(QListWidget* list, int row) { list->setCurrentRow(row); }

// Clicks `button` of `form` and presses Escape as soon as `server` holds a
// connection of the fetch it starts; false when, 15 s on, the fetch was
// still running and had to be abandoned from here.
bool clickThenEscapeOnceConnected(TForm1& form, QPushButton* button, const TBadServer& server) {
    QTimer escape;
    QObject::connect(&escape, &QTimer::timeout, [&] {
        if (server.connections() < 1 || !form.IsFetching()) return;
        QTest::keyClick(form.Memo1, Qt::Key_Escape);
        escape.stop();
    });
    escape.start(20);
    bool stillFetching = false;
    QTimer watchdog;  // never hang, whatever happens
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        stillFetching = form.IsFetching();
        form.IdHTTP1->Abort();
    });
    watchdog.start(15000);
    button->click();
    return !stillFetching;
}

class WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        replica_ = new test::TReplica;
        if (!replica_->start()) {
            delete replica_;
            replica_ = nullptr;
        }
    }
    static void TearDownTestSuite() {
        delete replica_;
        replica_ = nullptr;
    }

    void SetUp() override {
        ASSERT_NE(replica_, nullptr) << "nubra-replica did not start";
        config_ = std::make_unique<TConfigFolder>();
        watcher_ = std::make_unique<TBoxWatcher>();
    }
    void TearDown() override {
        form_.reset();
        watcher_.reset();
        config_.reset();
    }

    // Settings file: the replica's hosts, the historic services, then
    // `general` lines if any.
    void settings(const std::string& general) {
        std::string content = test::classicSettings(replica_->host());
        if (!general.empty()) content += "[general]\n" + general;
        config_->write(content);
    }

    TForm1& open(TServiceHosts baseHosts = DefaultServiceHosts()) {
        form_ = std::make_unique<TForm1>(nullptr, std::move(baseHosts));
        form_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form_.get(), 5000));
        form_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get(), 5000));
        // The replica answers the warnings on loopback: given a minute,
        // they arrive however loaded the machine is.
        form_->WarningsTimeLimit = std::chrono::minutes(1);
        return *form_;
    }

    const std::vector<test::TBoxSeen>& boxes() const { return watcher_->boxes(); }
    const TCatalogues& tables() const { return form_->Catalogues(); }

    static test::TReplica* replica_;
    std::unique_ptr<TConfigFolder> config_;
    std::unique_ptr<TBoxWatcher> watcher_;
    std::unique_ptr<TForm1> form_;
};

test::TReplica* WindowTest::replica_ = nullptr;

TEST_F(WindowTest, ControlsStandWhereTheDesignPutsThem) {
    settings("Pays=7\n");
    TForm1& form = open();
    EXPECT_EQ(form.windowTitle(), "Nubra");
    EXPECT_EQ(form.size(), QSize(626, 600));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());

    struct Row {
        QWidget* widget;
        const char* name;
        QRect geometry;
    };
    const Row rows[] = {
        {form.Memo1, "Memo1", {8, 8, 609, 385}},         {form.Button1, "Button1", {440, 528, 180, 25}},
        {form.Label1, "Label1", {8, 448, 40, 13}},       {form.ComboBox1, "ComboBox1", {8, 464, 209, 21}},
        {form.Label2, "Label2", {8, 496, 67, 13}},       {form.ComboBox2, "ComboBox2", {8, 512, 209, 21}},
        {form.Button3, "Button3", {440, 400, 180, 25}},  {form.ListBox1, "ListBox1", {224, 416, 209, 177}},
        {form.Label3, "Label3", {224, 400, 25, 13}},     {form.Button4, "Button4", {440, 432, 180, 25}},
        {form.Button2, "Button2", {440, 495, 180, 25}},  {form.Label4, "Label4", {8, 400, 29, 13}},
        {form.ComboBox3, "ComboBox3", {8, 416, 209, 21}}, {form.Button5, "Button5", {440, 464, 180, 25}},
        {form.Button6, "Button6", {438, 560, 180, 25}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.widget->objectName(), row.name);
        if (qobject_cast<QLabel*>(row.widget)) {
            // Captions grow to their text when the font in use is wider.
            const QRect shown = row.widget->geometry();
            EXPECT_EQ(shown.topLeft(), row.geometry.topLeft()) << row.name;
            EXPECT_EQ(shown.height(), row.geometry.height()) << row.name;
            EXPECT_GE(shown.width(), row.geometry.width()) << row.name;
            EXPECT_GE(shown.width(), row.widget->sizeHint().width()) << row.name;
        } else {
            EXPECT_EQ(row.widget->geometry(), row.geometry) << row.name;
        }
    }
    EXPECT_EQ(form.Button4->text(), QString::fromUtf8("Définir comme ville par défaut"));
    EXPECT_EQ(form.Button5->text(), QString::fromUtf8("Revenir à la ville par défaut"));
    EXPECT_EQ(form.Label2->text(), QString::fromUtf8("Département :"));
    EXPECT_FALSE(form.Button6->isVisible());

    // Tab order, from the text area on.
    const QWidget* expected[] = {form.Memo1, form.Button1, form.Button2, form.ComboBox3, form.ComboBox1,
                                 form.ComboBox2, form.ListBox1, form.Button3, form.Button4, form.Button5,
                                 form.Button6};
    std::vector<const QWidget*> chain;
    const QWidget* at = form.Memo1;
    for (int guard = 0; guard < 200 && chain.size() < std::size(expected); ++guard, at = at->nextInFocusChain())
        if (std::find(std::begin(expected), std::end(expected), at) != std::end(expected)) chain.push_back(at);
    EXPECT_TRUE(std::equal(chain.begin(), chain.end(), std::begin(expected), std::end(expected)));

    // Enter puts no line break into the text area; other keys are typed.
    form.Memo1->setFocus();
    QTest::keyClick(form.Memo1, Qt::Key_A);
    QTest::keyClick(form.Memo1, Qt::Key_Return);
    QTest::keyClick(form.Memo1, Qt::Key_Enter);
    EXPECT_EQ(form.Memo1->toPlainText(), "a");

    // The hidden button closes like "Fermer".
    form.Button6->click();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(WindowTest, ScreenReadersHearEachControlByItsCaption) {
    settings("");
    TForm1& form = open();
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&form);
    ASSERT_NE(window, nullptr);

    struct Row {
        QWidget* widget;
        QAccessible::Role role;
        QString name;
        QLabel* caption;
    };
    const Row rows[] = {
        {form.Memo1, QAccessible::EditableText, QString::fromUtf8("Prévisions"), nullptr},
        {form.ComboBox3, QAccessible::ComboBox, QStringLiteral("Pays"), form.Label4},
        {form.ComboBox1, QAccessible::ComboBox, QString::fromUtf8("Région"), form.Label1},
        {form.ComboBox2, QAccessible::ComboBox, QString::fromUtf8("Département"), form.Label2},
        {form.ListBox1, QAccessible::List, QStringLiteral("Ville"), form.Label3},
        {form.Button1, QAccessible::Button, QStringLiteral("Fermer"), nullptr},
        {form.Button2, QAccessible::Button, QStringLiteral("Rafraichir la page"), nullptr},
        {form.Button3, QAccessible::Button, QStringLiteral("Voir la Nubra de cette ville"), nullptr},
        {form.Button4, QAccessible::Button, QString::fromUtf8("Définir comme ville par défaut"), nullptr},
        {form.Button5, QAccessible::Button, QString::fromUtf8("Revenir à la ville par défaut"), nullptr},
    };
    std::vector<QObject*> listed;
    for (int i = 0; i < window->childCount(); ++i) listed.push_back(window->child(i)->object());
    for (const Row& row : rows) {
        const std::string id = row.widget->objectName().toStdString();
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(row.widget);
        ASSERT_NE(control, nullptr) << id;
        EXPECT_EQ(control->role(), row.role) << id;
        EXPECT_NE(std::find(listed.begin(), listed.end(), row.widget), listed.end()) << id;
        if (row.role == QAccessible::ComboBox) {
            // On Linux Qt gives a drop-down list's current entry as its name
            // and screen readers name it by its caption (checked below);
            // elsewhere Qt reads the name set on the widget.
            EXPECT_EQ(row.widget->accessibleName(), row.name) << id;
        } else {
            EXPECT_EQ(control->text(QAccessible::Name), row.name) << id;
        }
        if (row.caption) {
            // The caption labels its control, the colon left to the caption.
            QAccessibleInterface* caption = QAccessible::queryAccessibleInterface(row.caption);
            EXPECT_EQ(caption->text(QAccessible::Name), row.name + QStringLiteral(" :")) << id;
            const auto labelled = caption->relations(QAccessible::Labelled);
            ASSERT_EQ(labelled.size(), 1) << id;
            EXPECT_EQ(labelled.front().first->object(), row.widget) << id;
        }
    }
    // The hidden button is neither listed nor reached with Tab.
    EXPECT_EQ(std::find(listed.begin(), listed.end(), form.Button6), listed.end());
    EXPECT_EQ(window->indexOfChild(QAccessible::queryAccessibleInterface(form.Button6)), -1);

    const QWidget* order[] = {form.Button1,   form.Button2,  form.ComboBox3, form.ComboBox1, form.ComboBox2,
                              form.ListBox1,  form.Button3,  form.Button4,   form.Button5,   form.Memo1};
    form.Memo1->setFocus();
    for (const QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        // The city list gives its current row, whose parent is the list.
        QAccessibleInterface* focused = window->focusChild();
        while (focused && !focused->object()) focused = focused->parent();
        ASSERT_NE(focused, nullptr) << next->objectName().toStdString();
        EXPECT_EQ(focused->object(), next) << "after Tab: " << focused->object()->objectName().toStdString();
    }

    // An error box gives its message to the screen reader.
    watcher_.reset();  // this test reads the box before closing it
    QString spoken;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer sweep;
    QObject::connect(&sweep, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box || !box->isVisible()) continue;
            QAccessibleInterface* alert = QAccessible::queryAccessibleInterface(box);
            if (alert && alert->role() == QAccessible::AlertMessage) spoken = alert->text(QAccessible::Value);
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
        }
    });
    sweep.start(10);
    settings("Pays=0\nvilledefaut=999999\n");
    form.Button5->click();
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(spoken, QString::fromUtf8("Ville inconnue : le catalogue France n'a pas de ville numéro 999999."));
}

TEST_F(WindowTest, StartsWithoutSettingsOnTheFirstFrenchCommuneFromOpenMeteo) {
    // No settings file at all; the hosts in effect are the replica's. With
    // no [sources], the forecast is Open-Meteo's.
    TServiceHosts hosts;
    hosts.France = hosts.Suisse = hosts.Canada = hosts.CanadaSite = hosts.Belgique = replica_->host();
    hosts.OpenMeteo = "http://" + replica_->host();
    TForm1& form = open(hosts);
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(form.Memo1->toPlainText().startsWith(
        fromCp1252("Pr\xE9visions Open-Meteo pour " + std::string(tables().FranceCities[0].Nom()))));
    ASSERT_FALSE(tables().FranceCities.empty());
    EXPECT_EQ(form.ComboBox3->currentText(), "France");
    EXPECT_EQ(form.ComboBox1->currentText(), "Alsace");
    EXPECT_EQ(form.ComboBox2->currentText(), "67 : Bas-Rhin (Strasbourg)");
    EXPECT_EQ(selectedCity(form.ListBox1), fromCp1252(tables().FranceCities[0].Nom()));
    EXPECT_EQ(CurrentCountry, 0);
    EXPECT_EQ(CurrentCity, 0);
    EXPECT_FALSE(std::filesystem::exists(config_->settings()));  // start-up writes nothing
}

TEST_F(WindowTest, StartsOnTheStoredFrenchDefaultWithItsForecast) {
    settings("");  // hosts only: "Pays" and "villedefaut" read as 0
    TForm1& form = open();
    EXPECT_TRUE(boxes().empty()) << boxes().front().Text.toStdString();
    EXPECT_EQ(selectedCity(form.ListBox1), fromCp1252(tables().FranceCities[0].Nom()));
    EXPECT_TRUE(form.Memo1->toPlainText().contains(fromCp1252(tables().FranceCities[0].Nom())));
    EXPECT_FALSE(form.Memo1->toPlainText().contains('\r'));
    EXPECT_EQ(form.ListBox1->visualItemRect(form.ListBox1->item(0)).height(), 13);
    EXPECT_TRUE(wholeTextSelected(form.Memo1));
    EXPECT_EQ(QApplication::focusWidget(), form.Memo1);
}

TEST_F(WindowTest, StartsOnCanadaWithThePromptForItsCity) {
    settings("Pays=2\nvilledefaut=3\n");
    TForm1& form = open();
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(form.ComboBox3->currentText(), "Canada");
    EXPECT_TRUE(form.ComboBox1->isVisible());
    EXPECT_TRUE(form.ComboBox1->isEnabled());
    EXPECT_TRUE(form.Label1->isVisible());
    EXPECT_FALSE(form.ComboBox2->isVisible());
    EXPECT_FALSE(form.Label2->isVisible());
    EXPECT_EQ(form.ComboBox1->currentIndex(), tables().CanadaCities[3].Province - 1);
    EXPECT_EQ(selectedCity(form.ListBox1), fromCp1252(tables().CanadaCities[3].Nom()));
    EXPECT_TRUE(form.Memo1->toPlainText().contains(fromCp1252(tables().CanadaCities[3].Nom())));
    EXPECT_TRUE(wholeTextSelected(form.Memo1));
}

TEST_F(WindowTest, UnknownStoredCountryFetchesNothing) {
    // The hosts point nowhere: any fetch would raise an error box.
    config_->write(test::classicSettings(test::closedHost()) + "[general]\nPays=7\nvilledefaut=2\n");
    TForm1& form = open();
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(form.ComboBox3->currentIndex(), -1);
    EXPECT_FALSE(form.ComboBox1->isVisible());
    EXPECT_FALSE(form.ComboBox2->isVisible());
    EXPECT_EQ(form.ListBox1->count(), 0);
    EXPECT_TRUE(form.Memo1->toPlainText().isEmpty());
    EXPECT_EQ(CurrentCountry, 7);
    EXPECT_EQ(CurrentCity, 2);

    // Back to the default: still nothing fetched, the focus step is done.
    form.Memo1->setPlainText(QStringLiteral("texte"));
    form.Button1->setFocus();
    form.Button5->click();
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(form.Memo1->toPlainText(), "texte");
    EXPECT_EQ(QApplication::focusWidget(), form.Memo1);
    EXPECT_TRUE(wholeTextSelected(form.Memo1));
}

TEST_F(WindowTest, OutOfRangeStoredCityIsReportedAndNeverRead) {
    settings("Pays=0\nvilledefaut=999999\n");
    TForm1& form = open();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].Text, QString::fromUtf8("Ville inconnue : le catalogue France n'a pas de ville numéro 999999."));
    EXPECT_EQ(boxes()[0].Title, test::expectedBoxTitle());
    EXPECT_EQ(boxes()[0].Icon, QMessageBox::Critical);
    EXPECT_EQ(boxes()[0].Buttons, QMessageBox::Ok);
    EXPECT_EQ(boxes()[0].Parent, &form);
    EXPECT_EQ(form.ComboBox1->count(), 22);
    EXPECT_EQ(form.ComboBox1->currentIndex(), -1);
    EXPECT_EQ(form.ComboBox2->count(), 0);
    EXPECT_EQ(form.ListBox1->count(), 0);
    EXPECT_TRUE(form.Memo1->toPlainText().isEmpty());

    // Refresh pairs the same index: the same message, nothing fetched.
    form.Button2->click();
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[1].Text, boxes()[0].Text);
}

TEST_F(WindowTest, ChoosingCanadaShowsTheFirstProvinceAndFetchesNothing) {
    settings("Pays=7\n");
    TForm1& form = open();
    choose(form.ComboBox3, 2);
    EXPECT_EQ(CurrentCountry, 2);
    EXPECT_EQ(CurrentCity, 0);
    EXPECT_TRUE(form.ComboBox1->isVisible());
    EXPECT_EQ(form.ComboBox1->currentText(), "Alberta");
    EXPECT_FALSE(form.ComboBox2->isVisible());
    EXPECT_FALSE(form.ComboBox2->isEnabled());
    EXPECT_FALSE(form.Label2->isVisible());
    EXPECT_EQ(selectedCity(form.ListBox1), fromCp1252(tables().CanadaCities[0].Nom()));
    EXPECT_TRUE(form.Memo1->toPlainText().isEmpty());

    // Another province: its cities, none selected.
    choose(form.ComboBox1, 10);
    EXPECT_GT(form.ListBox1->count(), 0);
    EXPECT_TRUE(form.ListBox1->selectedItems().isEmpty());
    EXPECT_EQ(form.ListBox1->item(0)->text(), fromCp1252(GroupCities(tables(), *FindCountry(kCanada), 11).front()));

    // Switzerland and Belgium list their whole catalogue.
    choose(form.ComboBox3, 1);
    EXPECT_EQ(form.ListBox1->count(), static_cast<int>(tables().SuisseCities.size()));
    EXPECT_EQ(selectedCity(form.ListBox1),
              fromCp1252(std::string(tables().SuisseCities[0].Nom()) + " " +
                         std::to_string(tables().SuisseCities[0].NPA)));
    EXPECT_FALSE(form.ComboBox1->isVisible());
    // Typing the first letters of a place jumps to it.
    form.ListBox1->setFocus();
    QTest::keyClicks(form.ListBox1, QStringLiteral("ber"));
    ASSERT_NE(form.ListBox1->currentItem(), nullptr);
    EXPECT_TRUE(form.ListBox1->currentItem()->text().startsWith(QStringLiteral("BER")))
        << form.ListBox1->currentItem()->text().toStdString();
    choose(form.ComboBox3, 3);
    EXPECT_EQ(form.ListBox1->count(), static_cast<int>(tables().BelgiqueCities.size()));
    EXPECT_TRUE(boxes().empty());
}

TEST_F(WindowTest, RegionAndDepartmentChoicesRefillTheListsBelow) {
    settings("Pays=7\n");
    TForm1& form = open();
    choose(form.ComboBox3, 0);
    choose(form.ComboBox1, 7);  // Corse
    ASSERT_EQ(form.ComboBox2->count(), 2);
    EXPECT_EQ(form.ComboBox2->itemText(0), "2A : Corse-du-Sud (Ajaccio)");
    EXPECT_EQ(form.ComboBox2->itemText(1), "2B : Haute-Corse (Bastia)");
    EXPECT_EQ(form.ComboBox2->currentIndex(), 0);
    EXPECT_EQ(form.ListBox1->count(), static_cast<int>(DepartmentCommunes(tables(), "2A").size()));
    EXPECT_TRUE(form.ListBox1->selectedItems().isEmpty());

    // "Voir" and "Définir" do nothing until a commune is chosen.
    const std::int32_t country = CurrentCountry, city = CurrentCity;
    form.Button3->click();
    form.Button4->click();
    EXPECT_EQ(CurrentCountry, country);
    EXPECT_EQ(CurrentCity, city);
    EXPECT_EQ(config_->read().find("villedefaut"), std::string::npos);

    choose(form.ComboBox2, 1);
    const auto bastia = DepartmentCommunes(tables(), "2B");
    ASSERT_FALSE(bastia.empty());
    EXPECT_EQ(form.ListBox1->count(), static_cast<int>(bastia.size()));
    chooseCity(form.ListBox1, 0);
    form.Button3->click();
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(CurrentCountry, 0);
    EXPECT_EQ(tables().FranceCities[static_cast<std::size_t>(CurrentCity)].Departement(), "2B");
    EXPECT_TRUE(form.Memo1->toPlainText().contains(fromCp1252(bastia.front())));
}

// The historic service for France only, from the settings: Belgium, named
// nowhere, reads Open-Meteo at start-up, France its service, and an invalid
// choice is named and left on the default. With --source classique, every
// country reads its service for the run, nothing written.
TEST_F(WindowTest, SourcesChosenPerCountryOrForTheRun) {
    config_->write(test::hostsSection(replica_->host()) +
                   "[sources]\nfrance=classique\nsuisse=meteo\n[general]\nPays=3\nvilledefaut=2\n");
    TForm1& form = open();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].Text, fromCp1252("Source ignor\xE9" "e dans la section [sources] de nubra.ini : suisse."));
    EXPECT_EQ(form.Sources[kSuisse], &kOpenMeteo);
    const QStringList lines = form.Memo1->toPlainText().split('\n');
    ASSERT_GE(lines.size(), 10);
    EXPECT_TRUE(lines[0].startsWith(fromCp1252("Pr\xE9visions Open-Meteo pour " +
                                               std::string(tables().BelgiqueCities[2].Nom()) + ", actualis\xE9" "es le ")))
        << lines[0].toStdString();
    EXPECT_EQ(lines[1], fromCp1252("Donn\xE9" "es Open-Meteo.com (CC BY 4.0) - ") + QString::fromStdString(replica_->host()));
    // The place's warnings follow the credit line: none for this one.
    EXPECT_EQ(lines[2], "Aucune vigilance en cours");
    EXPECT_TRUE(lines[3].startsWith("Actuellement : ")) << lines[3].toStdString();
    EXPECT_TRUE(lines[4].startsWith("Soleil : lever ")) << lines[4].toStdString();
    EXPECT_TRUE(wholeTextSelected(form.Memo1));

    choose(form.ComboBox3, 0);
    chooseCity(form.ListBox1, 0);
    form.Button3->click();
    EXPECT_TRUE(form.Memo1->toPlainText().startsWith("Nubra de ")) << form.Memo1->toPlainText().toStdString();
    EXPECT_EQ(boxes().size(), 1u);

    form_.reset();
    const std::string before = config_->read();
    form_ = std::make_unique<TForm1>(nullptr, DefaultServiceHosts(), "classique");
    const QStringList classic = form_->Memo1->toPlainText().split('\n');
    ASSERT_GE(classic.size(), 2);
    EXPECT_EQ(classic[1], "Nubra Belge - http://" + QString::fromStdString(replica_->host()));
    EXPECT_EQ(boxes().size(), 1u);  // the settings' choices are not read for this run
    EXPECT_EQ(config_->read(), before);
}

// The countries without a historic service: Monaco's quarters at start-up,
// a Luxembourg locality chosen by canton, a commune of La Reunion chosen by
// territory and stored as the default, each forecast by Open-Meteo (here
// the replica).
TEST_F(WindowTest, LuxembourgMonacoAndOutreMerShowOpenMeteoForecasts) {
    config_->write(test::hostsSection(replica_->host()) + "[general]\nPays=5\nvilledefaut=5\n");
    TForm1& form = open();
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(form.ComboBox3->currentText(), "Monaco");
    EXPECT_FALSE(form.ComboBox1->isVisible());
    ASSERT_EQ(form.ListBox1->count(), 6);
    EXPECT_EQ(selectedCity(form.ListBox1), "Monte-Carlo");
    const auto heading = [&] { return form.Memo1->toPlainText().section('\n', 0, 0); };
    EXPECT_TRUE(heading().startsWith(fromCp1252("Pr\xE9visions Open-Meteo pour Monte-Carlo, actualis\xE9" "es le ")))
        << heading().toStdString();
    // No service issues warnings for Monaco: the text says so.
    EXPECT_EQ(form.Memo1->toPlainText().section('\n', 2, 2), fromCp1252(kNoWarningService));

    const struct {
        int country, group;
        const char* place;  // UTF-8
    } visits[] = {{kLuxembourg, 4, "Esch-sur-Alzette"}, {kOutreMer, 3, "Saint-Denis"}};
    for (const auto& visit : visits) {
        SCOPED_TRACE(visit.place);
        choose(form.ComboBox3, visit.country);
        EXPECT_TRUE(form.ComboBox1->isVisible());
        EXPECT_FALSE(form.ComboBox2->isVisible());
        choose(form.ComboBox1, visit.group);
        const auto rows = form.ListBox1->findItems(QString::fromUtf8(visit.place), Qt::MatchExactly);
        ASSERT_EQ(rows.size(), 1);
        form.ListBox1->setCurrentItem(rows[0]);
        form.Button3->click();
        EXPECT_TRUE(boxes().empty());
        EXPECT_EQ(CurrentCountry, visit.country);
        EXPECT_EQ(fromCp1252(FindCountry(visit.country)->CityName(tables(), CurrentCity)), QString::fromUtf8(visit.place));
        EXPECT_TRUE(heading().startsWith(QString::fromUtf8("Prévisions Open-Meteo pour ") + QString::fromUtf8(visit.place)))
            << heading().toStdString();
    }
    form.Button4->click();
    EXPECT_EQ(config_->read(), test::hostsSection(replica_->host()) + "[general]\nPays=6\nvilledefaut=" +
                                   std::to_string(CurrentCity) + "\n");
}

// The replica's orange warning for the Bas-Rhin, in force all of its day:
// Strasbourg's forecast shows it after the credit line, Colmar's (Haut-Rhin)
// does not; a warning server that cannot be reached leaves the forecast
// shown with one line saying so, and no error box.
TEST_F(WindowTest, OfficialWarningsOfThePlaceFollowTheCreditLine) {
    config_->write(test::hostsSection(replica_->host()));
    TForm1& form = open();
    const auto commune = [&](const char* code) {
        for (std::size_t i = 0; i < tables().FranceCities.size(); ++i)
            if (tables().FranceCities[i].CodeInsee() == code) return static_cast<std::int32_t>(i);
        return -1;
    };
    const auto forecastOf = [&](std::int32_t city) {
        CurrentCountry = kFrance;
        CurrentCity = city;
        form.Button2->click();
        return form.Memo1->toPlainText().split('\n');
    };
    const QStringList strasbourg = forecastOf(commune("67482"));
    ASSERT_GE(strasbourg.size(), 4);
    EXPECT_TRUE(strasbourg[2].startsWith("Vigilance orange")) << strasbourg[2].toStdString();
    EXPECT_TRUE(strasbourg[2].endsWith(fromCp1252("(M\xE9t\xE9o-France)"))) << strasbourg[2].toStdString();
    EXPECT_FALSE(form.Memo1->toPlainText().contains("Aucune vigilance"));

    const QStringList colmar = forecastOf(commune("68066"));
    ASSERT_GE(colmar.size(), 4);
    EXPECT_FALSE(form.Memo1->toPlainText().contains("Vigilance orange"));
    EXPECT_TRUE(colmar[3].startsWith("Actuellement")) << colmar[3].toStdString();

    TBadServer refusing(TBadServer::Mode::NotFound);
    form.Hosts.MeteoAlarm = "http://" + refusing.host();
    const QStringList unavailable = forecastOf(commune("67482"));
    ASSERT_GE(unavailable.size(), 4);
    EXPECT_TRUE(unavailable[2].startsWith("Vigilances indisponibles : ")) << unavailable[2].toStdString();
    EXPECT_TRUE(unavailable[3].startsWith("Actuellement")) << unavailable[3].toStdString();
    EXPECT_TRUE(boxes().empty());
}

// GeoMet's wind warning for Montréal: Montréal is inside its polygon;
// Terrebonne, whose box the polygon crosses, is outside it.
TEST_F(WindowTest, CanadianWarningsFollowTheirPolygon) {
    config_->write(test::hostsSection(replica_->host()));
    TForm1& form = open();
    const TCountry& canada = *FindCountry(kCanada);
    const auto forecastOf = [&](std::string_view name) {
        CurrentCountry = kCanada;
        CurrentCity = -1;
        for (std::int32_t i = 0; i < canada.CityCount(tables()); ++i)
            if (canada.CityName(tables(), i) == name) CurrentCity = i;
        EXPECT_GE(CurrentCity, 0) << name;
        form.Button2->click();
        return form.Memo1->toPlainText().split('\n');
    };
    const QStringList montreal = forecastOf("Montr\xE9" "al");
    ASSERT_GE(montreal.size(), 4);
    EXPECT_TRUE(montreal[2].startsWith("avertissement de vent (jaune) : du ")) << montreal[2].toStdString();
    EXPECT_TRUE(montreal[2].endsWith("(Environnement Canada)")) << montreal[2].toStdString();
    const QStringList terrebonne = forecastOf("Terrebonne");
    ASSERT_GE(terrebonne.size(), 4);
    EXPECT_EQ(terrebonne[2], "Aucune vigilance en cours");
    EXPECT_TRUE(boxes().empty());
}

// A warning server that answers garbage, or keeps silent past the time the
// warnings are given, leaves the forecast with one line and no box; Escape
// while it keeps silent abandons the whole fetch, as during the forecast.
TEST_F(WindowTest, WarningServerThatFailsLeavesTheForecastWithOneLine) {
    config_->write(test::hostsSection(replica_->host()));
    TForm1& form = open();
    const auto lines = [&] {
        form.Button2->click();
        return form.Memo1->toPlainText().split('\n');
    };
    TBadServer garbage(TBadServer::Mode::Garbage);
    form.Hosts.MeteoAlarm = "http://" + garbage.host();
    QStringList shown = lines();
    ASSERT_GE(shown.size(), 4);
    EXPECT_TRUE(shown[2].startsWith("Vigilances indisponibles : Index MeteoAlarm illisible (")) << shown[2].toStdString();
    EXPECT_TRUE(shown[3].startsWith("Actuellement")) << shown[3].toStdString();

    TBadServer silent(TBadServer::Mode::Silent);
    form.Hosts.MeteoAlarm = "http://" + silent.host();
    form.WarningsTimeLimit = std::chrono::milliseconds(300);
    shown = lines();
    ASSERT_GE(shown.size(), 4);
    EXPECT_EQ(shown[2], fromCp1252("Vigilances indisponibles : d\xE9lai d\xE9pass\xE9."));
    EXPECT_TRUE(shown[3].startsWith("Actuellement")) << shown[3].toStdString();
    EXPECT_TRUE(boxes().empty());

    const QString before = form.Memo1->toPlainText();
    TBadServer stalled(TBadServer::Mode::Silent);
    form.Hosts.MeteoAlarm = "http://" + stalled.host();
    form.WarningsTimeLimit = std::chrono::minutes(1);
    // Once the warnings are asked for, the forecast is in.
    EXPECT_TRUE(clickThenEscapeOnceConnected(form, form.Button2, stalled));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].Text, QString::fromUtf8("Opération annulée."));
    EXPECT_EQ(form.Memo1->toPlainText(), before);
}

TEST_F(WindowTest, TheTwoCastillonOfPyreneesAtlantiquesResolveToTheFirst) {
    std::vector<std::int32_t> castillon;
    settings("Pays=7\n");
    TForm1& form = open();
    for (std::size_t i = 0; i < tables().FranceCities.size(); ++i)
        if (tables().FranceCities[i].Departement() == "64" && tables().FranceCities[i].Nom() == "Castillon")
            castillon.push_back(static_cast<std::int32_t>(i));
    ASSERT_EQ(castillon.size(), 2u);

    form.ShowCountry(castillon[0], 0);
    const auto rows = form.ListBox1->findItems(QStringLiteral("Castillon"), Qt::MatchExactly);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(form.ListBox1->selectedItems().value(0), rows[1]);  // the last of the two

    for (QListWidgetItem* row : rows) {
        form.ListBox1->setCurrentItem(row);
        form.Button4->click();
        EXPECT_EQ(CurrentCity, castillon[0]);
        EXPECT_NE(config_->read().find("villedefaut=" + std::to_string(castillon[0])), std::string::npos);
    }
}

TEST_F(WindowTest, RegionChoiceFollowsCurrentCountryRatherThanTheLists) {
    settings("Pays=2\nvilledefaut=0\n");
    TForm1& form = open();
    ASSERT_EQ(form.ComboBox3->currentIndex(), 2);

    // Switzerland as the current country: choosing a province does nothing.
    CurrentCountry = 1;
    const int before = form.ListBox1->count();
    choose(form.ComboBox1, 1);
    EXPECT_EQ(form.ListBox1->count(), before);

    // France as the current country while the lists show Canada: the hidden
    // department list and the city list are filled from the French tables.
    config_->write(test::classicSettings(replica_->host()) + "[general]\nPays=0\nvilledefaut=0\n");
    form.Button5->click();
    EXPECT_EQ(CurrentCountry, 0);
    EXPECT_EQ(form.ComboBox3->currentIndex(), 2);  // lists left alone
    choose(form.ComboBox1, 1);                      // "Colombie-Britannique", read as region 2
    EXPECT_EQ(form.ComboBox2->currentText(), QString::fromUtf8("24 : Dordogne (Périgueux)"));
    EXPECT_FALSE(form.ComboBox2->isVisible());
    EXPECT_EQ(form.ListBox1->count(), static_cast<int>(DepartmentCommunes(tables(), "24").size()));

    // A commune chosen there matches no Canadian city: the city index stays.
    chooseCity(form.ListBox1, 0);
    CurrentCity = 5;
    const QString memo = form.Memo1->toPlainText();
    form.Button3->click();
    EXPECT_EQ(CurrentCountry, 2);
    EXPECT_EQ(CurrentCity, 5);
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(form.Memo1->toPlainText().contains(fromCp1252(tables().CanadaCities[5].Nom())));
    EXPECT_NE(form.Memo1->toPlainText(), memo);
}

TEST_F(WindowTest, ShowRefreshStoreAndRestore) {
    settings("");
    TForm1& form = open();
    const QString first = form.Memo1->toPlainText();

    choose(form.ComboBox3, 1);
    chooseCity(form.ListBox1, 5);
    form.Button1->setFocus();
    form.Button3->click();
    EXPECT_EQ(CurrentCountry, 1);
    EXPECT_EQ(CurrentCity, 5);
    const QString swiss = form.Memo1->toPlainText();
    EXPECT_TRUE(swiss.contains(fromCp1252(tables().SuisseCities[5].Nom())));
    EXPECT_EQ(QApplication::focusWidget(), form.Memo1);
    EXPECT_TRUE(wholeTextSelected(form.Memo1));

    form.Memo1->setPlainText(QString());
    form.Button2->click();
    EXPECT_EQ(form.Memo1->toPlainText(), swiss);

    form.Button4->click();
    EXPECT_EQ(config_->read(), test::classicSettings(replica_->host()) + "[general]\nvilledefaut=5\nPays=1\n");

    choose(form.ComboBox3, 3);
    chooseCity(form.ListBox1, 2);
    form.Button3->click();
    EXPECT_TRUE(form.Memo1->toPlainText().contains(fromCp1252(tables().BelgiqueCities[2].Nom())));

    form.Button5->click();
    EXPECT_EQ(form.Memo1->toPlainText(), swiss);
    EXPECT_EQ(CurrentCountry, 1);
    EXPECT_EQ(form.ComboBox3->currentIndex(), 3);  // the lists still show Belgium
    EXPECT_EQ(selectedCity(form.ListBox1), fromCp1252(tables().BelgiqueCities[2].Nom()));
    EXPECT_TRUE(boxes().empty());
    EXPECT_NE(first, swiss);
}

TEST_F(WindowTest, FailedFetchesKeepTheTextAndShowTheError) {
    settings("");
    TForm1& form = open();
    const QString before = form.Memo1->toPlainText();
    ASSERT_FALSE(before.isEmpty());

    TBadServer notFound(TBadServer::Mode::NotFound);
    for (const std::string& host : {notFound.host(), test::closedHost()}) {
        form.Hosts.Suisse = host;
        const std::size_t seen = boxes().size();
        choose(form.ComboBox3, 1);
        chooseCity(form.ListBox1, 0);
        form.Button1->setFocus();
        form.Button3->click();
        ASSERT_EQ(boxes().size(), seen + 1) << host;
        const auto& box = boxes().back();
        EXPECT_EQ(box.Title, test::expectedBoxTitle());
        EXPECT_EQ(box.Icon, QMessageBox::Critical);
        EXPECT_FALSE(box.Text.isEmpty());
        EXPECT_TRUE(box.Text.endsWith('.'));
        EXPECT_EQ(form.Memo1->toPlainText(), before);
        EXPECT_NE(QApplication::focusWidget(), form.Memo1);  // no focus step
        // What the handler had set stays set.
        EXPECT_EQ(CurrentCountry, 1);
        EXPECT_EQ(CurrentCity, 0);
    }
    EXPECT_GE(notFound.connections(), 1);
}

TEST_F(WindowTest, StartupFailureIsShownBeforeTheWindowWhichOpensFilled) {
    config_->write(test::classicSettings(test::closedHost()) + "[general]\nPays=3\nvilledefaut=4\n");
    form_ = std::make_unique<TForm1>();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(form_->ListBox1->count(), static_cast<int>(tables().BelgiqueCities.size()));
    EXPECT_EQ(selectedCity(form_->ListBox1), fromCp1252(tables().BelgiqueCities[4].Nom()));
    EXPECT_TRUE(form_->Memo1->toPlainText().isEmpty());
}

TEST_F(WindowTest, StalledStartupFetchShowsTheWindowSoEscapeCanEndIt) {
    TBadServer silent(TBadServer::Mode::Silent);
    config_->write(test::classicSettings(silent.host()) + "[general]\nPays=1\nvilledefaut=2\n");
    // The constructor runs the start-up fetch and form_ is set only after
    // it, so the timers find the window among the top-level widgets.
    const auto findForm = []() -> TForm1* {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<TForm1*>(widget)) return form;
        return nullptr;
    };
    bool visibleDuringFetch = false, stillFetching = false;
    QTimer escape;
    QObject::connect(&escape, &QTimer::timeout, [&] {
        TForm1* form = findForm();
        if (!form || !form->isVisible()) return;  // not on screen yet
        visibleDuringFetch = form->IsFetching();
        QTest::keyClick(form->Memo1, Qt::Key_Escape);
        escape.stop();
    });
    escape.start(50);
    QTimer watchdog;  // never hang, whatever happens
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        stillFetching = true;
        if (TForm1* form = findForm()) form->IdHTTP1->Abort();
    });
    watchdog.start(15000);
    form_ = std::make_unique<TForm1>();

    EXPECT_FALSE(stillFetching);
    EXPECT_TRUE(visibleDuringFetch);
    EXPECT_TRUE(form_->isVisible());
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].Text, QString::fromUtf8("Opération annulée."));
    EXPECT_EQ(selectedCity(form_->ListBox1),
              fromCp1252(std::string(tables().SuisseCities[2].Nom()) + " " +
                         std::to_string(tables().SuisseCities[2].NPA)));
    EXPECT_TRUE(form_->Memo1->toPlainText().isEmpty());
}

TEST_F(WindowTest, UnwritableSettingsAreReportedAndNothingIsWritten) {
    settings("");
    TForm1& form = open();
    // The configuration folder cannot be created: a plain file is in its way.
    const auto blocker = config_->path() / "fichier";
    std::ofstream(blocker) << "x";
    const std::string path = (blocker / "nubra.ini").string();
    ::setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);
    chooseCity(form.ListBox1, 1);
    form.Button4->click();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].Text, QString::fromUtf8("Impossible d'écrire dans ") + QString::fromStdString(path) + ".");
    EXPECT_EQ(CurrentCity, 1);  // resolved before the write failed

    // The file itself cannot be replaced: reported the same way.
    ::setenv("XDG_CONFIG_HOME", config_->path().c_str(), 1);
    std::filesystem::remove(config_->settings());
    std::filesystem::create_directory(config_->settings());
    form.Button4->click();
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_TRUE(boxes()[1].Text.startsWith(QString::fromUtf8("Impossible d'écrire dans ")));
    EXPECT_TRUE(std::filesystem::is_directory(config_->settings()));
}

TEST_F(WindowTest, EscapeAbandonsAStalledFetch) {
    settings("");
    TForm1& form = open();
    const QString before = form.Memo1->toPlainText();

    TBadServer silent(TBadServer::Mode::Silent);
    form.Hosts.Belgique = silent.host();
    choose(form.ComboBox3, 3);
    chooseCity(form.ListBox1, 0);

    bool busyCursor = false, stillFetching = false;
    int clicksDuringFetch = 0;
    QObject::connect(form.Button5, &QPushButton::clicked, [&] { ++clicksDuringFetch; });
    QTimer::singleShot(300, [&] {
        busyCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        QTest::mouseClick(form.Button5, Qt::LeftButton);  // ignored while fetching
        QTest::keyClick(form.ListBox1, Qt::Key_Down);     // likewise
        QTest::keyClick(form.Memo1, Qt::Key_Escape);
    });
    // Never hang: if Escape did nothing, abandon the fetch from here.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        stillFetching = form.IsFetching();
        form.IdHTTP1->Abort();
    });
    watchdog.start(10000);
    form.Button3->click();

    EXPECT_FALSE(stillFetching);
    EXPECT_TRUE(busyCursor);
    EXPECT_EQ(clicksDuringFetch, 0);
    EXPECT_EQ(form.ListBox1->currentRow(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].Text, QString::fromUtf8("Opération annulée."));
    EXPECT_EQ(form.Memo1->toPlainText(), before);
    EXPECT_EQ(silent.connections(), 1);
}

// Open-Meteo over TLS, its authority trusted the way a user trusts a
// private one (SSL_CERT_FILE): with nothing but the server in the settings
// file, the window opens on its forecast; the same server with an expired
// certificate gives its message and keeps the text.
TEST_F(WindowTest, OpensOnAnOpenMeteoServerReachedOverVerifiedTls) {
    test::TTestAuthority authority(config_->path());
    const long day = test::TTestAuthority::kDay;
    const test::TPemPair good = authority.Issue("good", "IP:127.0.0.1");
    const test::TPemPair expired = authority.Issue("expired", "IP:127.0.0.1", -2 * day, -day);
    const auto answer = [](const std::string& request) {
        const replica::TAnswer a = replica::AnswerRequest(test::requestTarget(request), {}, replica::Today());
        return "HTTP/1.1 " + std::to_string(a.Status) + " OK\r\nContent-Length: " + std::to_string(a.Body.size()) +
               "\r\n\r\n" + a.Body;
    };
    test::TTlsServer server(test::TTlsServer::TMode::Tls, good, answer);
    ::setenv("SSL_CERT_FILE", authority.CaFile().c_str(), 1);
    config_->write("[serveurs]\nopen-meteo=" + server.host() + "\nmeteoalarm=http://" + test::closedHost() +
                   "\ngeomet=http://" + test::closedHost() + "\n");

    TForm1& form = open();
    EXPECT_TRUE(boxes().empty()) << boxes().front().Text.toStdString();
    EXPECT_TRUE(form.Memo1->toPlainText().startsWith(
        fromCp1252("Pr\xE9visions Open-Meteo pour " + std::string(tables().FranceCities[0].Nom()))))
        << form.Memo1->toPlainText().toStdString();
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(test::requestTarget(server.requests()[0]).rfind("/v1/forecast?latitude=", 0), 0u);

    const QString before = form.Memo1->toPlainText();
    test::TTlsServer stale(test::TTlsServer::TMode::Tls, expired, answer);
    form.Hosts.OpenMeteo = stale.host();
    form.Button2->click();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].Text, fromCp1252("Connexion s\xE9" "curis\xE9" "e \xE0 " + stale.host() +
                                          " refus\xE9" "e : le certificat a expir\xE9."));
    EXPECT_EQ(form.Memo1->toPlainText(), before);
    ::unsetenv("SSL_CERT_FILE");
}

// A server that takes the connection and never answers the handshake:
// Escape ends the wait.
TEST_F(WindowTest, EscapeAbandonsAnOpenMeteoFetchDuringTheHandshake) {
    settings("");
    TForm1& form = open();
    const QString before = form.Memo1->toPlainText();
    TBadServer silent(TBadServer::Mode::Silent);
    form.Hosts.OpenMeteo = silent.host();  // no scheme: TLS
    form.Sources[kFrance] = &kOpenMeteo;

    // Once connected, the fetch can only be in the handshake.
    EXPECT_TRUE(clickThenEscapeOnceConnected(form, form.Button2, silent));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].Text, QString::fromUtf8("Opération annulée."));
    EXPECT_EQ(form.Memo1->toPlainText(), before);
}

// The built-in icon: not read when made (isNull answers without it), read
// on the first question about its picture, and then the file's picture.
TEST(DeferredIconTest, ReadsItsFileOnlyWhenFirstAskedAndGivesItsPicture) {
    const QString path = QStringLiteral(NUBRA_ICON_PATH);
    auto* engine = new TDeferredIconEngine(path);
    const QIcon icon(engine);
    EXPECT_FALSE(icon.isNull());
    EXPECT_FALSE(engine->Loaded());
    EXPECT_EQ(icon.availableSizes(), QList<QSize>{QSize(64, 64)});
    EXPECT_TRUE(engine->Loaded());
    // Compared premultiplied, as a pixmap holds it.
    const QImage expected = QImage(path).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_FALSE(expected.isNull());
    EXPECT_TRUE(icon.pixmap(64).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied) == expected);
}

} // namespace
} // namespace nubra

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
