// A symbol picture of any bytes: never larger than 4096 x 4096, never a crash. (Qt's GIF reader
// does not insist on the signature, so what it accepts is not checked here.)
#include "ui/SymbolImages.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("MachineSymbol_1_800.gif"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();
    const QPixmap picture = ui::readSymbolPicture(path);
    if (!picture.isNull() && (picture.width() > 4096 || picture.height() > 4096)) std::abort();
    return 0;
}
