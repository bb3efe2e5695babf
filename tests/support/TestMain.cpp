// The main of the test programs: a QCoreApplication for the layers below ui; with VRR_TEST_WIDGETS,
// for ui and the layers above it, a QApplication on Qt's offscreen platform with the font
// substitutions the program installs.
#include "TestUtil.h"

#ifdef VRR_TEST_WIDGETS
#include "ui/Captions.h"

#include <QApplication>
using Application = QApplication;
#else
#include <QCoreApplication>
using Application = QCoreApplication;
#endif

#include <unistd.h>

int main(int argc, char** argv) {
    if (int status = 0; testutil::childInvocation && testutil::childInvocation(argc, argv, &status)) ::_exit(status);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Tests never reach the display of the machine they run on; those that need X start their own.
    qunsetenv("DISPLAY");
    ::testing::InitGoogleTest(&argc, argv);
    Application application(argc, argv);
#ifdef VRR_TEST_WIDGETS
    ui::installFontSubstitutions();
#endif
    return RUN_ALL_TESTS();
}
