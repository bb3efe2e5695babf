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

QFontDatabase::WritingSystem writingSystemForLcId(int32_t lcId) {
    const int language = lcId & 0x3FF;
    switch (language) {
    case 0x19:
    case 0x22:
    case 0x23:
    case 0x02:
    case 0x2F:
    case 0x3F:
    case 0x40:
    case 0x44:
    case 0x50: return QFontDatabase::Cyrillic;
    case 0x08: return QFontDatabase::Greek;
    case 0x0D: return QFontDatabase::Hebrew;
    case 0x01:
    case 0x29:
    case 0x20: return QFontDatabase::Arabic;
    case 0x1E: return QFontDatabase::Thai;
    case 0x11: return QFontDatabase::Japanese;
    case 0x12: return QFontDatabase::Korean;
    case 0x2A: return QFontDatabase::Vietnamese;
    case 0x04: {
        const int sub = (lcId >> 10) & 0x3F;
        return (sub == 0x02 || sub == 0x04) ? QFontDatabase::SimplifiedChinese : QFontDatabase::TraditionalChinese;
    }
    default: return QFontDatabase::Latin;
    }
}

namespace {
// The named family, the families that stand in for it, and for a script other than Latin one that
// has the script's glyphs, for characters the others lack. The stand-ins come before the script's
// family: a list of families is matched in order before any substitution, so a named family that
// is missing would otherwise fall straight to the script's family.
QStringList familiesFor(const QString& fontName, QFontDatabase::WritingSystem script) {
    QStringList families{fontName};
    families << QFont::substitutes(fontName);
    if (script == QFontDatabase::Latin) return families;
    const QStringList forScript = QFontDatabase::families(script);
    if (!forScript.isEmpty() && !families.contains(forScript.first(), Qt::CaseInsensitive))
        families << forScript.first();
    return families;
}
} // namespace

QStringList familiesForLcId(const QString& fontName, int32_t lcId) {
    return familiesFor(fontName, writingSystemForLcId(lcId));
}

void setUpDialogFont(const QString& fontName, int charSet) {
    // The character set has no counterpart in Qt: it decides the script of the fallback family.
    const QStringList families = familiesFor(fontName, writingSystemForCharSet(charSet));
    QFont& font = dialogFont();
    font.setFamilies(families);
    font.setPointSize(10);
    font.setWeight(QFont::Bold);
}

} // namespace ui
