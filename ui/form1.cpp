#include "form1.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QVBoxLayout>

#include <algorithm>
#include <string_view>

#include "beatwright/file_bytes.h"
#include "beatwright/match_search.h"
#include "beatwright/smps_reader.h"
#include "beatwright/song_file.h"
#include "qtext.h"
#include "song_menu.h"
#include "beatwright/tempo_plan.h"
#include "beatwright/tempo_readout.h"
#include "beatwright/value_text.h"
#include "driver_dialog.h"
#include "readout_label.h"
#include "report_dialog.h"
#include "convert_dialog.h"
#include "smps_dialog.h"

namespace beatwright {

namespace {

// Where each control sits, in twips (1/1440 inch) from the top left of the client area,
// as the window was designed; 15 twips make one logical pixel.
struct Place {
    std::string_view name;
    int left, top, width, height;
};

constexpr int twipsPerPixel = 15;
constexpr Place clientArea{"Form1", 0, 0, 3375, 4575};
constexpr Place places[] = {
    {"Combo1", 1200, 60, 1995, 315},     {"Label1_0", 345, 120, 750, 195},   {"Combo2", 1200, 600, 1275, 315},
    {"Label1_1", 315, 660, 780, 195},    {"Label2", 2520, 600, 675, 315},    {"Combo3", 1200, 1140, 1995, 315},
    {"Label1_2", 210, 1200, 885, 195},   {"Option1_0", 180, 1620, 735, 195}, {"Option1_1", 180, 1860, 615, 195},
    {"Command2", 1020, 1620, 2175, 435}, {"List1", 180, 2220, 3015, 1815},   {"Command1", 180, 4140, 3015, 375},
    {"List2_0", 0, 0, 135, 135},         {"List2_1", 0, 120, 135, 135},
};

QRect pixels(const Place& p) {
    return {p.left / twipsPerPixel, p.top / twipsPerPixel, p.width / twipsPerPixel, p.height / twipsPerPixel};
}


// Creates a control of the window at its designed place, named so that tests can find it.
template <class W, class... Caption>
W* placed(QWidget* window, std::string_view name, const Caption&... caption) {
    const auto place = std::find_if(std::begin(places), std::end(places), [&](const Place& p) { return p.name == name; });
    Q_ASSERT(place != std::end(places));
    auto* widget = new W(caption..., window);
    widget->setObjectName(qText(name));
    widget->setGeometry(pixels(*place));
    return widget;
}

std::string text(const QComboBox* combo) { return combo->currentText().toStdString(); }

struct Run {
    int from, to, step = 1;
};

QStringList items(std::initializer_list<Run> runs) {
    QStringList texts;
    for (const Run& r : runs) {
        for (int value = r.from; value <= r.to; value += r.step) texts << qText(integerText(value));
    }
    return texts;
}

constexpr double longSearchTolerance = 100;
constexpr auto driverKey = "driver";

// The radio buttons are designed 13 px high, less than some styles' indicators: keep the
// indicator within the button rather than cut its circle off.
class FittingIndicatorStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        const int size = QProxyStyle::pixelMetric(metric, option, widget);
        const bool indicator = metric == PM_ExclusiveIndicatorWidth || metric == PM_ExclusiveIndicatorHeight;
        return indicator && widget ? std::min(size, widget->height()) : size;
    }
};

}  // namespace

Form1::Form1(QWidget* parent) : QWidget(parent) {
    setObjectName("Form1");
    setWindowTitle("Beatwright");
    setAcceptDrops(true);
    setWindowIcon(QIcon(":/beatwright.svg"));
    // A fixed layout: the window keeps its designed size and offers no maximise.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // The designed client area, whole, below a menu bar that carries what came later: the
    // window grows by the menu bar's height only.
    auto* client = new QWidget(this);
    client->setObjectName("clientArea");
    client->setFixedSize(pixels(clientArea).size());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setMenuBar(createMenus());
    layout->addWidget(client);
    // Small enough for every caption, item and result line to fit its control.
    QFont compact("Liberation Sans");
    compact.setPixelSize(10);
    client->setFont(compact);

    Combo1 = placed<QComboBox>(client, "Combo1");
    Label1[0] = placed<QLabel>(client, "Label1_0", QString("XM Speed"));
    Combo2 = placed<QComboBox>(client, "Combo2");
    Label1[1] = placed<QLabel>(client, "Label1_1", QString("XM Tempo"));
    Label2 = placed<ReadoutLabel>(client, "Label2");
    Combo3 = placed<QComboBox>(client, "Combo3");
    Label1[2] = placed<QLabel>(client, "Label1_2", QString("Tolerance %"));
    Option1[0] = placed<QRadioButton>(client, "Option1_0", QString("NTSC"));
    Option1[1] = placed<QRadioButton>(client, "Option1_1", QString("PAL"));
    Command2 = placed<QPushButton>(client, "Command2", QString("Go"));
    List1 = placed<QListWidget>(client, "List1");
    Command1 = placed<QPushButton>(client, "Command1", QString("Exit"));
    List2[0] = placed<QListWidget>(client, "List2_0");
    List2[1] = placed<QListWidget>(client, "List2_1");

    for (QLabel* caption : Label1) caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Screen readers name each selector by the caption that labels it.
    Label1[0]->setBuddy(Combo1);
    Label1[1]->setBuddy(Combo2);
    Label1[2]->setBuddy(Combo3);
    List1->setAccessibleName("Matching pairs");
    Label2->setAccessibleName("XM tempo of the chosen pair");
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (QListWidget* hidden : List2) hidden->hide();
    Option1[0]->setChecked(true);
    auto* fitting = new FittingIndicatorStyle;
    fitting->setParent(this);
    for (QRadioButton* option : Option1) option->setStyle(fitting);

    QWidget* const tabOrder[] = {Command1, Command2, List1, Combo2, Combo1, Combo3, Option1[0], Option1[1]};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
    Command1->setFocus();

    connect(Combo1, &QComboBox::currentIndexChanged, this, &Form1::Combo1_Click);
    connect(Combo2, &QComboBox::currentIndexChanged, this, &Form1::Combo2_Click);
    for (int index = 0; index < 2; ++index) {
        connect(Option1[index], &QRadioButton::toggled, this, [this, index](bool checked) {
            if (checked) Option1_Click(index);
        });
    }
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    // Choosing a line by mouse or keyboard alike changes the selection.
    connect(List1, &QListWidget::itemSelectionChanged, this, &Form1::List1_Click);
    auto* copy = new QAction("Copy", List1);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, [this] { copySelectedLine(false); });
    auto* copySource = new QAction("Copy as SMPS2ASM", List1);
    connect(copySource, &QAction::triggered, this, [this] { copySelectedLine(true); });
    List1->addActions({copy, copySource});
    List1->setContextMenuPolicy(Qt::ActionsContextMenu);

    Form_Load();
    // The driver chosen last time, if it is still one of ours.
    chooseDriver(driverNamed(QSettings().value(driverKey).toString().toStdString()).value_or(defaultDriver()));
}

QMenuBar* Form1::createMenus() {
    auto* bar = new QMenuBar(this);
    QMenu* fileMenu = bar->addMenu("&File");
    QAction* open = fileMenu->addAction("&Open song...");
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, this, [this] {
        const QString path = QFileDialog::getOpenFileName(
            this, "Open song", {}, "Songs (*.xm *.mod *.s3m *.it *.fur *.dmf *.asm *.bin);;Module files (*.xm *.mod *.s3m *.it);;"
                                   "Furnace and DefleMask songs (*.fur *.dmf);;SMPS songs (*.asm *.bin);;All files (*)");
        if (!path.isEmpty()) openSong(path);
    });
    QMenu* driverMenu = bar->addMenu("&Driver");
    driverMenu->setToolTipsVisible(true);
    auto* choices = new QActionGroup(driverMenu);
    for (const Driver& d : drivers()) {
        // The games in the item, the model beside it; "&" is no mnemonic here.
        QAction* choice = driverMenu->addAction(qText(d.name) + ": " + qText(d.games).replace("&", "&&") + "\t" +
                                                qText(infoOf(d.model).name));
        choice->setToolTip(QString("%1 model, %2 updates a second on PAL")
                               .arg(qText(infoOf(d.model).name), qText(rateText(d.pal))));
        choice->setObjectName(qText(d.name));
        choice->setCheckable(true);
        choice->setActionGroup(choices);
        connect(choice, &QAction::triggered, this, [this, &d] { chooseDriver(d); });
    }
    driverMenu->addSeparator();
    otherDriver = driverMenu->addAction("&Other...");
    otherDriver->setObjectName("otherDriver");
    otherDriver->setToolTip("A model and its PAL updates a second, for a driver the list does not hold");
    otherDriver->setCheckable(true);
    otherDriver->setActionGroup(choices);
    connect(otherDriver, &QAction::triggered, this, [this] {
        if (const auto chosen = askDriverParts(this, driver)) return chooseDriver(*chosen);
        chooseDriver(driver);  // cancelled: the check goes back to the driver in use
    });
    songMenu = new SongMenu(bar);
    bar->addMenu(songMenu);
    // The title bar is too narrow to show the driver: it stands at the menu bar's right.
    driverLabel = new QLabel(bar);
    driverLabel->setObjectName("driverLabel");
    driverLabel->setContentsMargins(0, 0, 6, 0);
    driverLabel->setAlignment(Qt::AlignVCenter);
    bar->setCornerWidget(driverLabel, Qt::TopRightCorner);
    return bar;
}

void Form1::openSong(const QString& path, int subsong) {
    const QString name = QFileInfo(path).fileName();
    std::vector<unsigned char> bytes;
    std::optional<OpenedSong> opened;
    try {
        bytes = readFileBytes(QFile::encodeName(path).toStdString(), maxSongBytes, songTooLarge);
        opened = beatwright::openSong(bytes, subsong);
    } catch (const std::runtime_error& e) {
        QMessageBox::warning(this, "Open song", QString("Cannot read %1:\n%2.").arg(name, QString::fromUtf8(e.what())));
        return;
    }
    // An SMPS song: the SMPS report answers for it.
    if (opened->smps) return showSmpsSong(name, std::move(bytes));
    if (!opened->warning.empty()) QMessageBox::warning(this, "Open song", QString("%1:\n%2.").arg(name, qText(opened->warning)));
    song = std::move(*opened->song);
    notes = std::move(opened->notes);
    songPath = path;
    songName = opened->subsongs > 1 ? QString("%1, sub-song %2").arg(name).arg(subsong + 1) : name;
    updateTitle();
    QStringList subsongs;
    for (int i = 0; i < opened->subsongs; ++i) subsongs << qText(subsongLabel(*opened, i));
    songMenu->showSong(*song, subsongs, subsong,
                       {[this] { showTempoPlan(); }, notes ? std::function<void()>([this] { showConversion(); }) : nullptr,
                        [this, path](int i) { openSong(path, i); },
                        [this](const SongState& state) { chooseSongState(state); },
                        [this](const SongState& state) { return inLists(state); }});
    const SongState& first = song->states.front();
    if (inLists(first)) {
        chooseSongState(first);
    } else {
        QMessageBox::warning(this, "Open song",
                             QString("The song starts at %1, which the lists do not hold.\n"
                                     "The Song menu's tempo plan and beatwright-cli --song answer for it.")
                                 .arg(qText(stateTitle(*song, first))));
    }
}

// The lists hold whole speeds and tempos: a state is chosen there when both are in them,
// and rows that take turns have no one speed.
bool Form1::inLists(const SongState& state) const {
    return state.turn.empty() && Combo1->findText(QString::number(state.speed)) != -1 && Combo2->findText(qText(tempoText(state.tempo))) != -1;
}

// The SMPS song takes the module's place: the title names it and the Song menu shows its report again.
void Form1::showSmpsSong(const QString& name, std::vector<unsigned char> bytes) {
    song.reset();
    notes.reset();
    songName = name;
    updateTitle();
    const auto report = [this, name, bytes] { showSmpsReport(this, name, bytes, {driver, standard(), text(Combo1), text(Combo3)}); };
    songMenu->showSmps(report);
    report();
}

void Form1::showTempoPlan() {
    const TempoPlan plan = planTempo(*song, driver, standard(), text(Combo3));
    ReportDialog dialog(this, QString("Tempo plan \u2014 %1").arg(songName),
                        qText(planText(*song, plan, driver, standard(), text(Combo3))), {640, 340});
    dialog.copyButton("Copy", [&dialog] { return dialog.shown->toPlainText(); });
    dialog.copyButton("Copy as SMPS2ASM", [&] { return qText(planSmps2asm(*song, plan, driver, standard())); });
    dialog.exec();
}

void Form1::showConversion() { convertToSmpsDialog(this, *notes, *song, {songPath, driver, standard(), text(Combo3)}); }

void Form1::chooseSongState(const SongState& state) {
    Combo1->setCurrentIndex(Combo1->findText(QString::number(state.speed)));
    Combo2->setCurrentIndex(Combo2->findText(qText(tempoText(state.tempo))));
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    const auto urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile()) event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    openSong(event->mimeData()->urls().front().toLocalFile());
}

void Form1::updateTitle() {
    QStringList parts;
    if (!songName.isEmpty()) parts << songName;
    if (driver.name != defaultDriver().name) parts << qText(driver.name);
    setWindowTitle((parts << "Beatwright").join(" \u2014 "));
}

void Form1::chooseDriver(const Driver& chosen) {
    driverLabel->setText(qText(chosen.name));
    // The whole name, never cut: the menus give way to the menu bar's overflow button first.
    driverLabel->setMinimumWidth(driverLabel->fontMetrics().horizontalAdvance(driverLabel->text()) + 8);
    driverLabel->setToolTip(QString("The SMPS driver: %1, %2 model").arg(qText(chosen.games), qText(infoOf(chosen.model).name)));
    auto* row = findChild<QAction*>(qText(chosen.name));
    (row ? row : otherDriver)->setChecked(true);
    QSettings().setValue(driverKey, qText(chosen.name));
    if (chosen.name == driver.name) return;
    driver = chosen;
    rateTable.emplace(driver.model);
    updateTitle();
    clearResults();
}

void Form1::Form_Load() {
    for (QComboBox* combo : {Combo1, Combo2, Combo3}) combo->clear();
    List1->clear();
    Combo1->addItems(items({{minSpeed, maxSpeed}}));
    Combo2->addItems(items({{minTempo, maxTempo}}));
    rateTable.emplace(driver.model);
    // Tolerances in percent: fine steps near an exact match, coarse ones far from it.
    Combo3->addItems(items({{0, 10}, {15, 50, 5}, {60, 250, 10}, {300, 4000, 50}, {4500, 10000, 500}}));
    Combo1->setCurrentIndex(0);
    Combo2->setCurrentIndex(0);
    Combo3->setCurrentIndex(5);
}

void Form1::clearResults() {
    List1->clear();
    Label2->setText({});
}

void Form1::Combo1_Click() { clearResults(); }
void Form1::Combo2_Click() { clearResults(); }
void Form1::Option1_Click(int) { clearResults(); }

void Form1::Command1_Click() { close(); }

void Form1::Command2_Click() {
    if (leadingNumber(text(Combo3)) >= longSearchTolerance) {
        const auto answer = QMessageBox::question(
            this, "I have a question for you", "This operation may require a very long time.\nProceed anyway?");
        if (answer != QMessageBox::Yes) return;
    }
    tempocal();
}

void Form1::tempocal() {
    List1->clear();
    List2[0]->clear();
    List2[1]->clear();
    const auto matches =
        beatwright::tempocal(text(Combo1), text(Combo2), standard(), text(Combo3), *rateTable, driver);
    for (const Match& m : matches) {
        List1->addItem(qText(m.line));
        List2[0]->addItem(qText(integerText(m.divider)));
        List2[1]->addItem(qText(integerText(m.period)));
    }
    if (List1->count() == 0) {
        QMessageBox::warning(this, qText(noResultsCaption), qText(noResultsText));
    }
}

void Form1::List1_Click() {
    const int i = selectedLine();
    if (i == -1) return;
    const QString divider = List2[0]->item(i)->text(), secondByte = List2[1]->item(i)->text();
    Label2->setText(
        qText(readout(secondByte.toStdString(), divider.toStdString(), text(Combo1), standard(), driver)),
        QString("the XM tempo at speed %1 of divider %2 and %3 %4")
            .arg(Combo1->currentText(), divider, qText(infoOf(driver.model).byteName), secondByte));
}

void Form1::copySelectedLine(bool asSource) {
    const int i = selectedLine();
    if (i == -1) return;
    QGuiApplication::clipboard()->setText(
        asSource ? qText(smps2asmLine(List2[0]->item(i)->text().toInt(), List2[1]->item(i)->text().toInt()))
                 : List1->item(i)->text());
}

int Form1::selectedLine() const {
    const auto selected = List1->selectedItems();
    return selected.isEmpty() ? -1 : List1->row(selected.front());
}

VideoStandard Form1::standard() const {
    return Option1[1]->isChecked() ? VideoStandard::PAL : VideoStandard::NTSC;
}

}  // namespace beatwright
