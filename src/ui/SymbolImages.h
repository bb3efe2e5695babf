#pragma once
// Machine symbol pictures: MachineSymbols/MachineSymbol_<n>_800.gif in the program directory,
// folder and file names matched without regard to case.

#include <QElapsedTimer>
#include <QHash>
#include <QPixmap>
#include <QString>

namespace ui {

// The path of symbol n's file below a program directory, or empty when there is none.
QString symbolPath(const QString& programDirectory, int symbol);

// Reads one symbol picture: only GIF is accepted, whatever the bytes claim, and pictures larger
// than 4096 x 4096 are refused before they are decoded. A null pixmap when it cannot be read.
QPixmap readSymbolPicture(const QString& path);

class SymbolImages {
public:
    explicit SymbolImages(QString programDirectory);

    // The path of symbol n's file, or empty when there is none.
    QString pathFor(int symbol) const;

    // The picture of symbol n; a null pixmap when the file is missing or not a readable GIF.
    // A picture is read once per run; a missing one is looked for again after a few seconds, so
    // that a symbol added while the program runs shows up.
    QPixmap picture(int symbol);

private:
    struct Entry {
        QPixmap pixmap;
        QElapsedTimer checked; // when a missing picture was last looked for
    };
    QString directory_;
    QHash<int, Entry> cache_;
};

} // namespace ui
