#include "base/ProgramPaths.h"
#include "base/Settings.h"
#include "display/MainWindow.h"
#include "lang/LanguageReader.h"
#include "platform/Platform.h"
#include "station/Station.h"
#include "ui/Captions.h"

#include <QApplication>
#include <QMessageBox>

#include <unistd.h>

int main(int argc, char* argv[]) {
    // Started again by itself to read Languages.mdb: before any Qt object (and thread) exists.
    if (int status = 0; lang::isReaderInvocation(argc, argv, &status)) ::_exit(status);
    QApplication application(argc, argv);
    ui::installFontSubstitutions();
    setWrongDataTypeReporter([](const QString& message) {
        QMessageBox::information(nullptr, QCoreApplication::applicationName(), message, QMessageBox::Ok);
    });
    Station station(ProgramPaths::current());
    VelkoZuraVeradadClient window(station);
    platform::TerminationWatcher termination;
    QObject::connect(&termination, &platform::TerminationWatcher::terminationRequested, &station,
                     [&station] { station.Form_Terminate(); });
    station.Form_Load();
    window.show();
    return application.exec();
}
