// The main of the test programs below ui: a QCoreApplication, no Qt Widgets.
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <unistd.h>

int main(int argc, char** argv) {
    if (int status = 0; testutil::childInvocation && testutil::childInvocation(argc, argv, &status)) ::_exit(status);
    // Tests never reach the display of the machine they run on; those that need X start their own.
    qunsetenv("DISPLAY");
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
