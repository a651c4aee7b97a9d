#pragma once

namespace beatwright {

// The machine the SMPS song plays on. Rates are those of a 60 Hz (NTSC) machine;
// PAL only changes how the XM side is measured.
enum class VideoStandard { NTSC, PAL };

// "NTSC" or "PAL", as reports and JSON say it.
[[nodiscard]] constexpr const char* standardName(VideoStandard standard) {
    return standard == VideoStandard::PAL ? "PAL" : "NTSC";
}

}  // namespace beatwright
