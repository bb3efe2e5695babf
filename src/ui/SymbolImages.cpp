#include "ui/SymbolImages.h"

#include "platform/Platform.h"

#include <QImageReader>

namespace ui {

SymbolImages::SymbolImages(QString programDirectory) : directory_(std::move(programDirectory)) {}

QString SymbolImages::pathFor(int symbol) const {
    return platform::findPathNoCase(directory_, QLatin1String("MachineSymbols/MachineSymbol_") + QString::number(symbol) +
                                                   QLatin1String("_800.gif"));
}

QPixmap SymbolImages::picture(int symbol) {
    const auto cached = cache_.constFind(symbol);
    if (cached != cache_.constEnd()) return *cached;
    QPixmap pixmap;
    const QString path = pathFor(symbol);
    if (!path.isEmpty()) {
        // Only GIF is accepted, whatever the bytes claim, and huge pictures are refused before
        // they are decoded.
        QImageReader reader(path, "gif");
        reader.setDecideFormatFromContent(false);
        const QSize size = reader.size();
        if (size.isValid() && size.width() <= 4096 && size.height() <= 4096) {
            const QImage image = reader.read();
            if (!image.isNull()) pixmap = QPixmap::fromImage(image);
        }
    }
    cache_.insert(symbol, pixmap);
    return pixmap;
}

} // namespace ui
