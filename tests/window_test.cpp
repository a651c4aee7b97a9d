#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStyleOption>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

#include "form1.h"
#include "readout_label.h"
#include "support/xm_writer.h"

namespace {

// Presses `answer` on the modal message box that `action` opens; returns the box's title,
// text, icon and buttons, or an empty list when no box opened.
// Hands the modal dialog of type D that `action` opens to `answer`, which must close it.
template <class D>
void answerModal(const std::function<void(D*)>& answer, const std::function<void()>& action) {
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!dialog) return;
        poll.stop();
        answer(dialog);
    });
    poll.start();
    action();
}

QVariantList answerBox(QMessageBox::StandardButton answer, const std::function<void()>& action) {
    QVariantList seen;
    answerModal<QMessageBox>([&](QMessageBox* box) {
        // Over its window, not wherever the screen's corner is.
        const QWidget* window = box->parentWidget() ? box->parentWidget()->window() : nullptr;
        seen = {box->windowTitle(), box->text(), int(box->icon()), int(box->standardButtons()),
                window && window->frameGeometry().contains(box->frameGeometry().center())};
        QAbstractButton* button = box->button(answer);
        button ? QTest::mouseClick(button, Qt::LeftButton) : box->reject();
    }, action);
    return seen;
}

QStringList lines(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}

const QStringList typicalLines{"0724 perfect match", "0606 perfect match", "0503 4.000003% slower"};

QtMessageHandler testlibHandler = nullptr;

// The offscreen platform warns that it cannot raise or grab; that is not the window's doing.
void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!message.startsWith("This plugin does not support")) testlibHandler(type, context, message);
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        testlibHandler = qInstallMessageHandler(quietOffscreen);
        QStandardPaths::setTestModeEnabled(true);
    }
    void init();
    void cleanup();

    void startState();
    void controls_data();
    void controls();
    void tabOrder();
    void everythingFits();
    void typicalUse();
    void clearing_data();
    void clearing();
    void messages_data();
    void messages();
    void longReadoutIsRoundedToFit_data();
    void longReadoutIsRoundedToFit();
    void copyLine_data();
    void copyLine();
    void accessibleNames();
    void driverMenu();
    void songFromADrop();
    void tempoPlanDialog();
    void smpsSongDialog();
    void exitEndsTheProgram();

private:
    template <class W = QWidget>
    W* control(const char* name = nullptr) const {
        auto* widget = name ? form->findChild<W*>(name) : form->findChild<W*>();
        if (!widget) qFatal("no control %s", name);
        return widget;
    }
    QListWidget* list() const { return control<QListWidget>("List1"); }
    QString readout() const { return control<QLabel>("Label2")->text(); }
    void choose(const char* combo, const QString& item);
    void clickGo() { QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton); }
    void clickLine(int row) {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(list()->item(row)).center());
    }
    void search(const QString& speed, const QString& tempo) {
        choose("Combo1", speed);
        choose("Combo2", tempo);
        clickGo();
    }

    beatwright::Form1* form = nullptr;
};

void WindowTest::init() {
    QSettings().clear();
    form = new beatwright::Form1;
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form));
}

void WindowTest::cleanup() {
    delete form;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(QApplication::topLevelWidgets().isEmpty(), "a window outlived the test");
}

// Chooses with the keyboard, as a user can: the arrow keys, item by item.
void WindowTest::choose(const char* combo, const QString& item) {
    auto* box = control<QComboBox>(combo);
    box->setFocus();
    const int wanted = box->findText(item);
    while (box->currentIndex() != wanted) QTest::keyClick(box, box->currentIndex() < wanted ? Qt::Key_Down : Qt::Key_Up);
    QCOMPARE(box->currentText(), item);
}

void WindowTest::startState() {
    QCOMPARE(form->windowTitle(), QString("Beatwright"));
    // The designed client area whole, the menu bar above it.
    QCOMPARE(control("clientArea")->geometry(), QRect(0, control<QMenuBar>()->height(), 225, 305));
    QCOMPARE(form->size(), QSize(225, 305 + control<QMenuBar>()->height()));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(QApplication::focusWidget(), control("Command1"));
    QVERIFY(control<QRadioButton>("Option1_0")->isChecked());
    QCOMPARE(list()->count(), 0);
    QCOMPARE(readout(), QString());
    const struct {
        const char* name;
        int count;
        QString current, first, last;
    } selectors[] = {{"Combo1", 31, "1", "1", "31"}, {"Combo2", 224, "32", "32", "255"}, {"Combo3", 126, "5", "0", "10000"}};
    for (const auto& s : selectors) {
        const auto* box = control<QComboBox>(s.name);
        QCOMPARE(box->count(), s.count);
        QCOMPARE(box->currentText(), s.current);
        QCOMPARE(box->itemText(0), s.first);
        QCOMPARE(box->itemText(box->count() - 1), s.last);
    }
    QCOMPARE(control<QComboBox>("Combo3")->findText("100"), 126 - 103);
}

void WindowTest::controls_data() {
    QTest::addColumn<QRect>("place");  // the designed twips divided by 15
    QTest::addColumn<QString>("caption");
    QTest::newRow("Combo1") << QRect(80, 4, 133, 21) << "";
    QTest::newRow("Label1_0") << QRect(23, 8, 50, 13) << "XM Speed";
    QTest::newRow("Combo2") << QRect(80, 40, 85, 21) << "";
    QTest::newRow("Label1_1") << QRect(21, 44, 52, 13) << "XM Tempo";
    QTest::newRow("Label2") << QRect(168, 40, 45, 21) << "";
    QTest::newRow("Combo3") << QRect(80, 76, 133, 21) << "";
    QTest::newRow("Label1_2") << QRect(14, 80, 59, 13) << "Tolerance %";
    QTest::newRow("Option1_0") << QRect(12, 108, 49, 13) << "NTSC";
    QTest::newRow("Option1_1") << QRect(12, 124, 41, 13) << "PAL";
    QTest::newRow("Command2") << QRect(68, 108, 145, 29) << "Go";
    QTest::newRow("List1") << QRect(12, 148, 201, 121) << "";
    QTest::newRow("Command1") << QRect(12, 276, 201, 25) << "Exit";
    QTest::newRow("List2_0") << QRect(0, 0, 9, 9) << "hidden";
    QTest::newRow("List2_1") << QRect(0, 8, 9, 9) << "hidden";
}

void WindowTest::controls() {
    QFETCH(QRect, place);
    QFETCH(QString, caption);
    const QWidget* w = control(QTest::currentDataTag());
    QCOMPARE(w->geometry(), place);
    QCOMPARE(w->isVisible(), caption != "hidden");
    if (const auto* label = qobject_cast<const QLabel*>(w)) QCOMPARE(label->text(), caption);
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) QCOMPARE(button->text(), caption);
}

void WindowTest::tabOrder() {
    const auto focusAfter = [](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        return QApplication::focusWidget()->objectName();
    };
    QStringList order;
    for (int i = 0; i < 7; ++i) order << focusAfter(Qt::Key_Tab);
    // The radio pair is one stop, at its chosen button; the arrow keys move within it.
    QCOMPARE(order, QStringList({"Command2", "List1", "Combo2", "Combo1", "Combo3", "Option1_0", "Command1"}));
    QCOMPARE(focusAfter(Qt::Key_Tab, Qt::ShiftModifier), QString("Option1_0"));
    QCOMPARE(focusAfter(Qt::Key_Down), QString("Option1_1"));
    QVERIFY(control<QRadioButton>("Option1_1")->isChecked());
}

void WindowTest::everythingFits() {
    QCOMPARE(QFontInfo(control("clientArea")->font()).family(), QString("Liberation Sans"));
    const QFontMetrics metrics = control("clientArea")->fontMetrics();
    for (const char* name : {"Label1_0", "Label1_1", "Label1_2"}) {
        const auto* label = control<QLabel>(name);
        QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->contentsRect().width(), name);
    }
    for (const char* name : {"Option1_0", "Option1_1"}) {
        const auto* option = control<QRadioButton>(name);
        QStyleOptionButton style;
        style.initFrom(option);
        const QRect text = option->style()->subElementRect(QStyle::SE_RadioButtonContents, &style, option);
        QVERIFY2(metrics.horizontalAdvance(option->text()) <= text.width(), name);
        QVERIFY2(option->rect().contains(option->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &style, option)),
                 name);
    }
    const auto* tolerance = control<QComboBox>("Combo3");
    QStyleOptionComboBox style;
    style.initFrom(tolerance);
    QVERIFY(metrics.horizontalAdvance("10000") <=
            tolerance->style()->subControlRect(QStyle::CC_ComboBox, &style, QStyle::SC_ComboBoxEditField, tolerance).width());
    // The widest lines a search gives, beside the scroll bar of a long list.
    choose("Combo3", "10000");
    answerBox(QMessageBox::Yes, [this] { clickGo(); });
    QTRY_VERIFY(list()->verticalScrollBar()->isVisible());
    const int margins = 2 * (list()->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list()) + 1);
    for (const QString line : {"0F4E .008376439% faster", "0000 9.999999E-05% slower", "0102 14374.98% faster"}) {
        QVERIFY2(metrics.horizontalAdvance(line) + margins <= list()->viewport()->width(), qPrintable(line));
    }
}

void WindowTest::typicalUse() {
    QVERIFY(answerBox(QMessageBox::Yes, [this] { search("6", "125"); }).isEmpty());
    QCOMPARE(lines(list()), typicalLines);
    clickLine(2);
    QCOMPARE(readout(), QString("120"));
    clickGo();
    QCOMPARE(lines(list()), typicalLines);
    // The keyboard chooses lines as the mouse does.
    list()->setFocus();
    const QString readouts[] = {"125", "125", "120"};
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_End}) {
        QTest::keyClick(list(), key);
        QCOMPARE(readout(), readouts[list()->currentRow()]);
    }
}

void WindowTest::clearing_data() {
    QTest::addColumn<QString>("combo");
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("clears");
    QTest::newRow("another speed") << "Combo1" << "7" << true;
    QTest::newRow("another tempo") << "Combo2" << "126" << true;
    QTest::newRow("PAL") << "" << "" << true;
    QTest::newRow("another tolerance") << "Combo3" << "6" << false;
}

void WindowTest::clearing() {
    QFETCH(QString, combo);
    QFETCH(QString, item);
    QFETCH(bool, clears);
    search("6", "125");
    clickLine(0);
    if (combo.isEmpty()) {
        QTest::mouseClick(control("Option1_1"), Qt::LeftButton);
    } else {
        choose(qPrintable(combo), item);
    }
    QCOMPARE(lines(list()), clears ? QStringList() : typicalLines);
    QCOMPARE(readout(), clears ? QString() : QString("125"));
    // The hidden lists keep their entries until the next search.
    QCOMPARE(lines(control<QListWidget>("List2_0")), QStringList({"7", "6", "5"}));
    QCOMPARE(lines(control<QListWidget>("List2_1")), QStringList({"36", "6", "3"}));
}

void WindowTest::messages_data() {
    QTest::addColumn<QString>("speed");
    QTest::addColumn<QString>("tempo");
    QTest::addColumn<QString>("tolerance");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QVariantList>("box");
    QTest::addColumn<int>("lineCount");  // -1: more lines than at 5 %, the closest first
    const QVariantList question{"I have a question for you",
                                "This operation may require a very long time.\nProceed anyway?",
                                int(QMessageBox::Question), int(QMessageBox::Yes | QMessageBox::No), true};
    const QVariantList noResults{"Uh-oh!",
                                 "No results found with these criteria.\n"
                                 "Try to increase the tolerance to get more results.",
                                 int(QMessageBox::Warning), int(QMessageBox::Ok), true};
    const int yes = QMessageBox::Yes, no = QMessageBox::No, ok = QMessageBox::Ok;
    QTest::newRow("90 searches at once") << "6" << "125" << "90" << yes << QVariantList() << -1;
    QTest::newRow("100 asks, Yes searches") << "6" << "125" << "100" << yes << question << -1;
    QTest::newRow("100 asks, No keeps the lines") << "6" << "125" << "100" << no << question << 3;
    QTest::newRow("10000 asks") << "6" << "125" << "10000" << yes << question << 258;
    QTest::newRow("nothing within 0") << "1" << "32" << "0" << ok << noResults << 0;
}

void WindowTest::messages() {
    QFETCH(QString, speed);
    QFETCH(QString, tempo);
    QFETCH(QString, tolerance);
    QFETCH(int, answer);
    QFETCH(QVariantList, box);
    QFETCH(int, lineCount);
    search(speed, tempo);
    const QStringList before = lines(list());
    QVERIFY(!before.isEmpty());
    choose("Combo3", tolerance);
    QCOMPARE(answerBox(QMessageBox::StandardButton(answer), [this] { clickGo(); }), box);
    if (lineCount == -1) {
        QVERIFY(list()->count() > before.size());
        QCOMPARE(list()->item(0)->text(), before.front());
    } else {
        QCOMPARE(list()->count(), lineCount);
    }
    QCOMPARE(control<QListWidget>("List2_0")->count(), list()->count());
}

void WindowTest::longReadoutIsRoundedToFit_data() {
    QTest::addColumn<bool>("pal");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<QString>("tempo");
    QTest::addColumn<QString>("tolerance");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("whole");
    QTest::addColumn<QString>("shown");  // rounded by hand, not cut: ...11 to .51, ...0007 to .001
    QTest::newRow("PAL 0600") << true << "6" << "125" << "5" << "0600" << "124.51171875" << "124.51…";
    QTest::newRow("near a whole number") << false << "28" << "47" << "10" << "59F8" << "47.0007249003262"
                                         << "47.001…";
}

void WindowTest::longReadoutIsRoundedToFit() {
    QFETCH(bool, pal);
    QFETCH(QString, speed);
    QFETCH(QString, tempo);
    QFETCH(QString, tolerance);
    QFETCH(QString, key);
    QFETCH(QString, whole);
    QFETCH(QString, shown);
    if (pal) QTest::mouseClick(control("Option1_1"), Qt::LeftButton);
    choose("Combo3", tolerance);
    search(speed, tempo);
    const auto found = list()->findItems(key, Qt::MatchStartsWith);
    QCOMPARE(found.size(), 1);
    clickLine(list()->row(found.front()));
    const auto* label = control<beatwright::ReadoutLabel>("Label2");
    QCOMPARE(label->text(), whole);
    QVERIFY(label->toolTip().startsWith(whole + ": the XM tempo at speed " + speed + " of divider "));
    QCOMPARE(label->shownText(), shown);
    QVERIFY(label->fontMetrics().horizontalAdvance(shown) <= label->contentsRect().width());
    QGuiApplication::clipboard()->clear();
    label->actions().front()->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), whole);
}

void WindowTest::copyLine_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("copied");
    QTest::newRow("Ctrl+C") << "" << "0606 perfect match";
    QTest::newRow("context menu Copy") << "Copy" << "0606 perfect match";
    QTest::newRow("context menu Copy as SMPS2ASM") << "Copy as SMPS2ASM" << "smpsHeaderTempo $06, $06";
}

void WindowTest::copyLine() {
    QFETCH(QString, action);
    QFETCH(QString, copied);
    search("6", "125");
    list()->setFocus();
    QGuiApplication::clipboard()->setText("untouched");
    QTest::keySequence(list(), QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("untouched"));
    clickLine(1);
    if (action.isEmpty()) {
        QTest::keySequence(list(), QKeySequence::Copy);
    } else {
        const auto actions = list()->actions();
        const auto chosen = std::find_if(actions.begin(), actions.end(), [&](QAction* a) { return a->text() == action; });
        QVERIFY(chosen != actions.end());
        (*chosen)->trigger();
    }
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
}

void WindowTest::accessibleNames() {
    // A selector is named by the caption labelling it (on Linux its own name is its item).
    const auto labelOf = [this](const char* name) {
        QStringList labels;
        for (const auto& [other, relation] : QAccessible::queryAccessibleInterface(control(name))->relations(QAccessible::Label)) {
            labels << other->text(QAccessible::Name);
        }
        return labels;
    };
    QCOMPARE(labelOf("Combo1"), QStringList("XM Speed"));
    QCOMPARE(labelOf("Combo2"), QStringList("XM Tempo"));
    QCOMPARE(labelOf("Combo3"), QStringList("Tolerance %"));
    const auto nameOf = [this](const char* name) { return QAccessible::queryAccessibleInterface(control(name))->text(QAccessible::Name); };
    QCOMPARE(nameOf("List1"), QString("Matching pairs"));
    QCOMPARE(nameOf("Label2"), QString("XM tempo of the chosen pair"));
}

void WindowTest::driverMenu() {
    search("6", "125");
    // Through the menu as a user opens it: the bar's title, then the item.
    auto* bar = control<QMenuBar>();
    QAction* title = bar->actions().at(1);
    QCOMPARE(title->text(), QString("&Driver"));
    auto* menu = title->menu();
    QAction* sonic2 = menu->findChild<QAction*>("sonic2");
    QVERIFY(menu->findChild<QAction*>("sonic1")->isChecked());
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(title).center());
    QTRY_VERIFY(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(sonic2).center());
    QVERIFY(sonic2->isChecked());
    QCOMPARE(list()->count(), 0);  // a new driver empties the results as a new standard does
    QCOMPARE(form->windowTitle(), QString("sonic2 \u2014 Beatwright"));
    QTest::mouseClick(control("Option1_1"), Qt::LeftButton);
    choose("Combo3", "1");
    clickGo();
    // The companion's lines for --driver sonic2 --pal, from a separate rounds search.
    QCOMPARE(lines(list()).mid(0, 3), QStringList({"07F9 .04464111% faster", "05B2 .1249969% faster", "06D5 .156253% slower"}));
    clickLine(0);
    QCOMPARE(readout(), QString("125.055803571429"));  // 6 x 249 x 150 / 256 / 7
    // Shown at the menu bar's right, and chosen again at the next start.
    QCOMPARE(control<QLabel>("driverLabel")->text(), QString("sonic2"));
    delete form;
    form = new beatwright::Form1;
    QVERIFY(form->findChild<QAction*>("sonic2")->isChecked());
    QCOMPARE(control<QLabel>("driverLabel")->text(), QString("sonic2"));
    QCOMPARE(form->windowTitle(), QString("sonic2 \u2014 Beatwright"));
}

void WindowTest::songFromADrop() {
    QTemporaryDir dir;
    const auto write = [&](const QString& name, const std::vector<unsigned char>& bytes) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    };
    write("song.xm", beatwright::testing::writeXm({6, 125, {0, 1}, {{16, {{0, 0, 0x0F, 0x04}}}, {16, {{8, 0, 0x0F, 0x8C}}}}}));
    write("broken.xm", {'E', 'x', 't', 'e', 'n', 'd', 'e', 'd'});
    const auto drop = [&](const QString& name) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(dir.filePath(name))});
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(form, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent dropped(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(form, &dropped);
    };
    drop("song.xm");
    QCOMPARE(control<QComboBox>("Combo1")->currentText(), QString("4"));  // row 0 sets speed 4 at once
    QCOMPARE(control<QComboBox>("Combo2")->currentText(), QString("125"));
    QCOMPARE(form->windowTitle(), QString("song.xm \u2014 Beatwright"));
    auto* bar = control<QMenuBar>();
    QAction* songTitle = bar->actions().last();
    QVERIFY(songTitle->isVisible());
    QStringList items;
    for (const QAction* a : songTitle->menu()->actions()) items << a->text();
    QCOMPARE(items, QStringList({"&Tempo plan...", "", "speed 4, tempo 125 \u2014 order 0, row 0",
                                 "speed 4, tempo 140 \u2014 order 1, row 8"}));
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(songTitle).center());
    QTRY_VERIFY(songTitle->menu()->isVisible());
    QTest::mouseClick(songTitle->menu(), Qt::LeftButton, {},
                      songTitle->menu()->actionGeometry(songTitle->menu()->actions().last()).center());
    QCOMPARE(control<QComboBox>("Combo2")->currentText(), QString("140"));
    // A file that is no song is told, and nothing changes.
    const QVariantList told = answerBox(QMessageBox::Ok, [&] { drop("broken.xm"); });
    QCOMPARE(told.mid(0, 2), QVariantList({"Open song", "Cannot read broken.xm:\nnot a module file (XM, MOD, S3M, IT or another tracker format)."}));
    QCOMPARE(told.value(4), QVariant(true));
    QCOMPARE(form->windowTitle(), QString("song.xm \u2014 Beatwright"));
    QCOMPARE(control<QComboBox>("Combo2")->currentText(), QString("140"));
}

void WindowTest::tempoPlanDialog() {
    QTemporaryDir dir;
    const QString path = dir.filePath("speeds.xm");
    // Speeds 8, 9, 10, 11 and 4 at tempo 125: 6.25 x 8 = 50 units a second, 0106's 60 x 5 / 6.
    const auto bytes = beatwright::testing::writeXm(
        {8, 125, {0, 1, 2, 3, 4}, {{4, {}}, {4, {{0, 0, 0x0F, 9}}}, {4, {{0, 0, 0x0F, 10}}}, {4, {{0, 0, 0x0F, 11}}}, {4, {{0, 0, 0x0F, 4}}}}});
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    file.close();
    form->openSong(path);
    QAction* plan = control<QMenuBar>()->actions().last()->menu()->actions().first();
    QString shown;
    answerModal<QDialog>([&](QDialog* dialog) {
        shown = dialog->findChild<QPlainTextEdit*>()->toPlainText();
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
            if (button->text() == "Copy as SMPS2ASM") QTest::mouseClick(button, Qt::LeftButton);
        }
        dialog->reject();
    }, [&] { plan->trigger(); });
    QVERIFY2(shown.startsWith("Tempo plan on sonic1 (timeout model), NTSC, tolerance 5%\nRecommended: one pair"), qPrintable(shown));
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QString("; Tempo for sonic1 (timeout model), NTSC: one pair, no tempo command\n"
                     "; the bytes assume smpsHeaderStartSong 1\n"
                     "\tsmpsHeaderTempo $01, $06\n"
                     "; speed 8, tempo 125: rows of 8 units, perfect match\n"
                     "; speed 9, tempo 125: rows of 9 units, perfect match\n"
                     "; speed 10, tempo 125: rows of 10 units, perfect match\n"
                     "; speed 11, tempo 125: rows of 11 units, perfect match\n"
                     "; speed 4, tempo 125: rows of 4 units, perfect match\n"));
}

void WindowTest::smpsSongDialog() {
    QTemporaryDir dir;
    QFile file(dir.filePath("song.asm"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Song_Header:\n\tsmpsHeaderStartSong 1\n\tsmpsHeaderTempo $01, $03\n");
    file.close();
    form->findChild<QAction*>("sonic2")->trigger();
    QString shown;
    answerModal<QDialog>([&](QDialog* dialog) {
        const auto press = [&](const QString& caption) {
            for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
                if (button->text() == caption) QTest::mouseClick(button, Qt::LeftButton);
            }
        };
        press("Port to sonic2");
        shown = dialog->findChild<QPlainTextEdit*>()->toPlainText();
        press("Copy as SMPS2ASM");
        dialog->reject();
    }, [&] { form->openSong(file.fileName()); });
    // 60 x 2/3 = 40 units a second, 100 XM tempo at speed 1; 60 x 171/256 on sonic2.
    QVERIFY2(shown.contains("line 3 (Song_Header) smpsHeaderTempo 0103: 40 units a second, XM tempo 100\n"
                            "  on sonic2: 01AB, .1953125% faster; SMPS2ASM gives $AB, .1953125% faster"),
             qPrintable(shown));
    QVERIFY(QGuiApplication::clipboard()->text().contains("\tsmpsHeaderStartSong 2\n\tsmpsHeaderTempo $01, $AB"));
}

void WindowTest::exitEndsTheProgram() {
    // The program's own event loop, which ends when its only window goes.
    bool timedOut = false;
    QTimer::singleShot(0, form, [this] { QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton); });
    QTimer::singleShot(5000, qApp, [&] {
        timedOut = true;
        QCoreApplication::quit();
    });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!timedOut);
    QVERIFY(!form->isVisible());
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"
