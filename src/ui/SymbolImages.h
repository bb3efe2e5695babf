#pragma once
// Machine symbol pictures: MachineSymbols/MachineSymbol_<n>_800.gif in the program directory,
// folder and file names matched without regard to case.

#include <QHash>
#include <QPixmap>
#include <QString>

namespace ui {

class SymbolImages {
public:
    explicit SymbolImages(QString programDirectory);

    // The path of symbol n's file, or empty when there is none.
    QString pathFor(int symbol) const;

    // The picture of symbol n; a null pixmap when the file is missing or not a readable GIF.
    // Each file is read once per run.
    QPixmap picture(int symbol);

private:
    QString directory_;
    QHash<int, QPixmap> cache_;
};

} // namespace ui
