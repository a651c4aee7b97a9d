#include <QApplication>

#include <cstdio>
#include <cstdlib>

#include "form1.h"

namespace {

// Without a display Qt would abort with a message about platform plugins; say what is
// missing and where to turn instead.
bool haveDisplay() {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (!haveDisplay()) {
        std::fputs("beatwright: no display to open the window on (DISPLAY is not set).\n"
                   "For a terminal, use beatwright-cli; see beatwright-cli --help.\n",
                   stderr);
        return EXIT_FAILURE;
    }
    QApplication app(argc, argv);
    beatwright::Form1 window;
    window.show();
    return app.exec();
}
