#include "unit1.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "commands.h"
#include "cp1252.h"
#include "fixed_lists.h"
#include "http.h"
#include "places.h"
#include "profile.h"
#include "resource.h"

namespace nubra {

std::int32_t CurrentCountry = 0;
std::int32_t CurrentCity = 0;

namespace {

// How long a start-up fetch may run before the window shows itself.
constexpr int kRevealDelayMs = 1500;

QString toDisplay(std::string_view text) { return QString::fromUtf8(Cp1252ToUtf8(text)); }

std::string fromDisplay(const QString& text) { return Utf8ToCp1252(text.toUtf8().toStdString()); }

QStringList toDisplay(const std::vector<std::string>& items) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(items.size()));
    for (const auto& item : items) list.append(toDisplay(item));
    return list;
}

// Forecast lines end with CR LF; the text area wants bare line feeds.
QString forecastForDisplay(const std::string& text) {
    QString shown = toDisplay(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

std::int32_t selectedRow(const QListWidget* list) {
    const auto items = list->selectedItems();
    return items.isEmpty() ? -1 : list->row(items.front());
}

template <class Widget>
Widget* makeControl(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QPushButton* makeButton(QWidget* parent, const char* name, std::string_view caption, int left, int top) {
    auto* button = makeControl<QPushButton>(parent, name, left, top, 180, 25);
    button->setText(toDisplay(caption));
    button->setAutoDefault(false);
    return button;
}

QLabel* makeLabel(QWidget* parent, const char* name, std::string_view caption, int left, int top, int width) {
    auto* label = makeControl<QLabel>(parent, name, left, top, width, 13);
    label->setText(toDisplay(caption));
    // Captions size themselves to their text, so that a substitute font
    // wider than the design's never cuts them.
    label->resize(std::max(width, label->sizeHint().width()), 13);
    return label;
}

QComboBox* makeList(QWidget* parent, const char* name, int top) {
    auto* combo = makeControl<QComboBox>(parent, name, 8, top, 209, 21);
    combo->setEditable(false);  // choice only; typing jumps to a matching entry
    combo->setMaxVisibleItems(16);
    return combo;
}

// While a forecast is fetched: busy cursor, and the window's input filter
// on the whole application (see TForm1::eventFilter).
class TFetchScope {
public:
    TFetchScope(QObject* filter, bool& fetching) : filter_(filter), fetching_(fetching) {
        fetching_ = true;
        qApp->installEventFilter(filter_);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~TFetchScope() {
        QApplication::restoreOverrideCursor();
        qApp->removeEventFilter(filter_);
        fetching_ = false;
    }
    TFetchScope(const TFetchScope&) = delete;
    TFetchScope& operator=(const TFetchScope&) = delete;

private:
    QObject* filter_;
    bool& fetching_;
};

// The city list's rows are 13 pixels high, as designed for an 11-pixel font.
class TFixedRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), 13};
    }
};

bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// The window as assistive technologies see it: Qt's own view of a widget,
// less the button that is never shown, which no screen reader should list.
class TFormAccessible : public QAccessibleWidget {
public:
    explicit TFormAccessible(TForm1* form) : QAccessibleWidget(form), form_(form) {}

    int childCount() const override { return static_cast<int>(listed().size()); }
    QAccessibleInterface* child(int index) const override {
        const auto widgets = listed();
        if (index < 0 || index >= widgets.size()) return nullptr;
        return QAccessible::queryAccessibleInterface(widgets[index]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) return -1;
        return static_cast<int>(listed().indexOf(qobject_cast<QWidget*>(child->object())));
    }

private:
    QList<QWidget*> listed() const {
        QList<QWidget*> widgets;
        for (QWidget* widget : form_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!widget->isWindow() && widget != form_->Button6) widgets.append(widget);
        return widgets;
    }
    TForm1* form_;
};

QAccessibleInterface* formAccessible(const QString& className, QObject* object) {
    if (className != QLatin1StringView(TForm1::staticMetaObject.className())) return nullptr;
    return new TFormAccessible(static_cast<TForm1*>(object));
}

} // namespace

template <class Body>
void TForm1::guarded(Body&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        ShowError(e.what());
    } catch (...) {
        ShowError("Erreur inattendue");
    }
}

namespace {

// The load PreloadCatalogues started, until a TForm1 takes it.
TCatalogueLoad preloaded;

TCatalogueLoad startCatalogueLoad() {
    TCatalogueLoad load{std::make_shared<TCatalogues>(), {}, std::make_shared<TEmbeddedPositions>(), {}};
    try {
        auto tablesDone = std::make_shared<std::promise<void>>();
        load.done = tablesDone->get_future();
        load.positionsRead =
            std::async(std::launch::async, [tables = load.tables, positions = load.positions, tablesDone] {
                try {
                    LoadEmbeddedCatalogues(*tables);
                    tablesDone->set_value();
                } catch (...) {
                    tablesDone->set_exception(std::current_exception());
                    return;
                }
                try {
                    positions->Get();
                } catch (const std::exception&) {
                    // read again, and reported, by the fetch that needs them
                }
            }).share();
    } catch (const std::system_error&) {
        // no second thread: FormCreate loads, the first Open-Meteo fetch reads the positions
        load.done = {};
        load.positionsRead = {};
    }
    return load;
}

} // namespace

void PreloadCatalogues() {
    if (!preloaded.tables) preloaded = startCatalogueLoad();
}

TForm1::TForm1(QWidget* parent, TServiceHosts baseHosts, std::optional<std::string> source)
    : QWidget(parent), IdHTTP1(std::make_unique<TIdHTTP>()) {
    // Decompressing and parsing 40,000 places takes about as long as Qt
    // takes to build the controls, so the two run side by side. Nothing
    // reads a table before FormCreate, which waits for the load and meets
    // its failure there. Without a second thread FormCreate loads instead.
    catalogues_ = preloaded.tables ? std::exchange(preloaded, {}) : startCatalogueLoad();
    buildControls();

    // Mirrors or a local replica of the weather services, if the user named any.
    std::vector<std::string> rejected;
    Hosts = SettingsHosts(SettingsPath(), rejected, std::move(baseHosts));
    for (const auto& key : rejected)
        ShowError("Serveur ignor\xE9 dans la section [serveurs] de nubra.ini : " + key);

    // The source of each country: the command line's for all, else the settings'.
    if (source) {
        Sources = AllOn(*source);
    } else {
        std::vector<std::string> rejectedSources;
        Sources = SettingsSources(SettingsPath(), rejectedSources);
        for (const auto& key : rejectedSources)
            ShowError("Source ignor\xE9" "e dans la section [sources] de nubra.ini : " + key);
    }

    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::buildControls() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Nubra"));
    // A fixed dialog frame: a close box, no minimise or maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(626, 600);
    move(222, 121);
    // The design's face, else the closest metric-compatible ones.
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("Helvetica")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    setFont(font);

    Memo1 = makeControl<QPlainTextEdit>(this, "Memo1", 8, 8, 609, 385);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setTabChangesFocus(true);
    Memo1->installEventFilter(this);  // Enter inserts no line break

    Button1 = makeButton(this, "Button1", "Fermer", 440, 528);
    Label1 = makeLabel(this, "Label1", "R\xE9gion :", 8, 448, 40);
    ComboBox1 = makeList(this, "ComboBox1", 464);
    ComboBox1->addItems(toDisplay(std::vector<std::string>(FranceRegions.begin(), FranceRegions.end())));
    ComboBox1->setCurrentIndex(0);
    Label2 = makeLabel(this, "Label2", "D\xE9partement :", 8, 496, 67);
    ComboBox2 = makeList(this, "ComboBox2", 512);
    ComboBox2->addItems(toDisplay(RegionDepartments(1)));
    ComboBox2->setCurrentIndex(0);
    Button3 = makeButton(this, "Button3", "Voir la Nubra de cette ville", 440, 400);
    ListBox1 = makeControl<QListWidget>(this, "ListBox1", 224, 416, 209, 177);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setUniformItemSizes(true);  // thousands of rows laid out at once
    ListBox1->setItemDelegate(new TFixedRowDelegate(ListBox1));
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Label3 = makeLabel(this, "Label3", "Ville :", 224, 400, 25);
    Button4 = makeButton(this, "Button4", "D\xE9" "finir comme ville par d\xE9" "faut", 440, 432);
    Button2 = makeButton(this, "Button2", "Rafraichir la page", 440, 495);
    Label4 = makeLabel(this, "Label4", "Pays :", 8, 400, 29);
    ComboBox3 = makeList(this, "ComboBox3", 416);
    for (const TCountry& country : Countries()) ComboBox3->addItem(toDisplay(country.Name));
    ComboBox3->setCurrentIndex(0);
    Button5 = makeButton(this, "Button5", "Revenir \xE0 la ville par d\xE9" "faut", 440, 464);
    Button6 = makeButton(this, "Button6", "V\xE9rifier les mises \xE0 jours", 438, 560);
    Button6->setVisible(false);

    for (auto* label : {Label1, Label2, Label3, Label4}) label->setFocusPolicy(Qt::NoFocus);
    // What a screen reader says: each caption is tied to its control, which
    // is named after it without the colon; the text area says what it holds.
    // The captions carry no mnemonic, so nothing changes on screen.
    const std::pair<QLabel*, QWidget*> captioned[] = {
        {Label4, ComboBox3}, {Label1, ComboBox1}, {Label2, ComboBox2}, {Label3, ListBox1}};
    for (const auto& [label, control] : captioned) {
        label->setBuddy(control);
        control->setAccessibleName(label->text().remove(QLatin1Char(':')).trimmed());
    }
    Memo1->setAccessibleName(toDisplay("Pr\xE9visions"));
    // Installed once, before anything asks for the window's interface.
    static const bool formAccessibleInstalled = (QAccessible::installFactory(formAccessible), true);
    (void)formAccessibleInstalled;
    const QWidget* order[] = {Memo1, Button1, Button2, ComboBox3, ComboBox1, ComboBox2,
                              ListBox1, Button3, Button4, Button5, Button6};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));
    Memo1->setFocus();

    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button6, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    // `activated` is the user's choice only; selections set by code are silent.
    connect(ComboBox1, &QComboBox::activated, this, &TForm1::ComboBox1Change);
    connect(ComboBox2, &QComboBox::activated, this, &TForm1::ComboBox2Change);
    connect(ComboBox3, &QComboBox::activated, this, &TForm1::ComboBox3Change);
}

void TForm1::FormCreate() {
    guarded([this] {
        if (catalogues_.done.valid()) catalogues_.done.get();  // the load's failure, if any, is raised here
        else LoadEmbeddedCatalogues(*catalogues_.tables);
        const TPlace place = ReadDefaultPlace(SettingsPath());
        CurrentCountry = place.Country;
        CurrentCity = place.City;
        ShowCountry(CurrentCity, CurrentCountry);
        // The start-up forecast, without the focus step.
        ShowForecast(CurrentCountry, CurrentCity);
        if (isVisible()) FormShow();  // shown early by a slow fetch
    });
}

void TForm1::FormShow() { Memo1->selectAll(); }

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (fetching_) {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            IdHTTP1->Abort();
            // The source may start a second request right after the first
            // was abandoned; keep abandoning until the command has ended.
            auto* again = new QTimer(this);
            connect(again, &QTimer::timeout, this, [this, again] {
                if (fetching_) IdHTTP1->Abort();
                else again->deleteLater();
            });
            again->start(50);
            return true;
        }
        if (isUserInput(event->type())) return true;
        if (event->type() == QEvent::Close && watched == this) {
            event->ignore();
            return true;
        }
    }
    if (watched == Memo1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::ShowError(const std::string& message) {
    const std::string title =
        ApplicationTitle(Utf8ToCp1252(QCoreApplication::applicationFilePath().toUtf8().toStdString()));
    QMessageBox box(QMessageBox::Critical, toDisplay(title), toDisplay(ErrorBoxText(message)), QMessageBox::Ok, this);
    box.exec();
}

// -- Place selection --------------------------------------------------------

void TForm1::applyView(const TCountryView& view) {
    ComboBox3->setCurrentIndex(view.Country);
    ListBox1->clear();
    ComboBox1->clear();
    ComboBox2->clear();
    ComboBox1->setVisible(view.RegionVisible);
    Label1->setVisible(view.RegionVisible);
    ComboBox2->setVisible(view.DepartmentVisible);
    Label2->setVisible(view.DepartmentVisible);
    if (view.RegionEnabled) ComboBox1->setEnabled(*view.RegionEnabled);
    if (view.DepartmentEnabled) ComboBox2->setEnabled(*view.DepartmentEnabled);

    ComboBox1->addItems(toDisplay(view.Regions.Items));
    ComboBox1->setCurrentIndex(view.Regions.Selected);
    ComboBox2->addItems(toDisplay(view.Departments.Items));
    ComboBox2->setCurrentIndex(view.Departments.Selected);
    ListBox1->addItems(toDisplay(view.Cities.Items));
    if (view.Cities.Selected >= 0) {
        ListBox1->setCurrentRow(view.Cities.Selected);
        ListBox1->scrollToItem(ListBox1->item(view.Cities.Selected), QAbstractItemView::PositionAtCenter);
    }
}

void TForm1::ShowCountry(std::int32_t City, std::int32_t Country) {
    applyView(CountryView(Catalogues(), City, Country));
}

void TForm1::ComboBox3Change() {
    guarded([this] {
        CurrentCountry = ComboBox3->currentIndex();
        ShowCountry(0, CurrentCountry);
    });
}

void TForm1::ComboBox1Change() {
    guarded([this] {
        const int position = ComboBox1->currentIndex();
        const TCountry* country = FindCountry(CurrentCountry);
        if (position < 0 || !country) return;
        switch (country->View) {
        case TListView::ByRegionAndDepartment:
            ComboBox2->clear();
            ComboBox2->addItems(toDisplay(RegionDepartments(position + 1)));
            ComboBox2->setCurrentIndex(0);
            ComboBox2Change();
            break;
        case TListView::ByGroup:
            ListBox1->clear();
            ListBox1->addItems(toDisplay(GroupCities(Catalogues(), *country, position + 1)));
            break;
        case TListView::Flat:
            break;
        }
    });
}

void TForm1::ComboBox2Change() {
    guarded([this] {
        const TCountry* country = FindCountry(CurrentCountry);
        if (!country || country->View != TListView::ByRegionAndDepartment || ComboBox2->currentIndex() < 0) return;
        const auto communes = DepartmentCommunes(Catalogues(), fromDisplay(ComboBox2->currentText()));
        ListBox1->clear();
        ListBox1->addItems(toDisplay(communes));
    });
}

void TForm1::ResolveSelection(std::int32_t& City, std::int32_t& Country) {
    TSelectionState state;
    state.Country = ComboBox3->currentIndex();
    state.Region = ComboBox1->currentIndex();
    if (ComboBox2->currentIndex() >= 0) state.Department = fromDisplay(ComboBox2->currentText());
    state.CityRow = selectedRow(ListBox1);
    if (state.CityRow >= 0) state.CityText = fromDisplay(ListBox1->item(state.CityRow)->text());
    nubra::ResolveSelection(Catalogues(), state, City, Country);
}

// -- Forecast commands ------------------------------------------------------

void TForm1::ShowForecast(std::int32_t Country, std::int32_t City) {
    if (!FindCountry(Country)) return;
    if (!IsValidPlace(Catalogues(), Country, City)) throw std::runtime_error(InvalidPlaceMessage(Country, City));

    std::optional<std::string> text;
    std::exception_ptr failure;
    {
        // The page is read on a worker thread; this thread keeps painting in
        // a local loop that the worker ends when it is done.
        TFetchScope scope(this, fetching_);
        // At start-up the window is not on screen yet, so Escape could not
        // reach it: a server that never answers would leave the program
        // running unseen. Show the window once the fetch is slow.
        QTimer reveal;
        if (!isVisible()) {
            reveal.setSingleShot(true);
            connect(&reveal, &QTimer::timeout, this, [this] { show(); });
            reveal.start(kRevealDelayMs);
        }
        QEventLoop loop;
        TIdHTTP& http = *IdHTTP1;
        std::thread worker([&] {
            try {
                text = FetchForecast(
                    Catalogues(), Hosts, Country, City, http, Sources,
                    [this]() -> const TCoordinates& {
                        if (catalogues_.positionsRead.valid()) catalogues_.positionsRead.wait();
                        return catalogues_.positions->Get();
                    },
                    WarningsTimeLimit);
            } catch (...) {
                failure = std::current_exception();
            }
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec();
        worker.join();
    }
    if (failure) std::rethrow_exception(failure);
    if (text) Memo1->setPlainText(forecastForDisplay(*text));
}

void TForm1::focusStep() {
    Memo1->setFocus();
    Memo1->selectAll();
}

void TForm1::Button1Click() { close(); }

void TForm1::Button3Click() {
    if (fetching_) return;
    guarded([this] {
        if (selectedRow(ListBox1) < 0) return;
        ResolveSelection(CurrentCity, CurrentCountry);
        ShowForecast(CurrentCountry, CurrentCity);
        focusStep();
    });
}

void TForm1::Button2Click() {
    if (fetching_) return;
    guarded([this] {
        ShowForecast(CurrentCountry, CurrentCity);
        focusStep();
    });
}

void TForm1::Button4Click() {
    if (fetching_) return;
    guarded([this] {
        if (selectedRow(ListBox1) < 0) return;
        ResolveSelection(CurrentCity, CurrentCountry);
        WriteDefaultPlace(SettingsPath(), TPlace{CurrentCountry, CurrentCity});
    });
}

void TForm1::Button5Click() {
    if (fetching_) return;
    guarded([this] {
        const TPlace place = ReadDefaultPlace(SettingsPath());
        CurrentCountry = place.Country;
        CurrentCity = place.City;
        ShowForecast(CurrentCountry, CurrentCity);
        focusStep();
    });
}

} // namespace nubra
