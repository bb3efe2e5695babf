#include <gtest/gtest.h>

#include "lang/LanguageReader.h"

#include <QApplication>

#include <unistd.h>

int main(int argc, char** argv) {
    // The language loader starts the test binary itself as its reader child.
    if (int status = 0; lang::isReaderInvocation(argc, argv, &status)) ::_exit(status);
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
