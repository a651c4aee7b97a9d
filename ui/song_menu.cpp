#include "song_menu.h"

#include "qtext.h"

namespace beatwright {

SongMenu::SongMenu(QWidget* parent) : QMenu("&Song", parent) { menuAction()->setVisible(false); }

void SongMenu::showSong(const Song& song, const QStringList& subsongs, int subsong, const Choices& choices) {
    clear();
    connect(addAction("&Tempo plan..."), &QAction::triggered, this, choices.plan);
    if (subsongs.size() > 1) {
        QMenu* list = addMenu("Sub-&song");
        for (int i = 0; i < subsongs.size(); ++i) {
            QAction* choice = list->addAction(subsongs[i]);
            choice->setCheckable(true);
            choice->setChecked(i == subsong);
            connect(choice, &QAction::triggered, this, [choices, i] { choices.subsong(i); });
        }
    }
    QAction* convert = addAction("Con&vert to SMPS song...");
    convert->setEnabled(static_cast<bool>(choices.convert));
    if (choices.convert) connect(convert, &QAction::triggered, this, choices.convert);
    setToolTipsVisible(true);
    convert->setToolTip(choices.convert ? "The whole song as SMPS2ASM source for the driver" : "Only Furnace and DefleMask songs convert so far");
    addSeparator();
    for (const SongState& state : song.states) {
        const bool listed = choices.listed(state);
        QAction* choice = addAction(QString("%1 \u2014 order %2, row %3%4%5")
                                        .arg(qText(stateTitle(song, state)))
                                        .arg(state.order)
                                        .arg(state.row)
                                        .arg(state.slides ? ", the tempo slides" : "")
                                        .arg(listed ? "" : " (not in the lists: see beatwright-cli --song)"));
        choice->setEnabled(listed);
        connect(choice, &QAction::triggered, this, [choices, state] { choices.state(state); });
    }
    menuAction()->setVisible(true);
}

void SongMenu::showSmps(const std::function<void()>& report) {
    clear();
    connect(addAction("&SMPS report..."), &QAction::triggered, this, report);
    menuAction()->setVisible(true);
}

}  // namespace beatwright
