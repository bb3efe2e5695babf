#include "app/ProgramPaths.h"
#include "display/MainWindow.h"
#include "lang/LanguageReader.h"
#include "platform/Platform.h"

#include "app/Settings.h"

#include <QApplication>
#include <QMessageBox>

#include <unistd.h>

int main(int argc, char* argv[]) {
    // Started again by itself to read Languages.mdb: before any Qt object (and thread) exists.
    if (int status = 0; lang::isReaderInvocation(argc, argv, &status)) ::_exit(status);
    QApplication application(argc, argv);
    setWrongDataTypeReporter([](const QString& message) {
        QMessageBox::information(nullptr, QCoreApplication::applicationName(), message, QMessageBox::Ok);
    });
    VelkoZuraVeradadClient window(ProgramPaths::current());
    platform::TerminationWatcher termination;
    QObject::connect(&termination, &platform::TerminationWatcher::terminationRequested, &window,
                     [&window] { window.Form_Terminate(); });
    window.Form_Load();
    window.show();
    return application.exec();
}
