#include "ui/DialogFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace ui {

QFont& dialogFont() {
    static QFont font;
    return font;
}

QFontDatabase::WritingSystem writingSystemForCharSet(int charSet) {
    switch (charSet) {
    case 128: return QFontDatabase::Japanese;
    case 129: return QFontDatabase::Korean;
    case 134: return QFontDatabase::SimplifiedChinese;
    case 136: return QFontDatabase::TraditionalChinese;
    case 161: return QFontDatabase::Greek;
    case 177: return QFontDatabase::Hebrew;
    case 178: return QFontDatabase::Arabic;
    case 204: return QFontDatabase::Cyrillic;
    case 222: return QFontDatabase::Thai;
    case 163: return QFontDatabase::Vietnamese;
    default: return QFontDatabase::Latin;
    }
}

void setUpDialogFont(const QString& fontName, int charSet) {
    // The character set has no counterpart in Qt: the font names the family first and, after it,
    // one that has the script's glyphs, for characters the named family lacks.
    QStringList families{fontName};
    const QStringList forScript = QFontDatabase::families(writingSystemForCharSet(charSet));
    if (!forScript.isEmpty() && !forScript.contains(fontName, Qt::CaseInsensitive)) families << forScript.first();
    QFont& font = dialogFont();
    font.setFamilies(families);
    font.setPointSize(10);
    font.setWeight(QFont::Bold);
}

} // namespace ui
