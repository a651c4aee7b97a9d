#pragma once

#include <QString>

#include "beatwright/driver.h"
#include "beatwright/note_song.h"
#include "beatwright/song_states.h"
#include "beatwright/video_standard.h"

class QWidget;

namespace beatwright {

struct ConvertChoices {
    QString song;  // the file's path: its name names the labels
    Driver driver;
    VideoStandard standard;
    std::string tolerance;
};

// The Song menu's "Convert to SMPS song...": the plan's form (the recommended first), a DAC
// map and the labels' name, then the file to write, whole or not at all; what was done and
// what the song leaves out is told after.
void convertToSmpsDialog(QWidget* parent, const NoteSong& notes, const Song& song, const ConvertChoices& c);

}  // namespace beatwright
