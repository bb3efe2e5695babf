// The main of the test programs of ui and the layers above it: a QApplication on Qt's offscreen
// platform, with the font substitutions the program installs.
#include "ui/Captions.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <unistd.h>

int main(int argc, char** argv) {
    if (int status = 0; testutil::childInvocation && testutil::childInvocation(argc, argv, &status)) ::_exit(status);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Tests never reach the display of the machine they run on; those that need X start their own.
    qunsetenv("DISPLAY");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    ui::installFontSubstitutions();
    return RUN_ALL_TESTS();
}
