#pragma once

#include <QString>

#include <vector>

#include "beatwright/driver.h"
#include "beatwright/video_standard.h"

class QWidget;

namespace beatwright {

// What the SMPS report is shown with: the window's current choices.
struct SmpsChoices {
    Driver driver;
    VideoStandard standard;
    std::string speed, tolerance;
};

// Reads an SMPS song's bytes and shows its report, with "Port to" the chosen driver, its
// copies and "Save ported song..."; a song that cannot be read or played is told in a box.
void showSmpsReport(QWidget* parent, const QString& name, const std::vector<unsigned char>& bytes, const SmpsChoices& choices);

}  // namespace beatwright
