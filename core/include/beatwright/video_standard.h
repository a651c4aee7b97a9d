#pragma once

namespace beatwright {

// The machine the SMPS song plays on. Rates are those of a 60 Hz (NTSC) machine;
// PAL only changes how the XM side is measured.
enum class VideoStandard { NTSC, PAL };

}  // namespace beatwright
