#include "base/ProgramPaths.h"
#include "base/Settings.h"
#include "display/MainWindow.h"
#include "lang/LanguageReader.h"
#include "platform/Platform.h"
#include "station/SingleInstance.h"
#include "station/Station.h"
#include "ui/Captions.h"

#include <QApplication>

#include <cstdio>
#include <unistd.h>

using namespace base;
using namespace station;
using namespace display;

int main(int argc, char* argv[]) {
    // Started again by itself to read Languages.mdb: before any Qt object (and thread) exists.
    if (int status = 0; lang::isReaderInvocation(argc, argv, &status)) ::_exit(status);
    // Window managers and kiosk setups match the window by its class "VelkoRozoRedizovClient" and
    // instance "velkorozo", however the program was started.
    if (!qEnvironmentVariableIsSet("RESOURCE_NAME")) qputenv("RESOURCE_NAME", "velkorozo");
    // Qt's own event loop instead of GLib's: on a line of 64 servers it passes reports on sooner
    // and for less CPU time. The dialogs are then Qt's own too, since a desktop's native dialogs
    // need GLib's loop to run. QT_NO_GLIB set to an empty value brings GLib's loop back.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
    // Slices that hold a report's fan-out to the whole line, before Qt starts its threads.
    platform::requestTimeSlice(400);
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VelkoRozoRedizovClient"));
    QGuiApplication::setDesktopFileName(QStringLiteral("velkorozo"));

    // One copy per program folder: a second one raises the first one's window and ends.
    const ProgramPaths paths = ProgramPaths::current();
    SingleInstance instance(paths.directory());
    if (!instance.claim()) {
        std::fprintf(stderr, "VelkoRozoRedizovClient: already running in %s; its window was raised\n",
                     qPrintable(paths.directory()));
        return 0;
    }
    ui::installFontSubstitutions();
    Station station(paths);
    VelkoZuraVeradadClient window(station);
    QObject::connect(&instance, &SingleInstance::raiseRequested, &window, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    platform::TerminationWatcher termination;
    QObject::connect(&termination, &platform::TerminationWatcher::terminationRequested, &station,
                     [&station] { station.Form_Terminate(); });
    station.Form_Load();
    window.show();
    return application.exec();
}
