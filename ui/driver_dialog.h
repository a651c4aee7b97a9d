#pragma once

#include <optional>

#include "beatwright/driver.h"

class QWidget;

namespace beatwright {

// Asks for a driver by its parts, a model and its PAL updates a second, starting from the
// current one's; none when the user cancels.
[[nodiscard]] std::optional<Driver> askDriverParts(QWidget* parent, const Driver& current);

}  // namespace beatwright
