#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

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

// --help and --version answer in the terminal, display or not; the window's
// application first takes Qt's own options (-style, -platform) off the command line.
// Returns the song file named, if any.
QString readCommandLine(const QCoreApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Finds the SMPS tempo settings that match an XM tempo and speed.\n"
                                     "For a terminal, see beatwright-cli --help.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("file", "a song to start from: a module (XM, MOD, S3M, IT...), a Furnace or DefleMask song, or an SMPS song", "[file]");
    parser.process(app);
    if (parser.positionalArguments().size() > 1) {
        std::fputs("beatwright: one song file at most; see beatwright --help.\n", stderr);
        std::exit(EXIT_FAILURE);
    }
    return parser.positionalArguments().value(0);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName("beatwright");
    QCoreApplication::setApplicationVersion(BEATWRIGHT_VERSION);
    QCoreApplication::setOrganizationName("beatwright");
    if (!haveDisplay()) {
        const QCoreApplication terminal(argc, argv);
        (void)readCommandLine(terminal);
        std::fputs("beatwright: no display to open the window on (DISPLAY is not set).\n"
                   "For a terminal, use beatwright-cli; see beatwright-cli --help.\n",
                   stderr);
        return EXIT_FAILURE;
    }
    QApplication app(argc, argv);
    const QString song = readCommandLine(app);
    beatwright::Form1 window;
    window.show();
    // Once the window is placed, so that a box about the file opens over it.
    if (!song.isEmpty()) QTimer::singleShot(0, &window, [&window, song] { window.openSong(song); });
    return app.exec();
}
