#pragma once

#include <QMenu>
#include <QStringList>

#include <functional>

#include "beatwright/song_states.h"

namespace beatwright {

// The Song menu, for the song opened last: a module's, Furnace's or DefleMask's tempo plan,
// sub-songs and states to choose, or an SMPS song's report. Hidden until a song is open.
class SongMenu : public QMenu {
public:
    explicit SongMenu(QWidget* parent);

    // What the window does with the items: the plan, a sub-song (from 0), a state, which the
    // selectors must hold for its item to be enabled.
    struct Choices {
        std::function<void()> plan;
        std::function<void()> convert;  // none for a module
        std::function<void(int)> subsong;
        std::function<void(const SongState&)> state;
        std::function<bool(const SongState&)> listed;
    };
    // The sub-songs as the list shows them, the one read checked.
    void showSong(const Song& song, const QStringList& subsongs, int subsong, const Choices& choices);
    void showSmps(const std::function<void()>& report);
};

}  // namespace beatwright
