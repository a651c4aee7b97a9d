#include <QtTest>
#include <QtWidgets>

#include <functional>

#include "form1.h"
#include "readout_label.h"
#include "support/tracker_writer.h"
#include "support/xm_writer.h"

class WindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init() {
        QSettings().clear();
        form = new beatwright::Form1;
        closed = false;
        form->installEventFilter(this);
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form));
    }
    void cleanup() {
        delete form;
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    }
    void layout();
    void entry();
    void actions_data();
    void actions();

private:
    template <class W = QWidget>
    W* control(const QString& name) const {
        auto* widget = form->findChild<W*>(name);
        if (!widget) qFatal("no control %s", qPrintable(name));
        return widget;
    }
    QListWidget* list() const { return control<QListWidget>("List1"); }
    QMenu* songMenu() const { return form->findChild<QMenuBar*>()->actions().last()->menu(); }
    void run(const QString& step);
    [[nodiscard]] QString look(const QString& what) const;

    beatwright::Form1* form = nullptr;
    bool closed = false;  // closed, which ends the program with its last window; not merely hidden
    bool eventFilter(QObject*, QEvent* event) override {
        closed = closed || event->type() == QEvent::Close;
        return false;
    }
    QTemporaryDir songs;
    QStringList seen;  // what the steps looked at, and the message boxes they met
};

void WindowTest::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    // Speed 8, then 4 from row 2, then 8 again: two states, three entries.
    const auto module = beatwright::testing::writeXm({8, 125, {0, 1}, {{4, {{2, 0, 0x0F, 4}}}, {4, {{0, 0, 0x0F, 8}}}}});
    // Two sub-songs at speed 6, at 60 and 70 Hz, the second named; a DefleMask song at 6 and 3 on PAL.
    const auto furnace = beatwright::testing::writeFurnace({.compressed = true, .subsongs = 2, .names = {"", "Boss"}});
    const auto defleMask = beatwright::testing::writeDefleMask({.speed2 = 3, .ntsc = false, .notes = {{0, 0, 0, 108, 0}}});
    const auto bytes = [](const std::vector<unsigned char>& b) { return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())); };
    for (const auto& [name, bytes] : {std::pair{"song.xm", bytes(module)}, {"song.fur", bytes(furnace)}, {"song.dmf", bytes(defleMask)},
                                      {"broken.xm", QByteArray("Extended")},
                                      {"song.asm", "Song_Header:\n\tsmpsHeaderStartSong 1\n\tsmpsHeaderTempo $01, $03\n"}}) {
        QFile file(songs.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
}

// The designed client area: every control within it, its caption fitting, the tab order
// (from Exit; the radio pair is one stop), each selector named by its caption, their items.
void WindowTest::layout() {
    QCOMPARE(control("clientArea")->geometry(), QRect(0, form->findChild<QMenuBar*>()->height(), 225, 305));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    // Each control at its designed twips over 15.
    const std::pair<const char*, QRect> designed[] = {
        {"Combo1", {80, 4, 133, 21}},    {"Label1_0", {23, 8, 50, 13}},   {"Combo2", {80, 40, 85, 21}},     {"Label1_1", {21, 44, 52, 13}},
        {"Label2", {168, 40, 45, 21}},   {"Combo3", {80, 76, 133, 21}},   {"Label1_2", {14, 80, 59, 13}},   {"Option1_0", {12, 108, 49, 13}},
        {"Option1_1", {12, 124, 41, 13}}, {"Command2", {68, 108, 145, 29}}, {"List1", {12, 148, 201, 121}}, {"Command1", {12, 276, 201, 25}}};
    for (const auto& [name, place] : designed) QCOMPARE(control(name)->geometry(), place);
    for (auto* w : control("clientArea")->findChildren<QWidget*>()) {
        QVERIFY2(QRect(0, 0, 225, 305).contains(w->geometry()), qPrintable(w->objectName()));
        const QString caption = w->property("text").toString();
        QVERIFY2(w->fontMetrics().horizontalAdvance(caption) <= w->contentsRect().width(), qPrintable(caption));
    }
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, QStringList({"Command1", "Command2", "List1", "Combo2", "Combo1", "Combo3", "Option1_0"}));
    QVERIFY(control<QRadioButton>("Option1_0")->isChecked());
    // A readout too wide for any decimal is rounded to a whole number, marked.
    control<beatwright::ReadoutLabel>("Label2")->setText("23159.1796875", {});
    QCOMPARE(control<beatwright::ReadoutLabel>("Label2")->shownText(), QString("23159\u2026"));
    const auto* combo = QAccessible::queryAccessibleInterface(control("Combo2"));
    QCOMPARE(combo->relations(QAccessible::Label).value(0).first->text(QAccessible::Name), QString("XM Tempo"));
    QCOMPARE(QString("%1 %2 %3").arg(control<QComboBox>("Combo1")->count()).arg(control<QComboBox>("Combo2")->count())
                 .arg(control<QComboBox>("Combo3")->count()), QString("31 224 126"));
}

// Without a display the program says so, where Qt would abort; --version answers all the same. With one (Qt's
// offscreen platform), the window opens and stays.
void WindowTest::entry() {
    for (const auto& [platform, argument, said] : {std::tuple{"", "song.xm", "1 beatwright: no display to open the window on (DISPLAY is not "
                                                                              "set).\nFor a terminal, use beatwright-cli; see beatwright-cli --help.\n"},
                                                   {"", "--version", "0 beatwright " BEATWRIGHT_VERSION "\n"}, {"offscreen", "", "open"}}) {
        QProcess program;
        QProcessEnvironment environment;
        if (*platform) environment.insert("QT_QPA_PLATFORM", platform);
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(BEATWRIGHT_WINDOW, *argument ? QStringList{argument} : QStringList{});
        const bool ended = program.waitForFinished(*platform ? 2000 : 30000);
        QCOMPARE(ended ? QString::number(program.exitCode()) + ' ' + program.readAll() : "open", QString(said));
        program.kill();
        program.waitForFinished();
    }
}

// A step as a user takes it: "speed 6", "tolerance 100", "pal", "go" (a box answered Yes),
// "go No", "line 2" (a click), "find 0600", "key End", "copy" (Ctrl+C), "menu Copy as
// SMPS2ASM", "label copy", "driver sonic2", "restart", "exit", "drop song.xm", "state 3" (the
// Song menu's item), "plan", "convert" and "open song.asm" with the dialog's buttons to press after
// " > "; or "look" at what a user sees, noted with the boxes met.
void WindowTest::run(const QString& step) {
    const QString verb = step.section(' ', 0, 0), rest = step.section(' ', 1).section(" > ", 0, 0);
    const QString file = rest.startsWith('/') ? rest : songs.filePath(rest);
    const auto choose = [&](const char* combo) {
        auto* box = control<QComboBox>(combo);
        box->setFocus();
        const int wanted = box->findText(rest);
        QVERIFY2(wanted != -1, qPrintable(step));
        while (box->currentIndex() != wanted) QTest::keyClick(box, box->currentIndex() < wanted ? Qt::Key_Down : Qt::Key_Up);
    };
    const auto click = [&](const char* name) { QTest::mouseClick(control(name), Qt::LeftButton); };
    // Each modal dialog the action opens, once it is up: a message box answered and noted, with
    // whether it stands over the window; a file dialog given "ported.asm"; another dialog's
    // buttons pressed as the step says.
    const auto answering = [&](const std::function<void()>& action) {
        QTimer poll;
        QSet<QDialog*> met;
        QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || met.contains(dialog)) return;
            met.insert(dialog);
            if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
                files->selectFile(songs.filePath("ported.asm"));
                return static_cast<QDialog*>(files)->accept();  // its own accept, as its Save button
            }
            if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
                const bool over = form->frameGeometry().contains(box->frameGeometry().center());
                seen << box->windowTitle() + ": " + box->text() + (over ? "" : " (not over the window)");
                QAbstractButton* button = box->button(rest == "No" ? QMessageBox::No : QMessageBox::Yes);
                return QTest::mouseClick(button ? button : box->button(QMessageBox::Ok), Qt::LeftButton);
            }
            auto* forms = dialog->findChild<QComboBox*>("form");
            if (forms) {  // the forms a conversion offers and its rows, noted
                QStringList items;
                for (int i = 0; i < forms->count(); ++i) items << forms->itemText(i);
                for (const QLabel* l : dialog->findChildren<QLabel*>()) {
                    items << l->text() + (l->buddy() ? " " + l->buddy()->objectName() + " " + l->buddy()->property("placeholderText").toString() : "");
                }
                seen << items.join('\n');
            }
            // Pressed once this poll returns, so that a dialog a button opens is met in turn. A
            // conversion's dialog closes itself once the song is saved.
            QTimer::singleShot(0, dialog, [this, dialog, converting = forms != nullptr, captions = step.section(" > ", 1).split(", ")] {
                for (const QString& caption : captions) {
                    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
                        if (button->text() == caption) QTest::mouseClick(button, Qt::LeftButton);
                    }
                }
                if (converting && dialog->isVisible()) seen << "(the conversion's dialog still open)";
                dialog->reject();
            });
        });
        poll.start(5);
        action();
    };
    if (verb == "look") seen << look(rest.section(' ', 0, 0)).section('\n', 0, rest.section(' ', 1).toInt() - 1);
    if (verb == "file") {  // the first lines of a file the window wrote, which is then gone for the next to write
        QFile written(songs.filePath(rest.section(' ', 0, 0)));
        seen << (written.open(QIODevice::ReadOnly) ? QString::fromUtf8(written.readAll()).section('\n', 0, rest.section(' ', 1).toInt() - 1)
                                                    : "no file");
        written.remove();
    }
    if (verb == "speed") choose("Combo1");
    if (verb == "tempo") choose("Combo2");
    if (verb == "tolerance") choose("Combo3");
    if (verb == "pal") click("Option1_1");
    if (verb == "exit") click("Command1");
    if (verb == "go") answering([&] { click("Command2"); });
    const int row = verb == "line" ? rest.toInt() : verb == "find" ? list()->row(list()->findItems(rest, Qt::MatchStartsWith).value(0)) : -1;
    if (row != -1) QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(list()->item(row)).center());
    if (verb == "key") QTest::keyClick(list(), rest == "End" ? Qt::Key_End : rest == "Up" ? Qt::Key_Up : Qt::Key_Down);
    if (verb == "copy") QTest::keySequence(list(), QKeySequence::Copy);
    for (QAction* a : verb == "menu" ? list()->actions() : QList<QAction*>()) {
        if (a->text() == rest) a->trigger();
    }
    if (verb == "label") control("Label2")->actions().front()->trigger();
    if (verb == "driver") form->findChild<QAction*>(rest)->trigger();
    if (verb == "other") {  // the Driver menu's "Other...", its dialog filled in as "MODEL@RATE"
        QTimer::singleShot(5, form, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->findChild<QComboBox*>("model")->setCurrentText(rest.section('@', 0, 0));
            auto* rate = dialog->findChild<QLineEdit*>("rate");
            rate->clear();
            QTest::keyClicks(rate, rest.section('@', 1));
            QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
        form->findChild<QAction*>("otherDriver")->trigger();
    }
    if (verb == "restart") {
        delete form;
        form = new beatwright::Form1;
        form->show();
    }
    if (verb == "drop") {  // dropped only where the window takes it
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, {});
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, {});
        answering([&] { QApplication::sendEvent(form, &enter) && enter.isAccepted() && QApplication::sendEvent(form, &drop); });
    }
    if (verb == "open") answering([&] { form->openSong(file); });
    if (verb == "state") songMenu()->actions().at(rest.toInt())->trigger();
    if (verb == "subsong") songMenu()->actions().at(1)->menu()->actions().at(rest.toInt() - 1)->trigger();
    if (verb == "plan") answering([&] { songMenu()->actions().front()->trigger(); });
    for (QAction* a : verb == "convert" ? songMenu()->actions() : QList<QAction*>()) {
        if (a->text().startsWith("Con&vert")) answering([&] { a->trigger(); });
    }
}

// "lines", "count", "readout" (the whole value, then what the label shows where it is cut), "tooltip", "clipboard", "window" (its
// title, or "closed"), "choice" (speed and tempo), "songmenu" (its items, "(off)" where disabled, a submenu's after it, "*" where
// checked) or "driver" (the menu bar's label and the checked item, each with its tooltip); "lines 3" for the first three.
QString WindowTest::look(const QString& what) const {
    QStringList lines, items;
    for (int i = 0; i < list()->count(); ++i) lines << list()->item(i)->text();
    for (const QAction* a : songMenu()->actions()) {
        if (a->isSeparator()) continue;
        items << a->text() + (a->isEnabled() ? "" : " (off)");
        // A submenu's items beside it, the checked one marked.
        for (const QAction* sub : a->menu() ? a->menu()->actions() : QList<QAction*>{}) items.last() += " " + sub->text() + (sub->isChecked() ? "*" : "");
    }
    const auto* label = control<beatwright::ReadoutLabel>("Label2");
    const bool fits = label->fontMetrics().horizontalAdvance(label->shownText()) <= label->contentsRect().width();
    const auto* driver = control<QLabel>("driverLabel");
    const QAction* checked = form->findChild<QAction*>("otherDriver")->actionGroup()->checkedAction();
    const QMap<QString, QString> looks{
        {"lines", lines.join('\n')},
        {"count", QString("%1 lines").arg(lines.size())},
        {"readout", label->text() + (label->shownText() == label->text() ? "" : " | " + label->shownText()) + (fits ? "" : " (cut)")},
        {"tooltip", label->toolTip()},
        {"clipboard", QGuiApplication::clipboard()->text()},
        {"window", form->isVisible() ? form->windowTitle() : closed ? "closed" : "hidden"},
        {"choice", "speed " + control<QComboBox>("Combo1")->currentText() + ", tempo " + control<QComboBox>("Combo2")->currentText()},
        {"songmenu", (songMenu()->menuAction()->isVisible() ? "" : "(hidden) ") + items.join('\n')},
        {"driver", QStringList{driver->text() + (driver->width() < driver->sizeHint().width() ? " (cut)" : ""), driver->toolTip(),
                               checked->text(), checked->toolTip()}.join(" | ")},
    };
    if (!looks.contains(what)) qFatal("no look %s", qPrintable(what));
    return looks[what];
}

void WindowTest::actions_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("seen");
    const QString typical = "0724 perfect match\n0606 perfect match\n0503 4.000003% slower";
    const QString question = "I have a question for you: This operation may require a very long time.\nProceed anyway?";
    const QStringList search{"speed 6", "tempo 125", "go"}, chosen = search + QStringList{"line 0"};
    // 150 x 255/256 / 256 at speed 1, rounded as the label's six characters allow (see below).
    QTest::newRow("a line chosen by the mouse and the keyboard, copied; rounded, not cut")
        << search + QStringList{"line 2", "look lines", "look readout", "look tooltip", "key Up", "look readout", "key End", "key Up",
                                "copy", "look clipboard", "menu Copy as SMPS2ASM", "look clipboard", "speed 1", "tempo 32",
                                "tolerance 10000", "go", "find 0000", "look readout", "open missing.xm", "exit", "look window"}
        << QStringList{typical, "120", "120: the XM tempo at speed 6 of divider 5 and period 3", "125", "0606 perfect match",
                       "smpsHeaderTempo $06, $06", question, ".583648681640625 | .58365\u2026",
                       "Open song: Cannot read missing.xm:\nNo such file or directory.", "closed"};
    QTest::newRow("what clears and what keeps")
        << chosen + QStringList{"tolerance 6", "look readout", "speed 7", "look lines", "look readout"} + chosen +
               QStringList{"tempo 126", "look lines"} + chosen + QStringList{"pal", "look lines"} + chosen +
               QStringList{"driver sonic2", "look lines", "look readout", "look window"}
        << QStringList{"125", "", "", "", "", "", "", "sonic2 \u2014 Beatwright"};
    QTest::newRow("nothing within 0; long searches ask first")
        << QStringList{"speed 1", "tempo 32", "tolerance 0", "go"} + search +
               QStringList{"tolerance 90", "go", "look lines 1", "tolerance 100", "go No", "look lines 1", "tolerance 10000", "go", "look count"}
        << QStringList{"Uh-oh!: No results found with these criteria.\nTry to increase the tolerance to get more results.",
                       "0724 perfect match", question, "0724 perfect match", question, "258 lines"};
    // The companion's lines for --driver sonic2 --pal, from a separate rounds search; the
    // driver stays chosen at the next start. 6 x 249 x 150 / 256 / 7 = 125.0558...
    QTest::newRow("PAL; a long readout rounded, copied whole; another driver, remembered")
        << QStringList("pal") + search + QStringList{"look lines", "line 3", "look readout", "label copy", "look clipboard", "driver sonic2",
                                                     "restart", "look driver", "look window", "pal", "tolerance 1"} +
               chosen + QStringList{"look lines 3", "look tooltip"}
        << QStringList{"0506 perfect match\n0403 perfect match\n0302 perfect match\n0600 .390625% slower",
                       "124.51171875 | 124.51\u2026", "124.51171875",
                       "sonic2 | The SMPS driver: Sonic the Hedgehog 2, carry-advance model | sonic2: Sonic the Hedgehog 2\t"
                       "carry-advance | carry-advance model, 60 updates a second on PAL",
                       "sonic2 \u2014 Beatwright", "07F9 .04464111% faster\n05B2 .1249969% faster\n06D5 .156253% slower",
                       "125.055803571429: the XM tempo at speed 6 of divider 7 and tempo 249"};
    // 12.5 units a second (0406) plays 125 at speed 8 in rows of 2 units, at speed 4 in rows of 1.
    QTest::newRow("a song dropped: its states, its plan; no song changes nothing; states beyond the lists, a tempo slide")
        << QStringList{"drop song.xm", "look window", "look choice", "look songmenu", "state 4", "look choice", "plan > Copy",
                       "look clipboard 1", "plan > Copy as SMPS2ASM", "look clipboard 1", "open broken.xm", "look window",
                       "open " BEATWRIGHT_CORPUS "/seed7.it", "look songmenu"}
        << QStringList{"song.xm \u2014 Beatwright", "speed 8, tempo 125",
                       "&Tempo plan...\nCon&vert to SMPS song... (off)\nspeed 8, tempo 125 \u2014 order 0, row 0\nspeed 4, tempo 125 \u2014 order 0, row 2",
                       "speed 4, tempo 125", "Tempo plan on sonic1 (timeout model), NTSC, tolerance 5%",
                       "; Tempo for sonic1 (timeout model), NTSC: one pair, no tempo command",
                       "Open song: Cannot read broken.xm:\nnot a song: no module (XM, MOD, S3M, IT...), Furnace, DefleMask or SMPS song.",
                       "song.xm \u2014 Beatwright", "&Tempo plan...\nCon&vert to SMPS song... (off)\nspeed 6, tempo 125 \u2014 order 0, row 0, the tempo slides\nspeed 64, tempo 125 \u2014 "
                       "order 0, row 8 (not in the lists: see beatwright-cli --song) (off)\nspeed 6, tempo 135 \u2014 order 0, row 17"};
    // 60 Hz is XM tempo 150; 70 Hz 175. The DefleMask rows of 6 and 3 ticks at 50 Hz.
    QTest::newRow("Furnace sub-songs and a DefleMask song")
        << QStringList{"open song.fur", "look window", "look choice", "look songmenu", "subsong 2", "look window", "look choice", "look songmenu",
                       "drop song.dmf", "look songmenu", "look choice", "convert > &Convert...", "file ported.asm 3"}
        << QStringList{"song.fur, sub-song 1 \u2014 Beatwright", "speed 6, tempo 150",
                       "&Tempo plan...\nSub-&song 1* 2: Boss\nCon&vert to SMPS song...\nspeed 6, 60 Hz, 150 BPM \u2014 order 0, row 0",
                       "song.fur, sub-song 2 \u2014 Beatwright", "speed 6, tempo 175",
                       "&Tempo plan...\nSub-&song 1 2: Boss*\nCon&vert to SMPS song...\nspeed 6, 70 Hz, 175 BPM \u2014 order 0, row 0",
                       // Rows of 6 and 3 ticks have no one speed: greyed, and the selectors keep theirs.
                       "Open song: The song starts at speeds 6 3, 50 Hz, 166.67 BPM, which the lists do not hold.\nThe Song menu's "
                       "tempo plan and beatwright-cli --song answer for it.",
                       "&Tempo plan...\nCon&vert to SMPS song...\nspeeds 6 3, 50 Hz, 166.67 BPM \u2014 order 0, row 0 (not in the lists: see "
                       "beatwright-cli --song) (off)",
                       "speed 6, tempo 175",
                       // Its FM 1 converted: rows of 6 and 3 ticks at 50 Hz, 3.6 updates a unit at 60, as 0306 plays exactly.
                       "one pair, no tempo command (recommended)\ntempo commands, one unit a row\neach stretch its own divider and byte, "
                       "one unit a row\nthe fewest commands, rows of whole units\n&Form: form \n&DAC map: dacMap none: the DAC's notes rest\n&Labels: label ",
                       "Convert to SMPS song: ported.asm: 1 track, 1 voice, 1 note, no tempo command (one pair, no tempo command); "
                       "worst perfect match, drift 0.000000 s",
                       "; Converted by Beatwright for sonic1 (timeout model)\n; 1 track, 1 voice, 1 note, no tempo command (one pair, "
                       "no tempo command); worst perfect match, drift 0.000000 s\nsong_Header:"};
    // Played on the first driver of its model; 60 x 2/3 = 40 units a second: XM tempo 40 x 2.5 x speed,
    // 800 at speed 8, of XM's tempos only at speed 2.
    // On Sonic 1 with the S3K tempo code, 40 units are 256 - 85 of 256 x 60: written raw.
    QTest::newRow("an SMPS song ported; the song takes the module's place")
        << QStringList{"drop song.xm", "driver timeout", "open song.asm > Copy", "look clipboard 3", "look window", "look songmenu",
                       "driver sonic1-s3k-tempo", "open song.asm > Port to sonic1-s3k-tempo, Copy as SMPS2ASM", "look clipboard",
                       "open song.asm > Port to sonic1-s3k-tempo, Save ported song...", "file ported.asm 3"}
        << QStringList{"song.asm: SMPS2ASM source, smpsHeaderStartSong 1 (timeout model)\nplayed on sonic1, NTSC; XM tempos at "
                       "speed 8\nline 3 (Song_Header) smpsHeaderTempo 0103: 40 units a second, XM tempo 800, beyond XM's 32 to 255; speed 2 "
                       "tempo 200 plays at this pace",
                       "song.asm \u2014 timeout \u2014 Beatwright", "&SMPS report...",
                       "; song.asm on sonic1-s3k-tempo (carry-delay model, NTSC): the tempo lines, ported\n; keep "
                       "smpsHeaderStartSong 1: the bytes stand raw where its SMPS2ASM would not give them\n"
                       "\tdc.b\t$01,$55\t; line 3 (Song_Header)\n",
                       "Song_Header:\n\tsmpsHeaderStartSong 1\n\tdc.b\t$01,$55\t; ported to sonic1-s3k-tempo from smpsHeaderTempo "
                       "$01, $03: 40 units a second, .1953125% faster"};
    // 175/3 updates a second on PAL: 35/36 of 60, as sonic3's 0700 at speed 6 plays 125.
    QTest::newRow("a driver by its parts, shown whole; remembered")
        << QStringList{"other carry-delay@175/3", "look driver", "restart", "look window", "speed 6", "pal"} +
               QStringList{"tempo 125", "go", "find 0700", "look readout"}
        << QStringList{"carry-delay@175/3 | The SMPS driver: the carry-delay model at 58 1/3 updates a second on PAL, carry-delay "
                       "model | &Other... | A model and its PAL updates a second, for a driver the list does not hold",
                       "carry-delay@175/3 \u2014 Beatwright", "125"};
}

void WindowTest::actions() {
    QFETCH(QStringList, steps);
    QGuiApplication::clipboard()->clear();
    seen.clear();
    for (const QString& step : steps) run(step);
    QTEST(seen, "seen");
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"
