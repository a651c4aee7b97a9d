#include <QtTest>
#include <QtWidgets>

#include <functional>

#include "form1.h"
#include "readout_label.h"
#include "support/xm_writer.h"

namespace {

// Hands the modal dialog that `action` opens to `answer`, which must close it.
void answerModal(const std::function<void(QDialog*)>& answer, const std::function<void()>& action) {
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            poll.stop();
            answer(dialog);
        }
    });
    poll.start();
    action();
}

QtMessageHandler testlibHandler = nullptr;

// The offscreen platform warns that it cannot raise or grab; that is not the window's doing.
void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!message.startsWith("This plugin does not support")) testlibHandler(type, context, message);
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init() {
        QSettings().clear();
        form = new beatwright::Form1;
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form));
    }
    void cleanup() {
        delete form;
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    }
    void layout();
    void actions_data();
    void actions();
    void exitEndsTheProgram();

private:
    template <class W = QWidget>
    W* control(const QString& name) const {
        auto* widget = form->findChild<W*>(name);
        if (!widget) qFatal("no control %s", qPrintable(name));
        return widget;
    }
    QListWidget* list() const { return control<QListWidget>("List1"); }
    void run(const QString& step);

    beatwright::Form1* form = nullptr;
    QTemporaryDir songs;
    QStringList boxes;  // the captions of the message boxes the steps met
};

void WindowTest::initTestCase() {
    testlibHandler = qInstallMessageHandler(quietOffscreen);
    QStandardPaths::setTestModeEnabled(true);
    // Speed 8, then 4 from row 2, then 8 again: two states, three entries.
    const auto module = beatwright::testing::writeXm({8, 125, {0, 1}, {{4, {{2, 0, 0x0F, 4}}}, {4, {{0, 0, 0x0F, 8}}}}});
    for (const auto& [name, bytes] : {std::pair{"song.xm", QByteArray(reinterpret_cast<const char*>(module.data()), qsizetype(module.size()))},
                                      {"broken.xm", QByteArray("Extended")},
                                      {"song.asm", "Song_Header:\n\tsmpsHeaderStartSong 1\n\tsmpsHeaderTempo $01, $03\n"}}) {
        QFile file(songs.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
}

// The designed client area, its captions' fit, tab order and first state.
void WindowTest::layout() {
    QCOMPARE(control("clientArea")->geometry(), QRect(0, form->findChild<QMenuBar*>()->height(), 225, 305));
    for (auto* w : control("clientArea")->findChildren<QWidget*>()) {
        QVERIFY2(QRect(0, 0, 225, 305).contains(w->geometry()), qPrintable(w->objectName()));
        const QString caption = w->property("text").toString();
        QVERIFY2(w->fontMetrics().horizontalAdvance(caption) <= w->contentsRect().width(), qPrintable(caption));
    }
    QCOMPARE(QFontInfo(control("clientArea")->font()).family(), QString("Liberation Sans"));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(control<QRadioButton>("Option1_0")->isChecked());
    QCOMPARE(control<QLabel>("driverLabel")->text(), QString("sonic1"));
    for (const auto& [name, count, current] : {std::tuple{"Combo1", 31, "1"}, {"Combo2", 224, "32"}, {"Combo3", 126, "5"}}) {
        QCOMPARE(control<QComboBox>(name)->count(), count);
        QCOMPARE(control<QComboBox>(name)->currentText(), QString(current));
    }
    // Tab from Exit; the radio pair is one stop.
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, QStringList({"Command1", "Command2", "List1", "Combo2", "Combo1", "Combo3", "Option1_0"}));
    // Screen readers name each selector by its caption.
    const auto* combo = QAccessible::queryAccessibleInterface(control("Combo2"));
    QCOMPARE(combo->relations(QAccessible::Label).value(0).first->text(QAccessible::Name), QString("XM Tempo"));
}

// A step as a user takes it: "speed 6", "tolerance 100", "pal", "go" (a box answered Yes),
// "go No", "line 2" (a click), "find 0600", "key End", "copy" (Ctrl+C), "menu Copy as
// SMPS2ASM", "label copy", "driver sonic2", "restart", "drop song.xm", "state 3" (the Song
// menu's item), and "plan", "open song.asm" with the dialog's buttons to press after " > ".
void WindowTest::run(const QString& step) {
    const QString verb = step.section(' ', 0, 0), rest = step.section(' ', 1).section(" > ", 0, 0);
    const auto choose = [&](const char* combo) {
        auto* box = control<QComboBox>(combo);
        box->setFocus();
        const int wanted = box->findText(rest);
        QVERIFY2(wanted != -1, qPrintable(step));
        while (box->currentIndex() != wanted) QTest::keyClick(box, box->currentIndex() < wanted ? Qt::Key_Down : Qt::Key_Up);
    };
    const auto click = [&](int row) {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(list()->item(row)).center());
    };
    // Message boxes answered, over their window; other dialogs' buttons pressed as the step says.
    const auto answering = [&](const std::function<void()>& action) {
        answerModal([&](QDialog* dialog) {
            if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
                const bool over = form->frameGeometry().contains(box->frameGeometry().center());
                boxes << box->windowTitle() + (over ? "" : " (not over the window)");
                QAbstractButton* button = box->button(rest == "No" ? QMessageBox::No : QMessageBox::Yes);
                return QTest::mouseClick(button ? button : box->button(QMessageBox::Ok), Qt::LeftButton);
            }
            for (const QString& caption : step.section(" > ", 1).split(", ")) {
                for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
                    if (button->text() == caption) QTest::mouseClick(button, Qt::LeftButton);
                }
            }
            dialog->reject();
        }, action);
    };
    QMenu* songMenu = form->findChild<QMenuBar*>()->actions().last()->menu();
    if (verb == "speed") choose("Combo1");
    if (verb == "tempo") choose("Combo2");
    if (verb == "tolerance") choose("Combo3");
    if (verb == "pal") QTest::mouseClick(control("Option1_1"), Qt::LeftButton);
    if (verb == "go") answering([&] { QTest::mouseClick(control("Command2"), Qt::LeftButton); });
    if (verb == "line") click(rest.toInt());
    if (verb == "find") click(list()->row(list()->findItems(rest, Qt::MatchStartsWith).value(0)));
    if (verb == "key") QTest::keyClick(list(), rest == "End" ? Qt::Key_End : rest == "Up" ? Qt::Key_Up : Qt::Key_Down);
    if (verb == "copy") QTest::keySequence(list(), QKeySequence::Copy);
    if (verb == "menu") {
        for (QAction* a : list()->actions()) {
            if (a->text() == rest) a->trigger();
        }
    }
    if (verb == "label") control("Label2")->actions().front()->trigger();
    if (verb == "driver") form->findChild<QAction*>(rest)->trigger();
    if (verb == "restart") {
        delete form;
        form = new beatwright::Form1;
        form->show();
    }
    if (verb == "drop") {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(songs.filePath(rest))});
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(form, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, {});
        answering([&] { QApplication::sendEvent(form, &drop); });
    }
    if (verb == "open") answering([&] { form->openSong(songs.filePath(rest)); });
    if (verb == "state") songMenu->actions().at(rest.toInt())->trigger();
    if (verb == "plan") answering([&] { songMenu->actions().front()->trigger(); });
}

void WindowTest::actions_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("lines");  // "#N": N lines; "^" first: these lines first
    QTest::addColumn<QString>("readout");    // the label's whole text, then what it shows where cut
    QTest::addColumn<QString>("box");        // the captions of the boxes met
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("window");  // its title and the chosen speed and tempo, where told
    const QString ask = "I have a question for you";
    const QStringList typical{"0724 perfect match", "0606 perfect match", "0503 4.000003% slower"};
    const QStringList pal{"0506 perfect match", "0403 perfect match", "0302 perfect match", "0600 .390625% slower"};
    const auto after = [](const QStringList& more) { return QStringList({"speed 6", "tempo 125", "go"}) + more; };
    const QStringList none;
    QTest::newRow("typical use") << after({"line 2"}) << typical << "120" << "" << "" << "";
    QTest::newRow("the keyboard chooses") << after({"key Down", "key Down", "key Up", "key End"}) << typical << "120" << "" << "" << "";
    QTest::newRow("another speed clears") << after({"line 0", "speed 7"}) << none << "" << "" << "" << "";
    QTest::newRow("another tempo clears") << after({"line 0", "tempo 126"}) << none << "" << "" << "" << "";
    QTest::newRow("PAL clears") << after({"line 0", "pal"}) << none << "" << "" << "" << "";
    QTest::newRow("another driver clears") << after({"line 0", "driver sonic2"}) << none << "" << "" << ""
                                           << "sonic2 \u2014 Beatwright";
    QTest::newRow("the tolerance keeps") << after({"line 0", "tolerance 6"}) << typical << "125" << "" << "" << "";
    QTest::newRow("90 searches at once") << after({"tolerance 90", "go"}) << QStringList({"^", typical[0]}) << "" << "" << "" << "";
    QTest::newRow("100 asks; No keeps") << after({"tolerance 100", "go No"}) << typical << "" << ask << "" << "";
    QTest::newRow("10000 asks; Yes searches") << after({"tolerance 10000", "go"}) << QStringList("#258") << "" << ask << "" << "";
    QTest::newRow("nothing within 0") << QStringList({"speed 1", "tempo 32", "tolerance 0", "go"}) << none << "" << "Uh-oh!"
                                      << "" << "";
    QTest::newRow("PAL lines; a long readout rounded") << QStringList({"pal"}) + after({"line 3", "label copy"}) << pal
                                                       << "124.51171875 124.51…" << "" << "124.51171875" << "";
    QTest::newRow("rounded, not cut") << QStringList({"speed 28", "tempo 47", "tolerance 10", "go", "find 59F8"})
                                      << QStringList("^") << "47.0007249003262 47.001…" << "" << "" << "";
    QTest::newRow("Ctrl+C copies the chosen line") << after({"line 1", "copy"}) << typical << "125" << ""
                                                   << "0606 perfect match" << "";
    QTest::newRow("copy as SMPS2ASM") << after({"line 1", "menu Copy as SMPS2ASM"}) << typical << "125" << ""
                                      << "smpsHeaderTempo $06, $06" << "";
    // The companion's lines for --driver sonic2 --pal, from a separate rounds search; the
    // driver stays chosen at the next start. 6 x 249 x 150 / 256 / 7 = 125.0558...
    QTest::newRow("another driver, remembered")
        << QStringList({"driver sonic2", "restart", "pal", "tolerance 1"}) + after({"line 0"})
        << QStringList({"^", "07F9 .04464111% faster", "05B2 .1249969% faster", "06D5 .156253% slower"})
        << "125.055803571429 125.06…" << "" << "" << "sonic2 \u2014 Beatwright";
    QTest::newRow("a song dropped, its states") << QStringList({"drop song.xm", "state 3"}) << none << "" << "" << ""
                                                << "song.xm \u2014 Beatwright 4 125";
    // 12.5 units a second (0406) plays 125 at speed 8 in rows of 2 units, at speed 4 in rows of 1.
    QTest::newRow("its tempo plan") << QStringList({"drop song.xm", "plan > Copy as SMPS2ASM"}) << none << "" << "" <<
        "; Tempo for sonic1 (timeout model), NTSC: one pair, no tempo command\n; the bytes assume smpsHeaderStartSong 1\n"
        "\tsmpsHeaderTempo $04, $06\n; speed 8, tempo 125: rows of 2 units, perfect match\n"
        "; speed 4, tempo 125: rows of 1 unit, perfect match\n" << "song.xm \u2014 Beatwright 8 125";
    QTest::newRow("no song changes nothing") << QStringList({"drop song.xm", "open broken.xm"}) << none << "" << "Open song"
                                             << "" << "song.xm \u2014 Beatwright 8 125";
    // 60 x 2/3 = 40 units a second; 171/256 of 60 on sonic2, as SMPS2ASM's 513 / 3 gives too.
    QTest::newRow("an SMPS song ported") << QStringList({"driver sonic2", "open song.asm > Port to sonic2, Copy as SMPS2ASM"})
                                         << none << "" << "" << "; song.asm on sonic2 (carry-advance model): the tempo lines, "
                                         "ported\n\tsmpsHeaderStartSong 2\n\tsmpsHeaderTempo $01, $AB\t; line 3 (Song_Header)\n" << "";
}

void WindowTest::actions() {
    QFETCH(QStringList, steps);
    QFETCH(QStringList, lines);
    QFETCH(QString, readout);
    QFETCH(QString, box);
    QFETCH(QString, clipboard);
    QFETCH(QString, window);
    QGuiApplication::clipboard()->clear();
    boxes.clear();
    for (const QString& step : steps) run(step);
    QStringList shown;
    for (int i = 0; i < list()->count(); ++i) shown << list()->item(i)->text();
    if (lines.value(0).startsWith('#')) {
        QCOMPARE(shown.size(), lines[0].mid(1).toInt());
    } else if (lines.value(0) == "^") {
        QCOMPARE(shown.mid(0, lines.size() - 1), lines.mid(1));
    } else {
        QCOMPARE(shown, lines);
    }
    const auto* label = control<beatwright::ReadoutLabel>("Label2");
    QCOMPARE(label->text(), readout.section(' ', 0, 0));
    if (readout.contains(' ')) {
        QCOMPARE(label->shownText(), readout.section(' ', 1));
        QVERIFY(label->fontMetrics().horizontalAdvance(label->shownText()) <= label->contentsRect().width());
        QVERIFY(label->toolTip().startsWith(label->text() + ": the XM tempo at speed "));
    }
    QCOMPARE(boxes.join(", "), box);
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
    if (window.endsWith("Beatwright")) QCOMPARE(form->windowTitle(), window);
    if (window.contains("Beatwright ")) {
        QCOMPARE(QString("%1 %2 %3").arg(form->windowTitle(), control<QComboBox>("Combo1")->currentText(),
                                         control<QComboBox>("Combo2")->currentText()), window);
    }
}

void WindowTest::exitEndsTheProgram() {
    // The program's own event loop, which ends when its only window goes.
    QTimer::singleShot(0, form, [this] { QTest::mouseClick(control("Command1"), Qt::LeftButton); });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!form->isVisible());
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"
