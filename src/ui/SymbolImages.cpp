#include "ui/SymbolImages.h"

#include "platform/Os.h"
#include "platform/Platform.h"

#include <QBuffer>
#include <QImageReader>

namespace ui {

SymbolImages::SymbolImages(QString programDirectory) : directory_(std::move(programDirectory)) {}

QString symbolPath(const QString& programDirectory, int symbol) {
    return platform::findPathNoCase(programDirectory, QLatin1String("MachineSymbols/MachineSymbol_") +
                                                          QString::number(symbol) + QLatin1String("_800.gif"));
}

QString SymbolImages::pathFor(int symbol) const { return symbolPath(directory_, symbol); }

QPixmap readSymbolPicture(const QString& path) {
    // Read through the platform layer: only plain files (a FIFO in a picture's place would wait
    // for a writer), and none larger than a picture of the largest accepted size can be.
    constexpr qint64 MaxPictureBytes = 32LL << 20;
    QByteArray bytes;
    if (path.isEmpty() || !platform::readFile(path, MaxPictureBytes, &bytes)) return QPixmap();
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "gif");
    reader.setDecideFormatFromContent(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > 4096 || size.height() > 4096) return QPixmap();
    const QImage image = reader.read();
    // The size announced in the header and the size decoded can differ in a damaged file.
    if (image.isNull() || image.width() > 4096 || image.height() > 4096) return QPixmap();
    return QPixmap::fromImage(image);
}

QPixmap SymbolImages::picture(int symbol) {
    constexpr qint64 MissingRecheckMs = 3000;
    const auto cached = cache_.constFind(symbol);
    if (cached != cache_.constEnd() && (!cached->pixmap.isNull() || cached->checked.elapsed() < MissingRecheckMs))
        return cached->pixmap;
    Entry entry;
    entry.pixmap = readSymbolPicture(pathFor(symbol));
    entry.checked.start();
    cache_.insert(symbol, entry);
    return entry.pixmap;
}

} // namespace ui
