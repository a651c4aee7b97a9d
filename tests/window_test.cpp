#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>

#include "form1.h"

using beatwright::Form1;

namespace {

struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
};

// Presses `answer` on the modal message box that `action` opens, and tells what the box
// showed: nothing when no box opened.
std::optional<SeenBox> answerBox(QMessageBox::StandardButton answer, const std::function<void()>& action) {
    std::optional<SeenBox> seen;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        poll.stop();
        seen = SeenBox{box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
        if (QAbstractButton* button = box->button(answer)) {
            QTest::mouseClick(button, Qt::LeftButton);
        } else {
            box->reject();
        }
    });
    poll.start();
    action();
    return seen;
}

const QString questionText = "This operation may require a very long time.\nProceed anyway?";
const QString noResultsText =
    "No results found with these criteria.\nTry to increase the tolerance to get more results.";

QStringList lines(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
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
    void init();
    void cleanup();

    void startState();
    void geometry_data();
    void geometry();
    void fixedSize();
    void tabOrder();
    void itemLists();
    void everythingFits();
    void typicalUse();
    void clearing_data();
    void clearing();
    void confirmation_data();
    void confirmation();
    void questionNoKeepsLines();
    void noResults();
    void readoutFollowsKeyboard();
    void longReadoutKeepsItsText();
    void sameLinesTwice();
    void copyLine();
    void exitClosesTheWindow();

private:
    template <class W = QWidget>
    W* control(const char* name) const {
        auto* widget = form->findChild<W*>(name);
        if (!widget) qFatal("no control %s", name);
        return widget;
    }
    void choose(const char* combo, const QString& item);
    void clickGo() { QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton); }
    void clickLine(int row);
    void searchTypical();

    Form1* form = nullptr;
};

void WindowTest::initTestCase() { testlibHandler = qInstallMessageHandler(quietOffscreen); }

void WindowTest::init() {
    form = new Form1;
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form));
}

void WindowTest::cleanup() {
    delete form;
    form = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(QApplication::topLevelWidgets().isEmpty(), "a window outlived the test");
}

// Chooses as a user does with the keyboard: the combo has the focus, Home goes to the first
// item and the arrow down from there to the wanted one.
void WindowTest::choose(const char* combo, const QString& item) {
    auto* box = control<QComboBox>(combo);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Home);
    for (int steps = box->findText(item); steps > 0; --steps) QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(box->currentText(), item);
}

void WindowTest::clickLine(int row) {
    auto* list = control<QListWidget>("List1");
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

void WindowTest::searchTypical() {
    choose("Combo1", "6");
    choose("Combo2", "125");
    clickGo();
    QCOMPARE(lines(control<QListWidget>("List1")),
             QStringList({"0724 perfect match", "0606 perfect match", "0503 4.000003% slower"}));
}

void WindowTest::startState() {
    QCOMPARE(form->windowTitle(), QString("Beatwright"));
    QCOMPARE(control<QComboBox>("Combo1")->currentText(), QString("1"));
    QCOMPARE(control<QComboBox>("Combo2")->currentText(), QString("32"));
    QCOMPARE(control<QComboBox>("Combo3")->currentText(), QString("5"));
    QVERIFY(control<QRadioButton>("Option1_0")->isChecked());
    QVERIFY(!control<QRadioButton>("Option1_1")->isChecked());
    QCOMPARE(control<QListWidget>("List1")->count(), 0);
    QCOMPARE(control<QLabel>("Label2")->text(), QString());
    QCOMPARE(QApplication::focusWidget(), control("Command1"));
    const struct {
        const char* name;
        QString caption;
    } captions[] = {{"Label1_0", "XM Speed"}, {"Label1_1", "XM Tempo"}, {"Label1_2", "Tolerance %"},
                    {"Option1_0", "NTSC"},    {"Option1_1", "PAL"},      {"Command2", "Go"},
                    {"Command1", "Exit"}};
    for (const auto& c : captions) {
        const QWidget* w = control(c.name);
        const QString shown = qobject_cast<const QLabel*>(w) ? qobject_cast<const QLabel*>(w)->text()
                                                             : qobject_cast<const QAbstractButton*>(w)->text();
        QCOMPARE(shown, c.caption);
    }
}

void WindowTest::geometry_data() {
    QTest::addColumn<QRect>("place");
    QTest::addColumn<bool>("visible");
    // The designed twips divided by 15.
    QTest::newRow("Combo1") << QRect(80, 4, 133, 21) << true;
    QTest::newRow("Label1_0") << QRect(23, 8, 50, 13) << true;
    QTest::newRow("Combo2") << QRect(80, 40, 85, 21) << true;
    QTest::newRow("Label1_1") << QRect(21, 44, 52, 13) << true;
    QTest::newRow("Label2") << QRect(168, 40, 45, 21) << true;
    QTest::newRow("Combo3") << QRect(80, 76, 133, 21) << true;
    QTest::newRow("Label1_2") << QRect(14, 80, 59, 13) << true;
    QTest::newRow("Option1_0") << QRect(12, 108, 49, 13) << true;
    QTest::newRow("Option1_1") << QRect(12, 124, 41, 13) << true;
    QTest::newRow("Command2") << QRect(68, 108, 145, 29) << true;
    QTest::newRow("List1") << QRect(12, 148, 201, 121) << true;
    QTest::newRow("Command1") << QRect(12, 276, 201, 25) << true;
    QTest::newRow("List2_0") << QRect(0, 0, 9, 9) << false;
    QTest::newRow("List2_1") << QRect(0, 8, 9, 9) << false;
}

void WindowTest::geometry() {
    QFETCH(QRect, place);
    QFETCH(bool, visible);
    const QWidget* w = control(QTest::currentDataTag());
    QCOMPARE(w->geometry(), place);
    QCOMPARE(w->isVisible(), visible);
}

void WindowTest::fixedSize() {
    QCOMPARE(form->size(), QSize(225, 305));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
}

void WindowTest::tabOrder() {
    const auto focused = [] { return QApplication::focusWidget()->objectName(); };
    QStringList order{focused()};
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << focused();
    }
    // The radio pair is one stop, at its chosen button; the arrow keys move within it.
    QCOMPARE(order, QStringList({"Command1", "Command2", "List1", "Combo2", "Combo1", "Combo3", "Option1_0",
                                 "Command1"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(focused(), QString("Option1_1"));
    QVERIFY(control<QRadioButton>("Option1_1")->isChecked());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(focused(), QString("Combo3"));
}

void WindowTest::itemLists() {
    const auto items = [this](const char* name) {
        QStringList texts;
        const auto* combo = control<QComboBox>(name);
        for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
        return texts;
    };
    const QStringList speeds = items("Combo1"), tempos = items("Combo2"), tolerances = items("Combo3");
    QCOMPARE(speeds.size(), 31);
    QCOMPARE(speeds.front(), QString("1"));
    QCOMPARE(speeds.back(), QString("31"));
    QCOMPARE(tempos.size(), 224);
    QCOMPARE(tempos.front(), QString("32"));
    QCOMPARE(tempos.back(), QString("255"));
    QCOMPARE(tolerances.size(), 126);
    QCOMPARE(tolerances.mid(0, 13), QStringList({"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "15", "20"}));
    QCOMPARE(tolerances.mid(18, 3), QStringList({"50", "60", "70"}));
    QCOMPARE(tolerances.mid(37, 4), QStringList({"240", "250", "300", "350"}));
    QCOMPARE(tolerances.mid(112, 4), QStringList({"3950", "4000", "4500", "5000"}));
    QCOMPARE(tolerances.back(), QString("10000"));
    QCOMPARE(std::count_if(tolerances.begin(), tolerances.end(), [](const QString& t) { return t.toInt() >= 100; }),
             103);
}

void WindowTest::everythingFits() {
    QCOMPARE(QFontInfo(form->font()).family(), QString("Liberation Sans"));
    const QFontMetrics metrics = form->fontMetrics();
    for (const char* name : {"Label1_0", "Label1_1", "Label1_2"}) {
        const auto* label = control<QLabel>(name);
        QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->contentsRect().width(), name);
        QVERIFY2(metrics.height() <= label->height(), name);
    }
    for (const char* name : {"Option1_0", "Option1_1"}) {
        const auto* option = control<QRadioButton>(name);
        QStyleOptionButton styleOption;
        styleOption.initFrom(option);
        const QRect contents = option->style()->subElementRect(QStyle::SE_RadioButtonContents, &styleOption, option);
        const QRect indicator = option->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &styleOption, option);
        QVERIFY2(metrics.horizontalAdvance(option->text()) <= contents.width(), name);
        QVERIFY2(option->rect().contains(indicator), name);
    }
    for (const char* name : {"Combo1", "Combo2", "Combo3"}) {
        const auto* combo = control<QComboBox>(name);
        QStyleOptionComboBox styleOption;
        styleOption.initFrom(combo);
        const int field =
            combo->style()->subControlRect(QStyle::CC_ComboBox, &styleOption, QStyle::SC_ComboBoxEditField, combo).width();
        for (int i = 0; i < combo->count(); ++i) {
            QVERIFY2(metrics.horizontalAdvance(combo->itemText(i)) <= field, qPrintable(combo->itemText(i)));
        }
    }
    // The widest lines a search can give, with the scroll bar of a long list showing.
    choose("Combo3", "10000");
    std::ignore = answerBox(QMessageBox::Yes, [this] { clickGo(); });
    auto* list = control<QListWidget>("List1");
    QTRY_VERIFY(list->verticalScrollBar()->isVisible());
    const int margins = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
    for (const QString line : {"0F4E .008376439% faster", "0000 9.999999E-05% slower", "0102 14374.98% faster"}) {
        QVERIFY2(metrics.horizontalAdvance(line) + margins <= list->viewport()->width(), qPrintable(line));
    }
    QVERIFY(metrics.height() <= list->visualItemRect(list->item(0)).height());
}

void WindowTest::typicalUse() {
    const auto seen = answerBox(QMessageBox::Yes, [this] { searchTypical(); });
    QVERIFY(!seen);
    clickLine(0);
    QCOMPARE(control<QLabel>("Label2")->text(), QString("125"));
    clickLine(2);
    QCOMPARE(control<QLabel>("Label2")->text(), QString("120"));
}

void WindowTest::clearing_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("clears");
    QTest::newRow("another speed") << "speed" << true;
    QTest::newRow("another tempo") << "tempo" << true;
    QTest::newRow("PAL") << "standard" << true;
    QTest::newRow("another tolerance") << "tolerance" << false;
}

void WindowTest::clearing() {
    QFETCH(QString, change);
    QFETCH(bool, clears);
    searchTypical();
    clickLine(0);
    if (change == "speed") choose("Combo1", "7");
    if (change == "tempo") choose("Combo2", "126");
    if (change == "standard") QTest::mouseClick(control("Option1_1"), Qt::LeftButton);
    if (change == "tolerance") choose("Combo3", "6");

    QCOMPARE(control<QListWidget>("List1")->count(), clears ? 0 : 3);
    QCOMPARE(control<QLabel>("Label2")->text(), clears ? QString() : QString("125"));
    // The hidden lists keep their entries until the next search.
    QCOMPARE(lines(control<QListWidget>("List2_0")), QStringList({"7", "6", "5"}));
    QCOMPARE(lines(control<QListWidget>("List2_1")), QStringList({"36", "6", "3"}));
}

void WindowTest::confirmation_data() {
    QTest::addColumn<QString>("tolerance");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<int>("lineCount");
    QTest::newRow("50 searches at once") << "50" << false << -1;
    QTest::newRow("90 searches at once") << "90" << false << -1;
    QTest::newRow("100 asks first") << "100" << true << -1;
    QTest::newRow("10000 asks first") << "10000" << true << 258;
}

void WindowTest::confirmation() {
    QFETCH(QString, tolerance);
    QFETCH(bool, asks);
    QFETCH(int, lineCount);
    choose("Combo1", "6");
    choose("Combo2", "125");
    choose("Combo3", tolerance);
    const auto seen = answerBox(QMessageBox::Yes, [this] { clickGo(); });
    QCOMPARE(seen.has_value(), asks);
    if (seen) {
        QCOMPARE(seen->title, QString("I have a question for you"));
        QCOMPARE(seen->text, questionText);
        QCOMPARE(seen->icon, QMessageBox::Question);
        QCOMPARE(seen->buttons, QMessageBox::Yes | QMessageBox::No);
    }
    const QStringList found = lines(control<QListWidget>("List1"));
    QVERIFY(found.size() > 3);
    QCOMPARE(found.front(), QString("0724 perfect match"));
    if (lineCount != -1) QCOMPARE(found.size(), lineCount);
}

void WindowTest::questionNoKeepsLines() {
    searchTypical();
    choose("Combo3", "100");
    const auto seen = answerBox(QMessageBox::No, [this] { clickGo(); });
    QVERIFY(seen);
    QCOMPARE(control<QListWidget>("List1")->count(), 3);
}

void WindowTest::noResults() {
    clickGo();
    QVERIFY(control<QListWidget>("List1")->count() > 0);
    choose("Combo3", "0");
    const auto seen = answerBox(QMessageBox::Ok, [this] { clickGo(); });
    QVERIFY(seen);
    QCOMPARE(seen->title, QString("Uh-oh!"));
    QCOMPARE(seen->text, noResultsText);
    QCOMPARE(seen->icon, QMessageBox::Warning);
    QCOMPARE(seen->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(control<QListWidget>("List1")->count(), 0);
    QCOMPARE(control<QListWidget>("List2_0")->count(), 0);
}

void WindowTest::readoutFollowsKeyboard() {
    searchTypical();
    auto* list = control<QListWidget>("List1");
    list->setFocus();
    const QString readouts[] = {"125", "125", "120"};
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_End}) {
        QTest::keyClick(list, key);
        const int row = list->currentRow();
        QCOMPARE(list->selectedItems(), QList<QListWidgetItem*>({list->item(row)}));
        QCOMPARE(control<QLabel>("Label2")->text(), readouts[row]);
    }
}

void WindowTest::longReadoutKeepsItsText() {
    QTest::mouseClick(control("Option1_1"), Qt::LeftButton);
    choose("Combo1", "6");
    choose("Combo2", "125");
    clickGo();
    QCOMPARE(lines(control<QListWidget>("List1")),
             QStringList({"0506 perfect match", "0403 perfect match", "0302 perfect match", "0600 .390625% slower"}));
    clickLine(3);
    const auto* label = control<QLabel>("Label2");
    QCOMPARE(label->text(), QString("124.51171875"));
    QCOMPARE(label->toolTip(), label->text());
    QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) > label->contentsRect().width());
}

void WindowTest::sameLinesTwice() {
    choose("Combo3", "50");
    clickGo();
    const QStringList first = lines(control<QListWidget>("List1"));
    clickGo();
    QCOMPARE(lines(control<QListWidget>("List1")), first);
}

void WindowTest::copyLine() {
    searchTypical();
    auto* list = control<QListWidget>("List1");
    list->setFocus();
    QGuiApplication::clipboard()->setText("untouched");
    QTest::keySequence(list, QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("untouched"));
    clickLine(1);
    QTest::keySequence(list, QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("0606 perfect match"));
}

void WindowTest::exitClosesTheWindow() {
    // The program's own loop, which ends when its only window goes.
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
