#include "app/ProgramPaths.h"
#include "display/MainWindow.h"
#include "platform/Platform.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    VelkoZuraVeradadClient window(ProgramPaths::current());
    platform::TerminationWatcher termination;
    QObject::connect(&termination, &platform::TerminationWatcher::terminationRequested, &window,
                     [&window] { window.Form_Terminate(); });
    window.Form_Load();
    window.show();
    return application.exec();
}
