#include <gtest/gtest.h>

#include "lang/LanguageReader.h"
#include "ui/Captions.h"

#include <QApplication>

#include <unistd.h>

int main(int argc, char** argv) {
    // The language loader starts the test binary itself as its reader child.
    if (int status = 0; lang::isReaderInvocation(argc, argv, &status)) ::_exit(status);
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    // Tests never reach the display of the machine they run on; those that need X start their own.
    qunsetenv("DISPLAY");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    ui::installFontSubstitutions();
    return RUN_ALL_TESTS();
}
