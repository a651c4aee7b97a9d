#pragma once

#include <QWidget>

#include <array>
#include <optional>
#include <vector>

#include "beatwright/driver.h"
#include "beatwright/note_song.h"
#include "beatwright/rate_table.h"
#include "beatwright/song.h"
#include "beatwright/video_standard.h"

class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;

namespace beatwright {

class ReadoutLabel;
class SongMenu;

// The one window: picks the XM speed, tempo, video standard and tolerance, lists the
// matching SMPS pairs and shows the XM tempo of the chosen pair.
class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);

    // Runs the search on the current choices and fills the result lists; tells the user
    // when nothing matched.
    void tempocal();

    // Reads a song file (a module, a Furnace or DefleMask song, an SMPS song) and its sub-song:
    // the selectors take its first state, the caption its name, and the Song menu lists its
    // states and sub-songs; a file that is no song is told in a box, nothing changes.
    void openSong(const QString& path, int subsong = 0);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void Form_Load();
    void Combo1_Click();
    void Combo2_Click();
    void Option1_Click(int index);
    void Command1_Click();
    void Command2_Click();
    void List1_Click();

    QMenuBar* createMenus();
    void chooseDriver(const Driver& chosen);
    void chooseSongState(const SongState& state);
    [[nodiscard]] bool inLists(const SongState& state) const;
    void showTempoPlan();
    void showConversion();
    void showSmpsSong(const QString& name, std::vector<unsigned char> bytes);
    void updateTitle();
    void clearResults();
    void copySelectedLine(bool asSource);  // the line as shown, or as SMPS2ASM source
    [[nodiscard]] int selectedLine() const;
    [[nodiscard]] VideoStandard standard() const;

    QComboBox* Combo1;
    QComboBox* Combo2;
    QComboBox* Combo3;
    QListWidget* List1;
    std::array<QListWidget*, 2> List2;  // divider and period of each line of List1
    std::array<QLabel*, 3> Label1;
    ReadoutLabel* Label2;
    std::array<QRadioButton*, 2> Option1;
    QPushButton* Command1;
    QPushButton* Command2;

    SongMenu* songMenu;
    QAction* otherDriver;
    QLabel* driverLabel;
    QString songName;
    std::optional<Song> song;
    std::optional<NoteSong> notes;  // a Furnace or DefleMask song's
    QString songPath;
    Driver driver = defaultDriver();
    std::optional<RateTable> rateTable;  // of the driver's model: built at load and when the driver changes
};

}  // namespace beatwright
