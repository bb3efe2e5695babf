#include "lang/LanguageTable.h"

#include "base/Numbers.h"

#include <cmath>
#include <limits>

using namespace base;

namespace lang {

std::optional<QString> RawTable::value(int row, const QString& column) const {
    for (int c = 0; c < columns.size(); ++c) {
        if (columns[c].compare(column, Qt::CaseInsensitive) != 0) continue;
        const auto& values = rows[row];
        return c < values.size() ? values[c] : std::nullopt;
    }
    return std::nullopt;
}

namespace {
// A field read as a whole number of a given range; a value that cannot be read leaves `field`.
template <typename T> void readNumber(const std::optional<QString>& text, T& field) {
    if (!text) return;
    if (const auto n = strictNumber(*text, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()))
        field = static_cast<T>(*n);
}

struct FontClass {
    int32_t lcId = 0;
    int16_t fontId = 0;
};
} // namespace

void LanguageTable::build(const RawLanguageTables& tables) {
    Languages = {};
    LanguageCount = 0;

    QList<LanguageRecord> fonts;
    for (int r = 0; r < tables.fonts.rows.size() && fonts.size() < MaxFonts; ++r) {
        int16_t id = 0;
        readNumber(tables.fonts.value(r, QStringLiteral("ID")), id);
        // Floor modulo: -49 leaves 1 as well.
        if (id - 50 * static_cast<int>(std::floor(id / 50.0)) != 1) continue;
        LanguageRecord font;
        font.ID = id;
        if (const auto name = tables.fonts.value(r, QStringLiteral("FontName"))) font.FontName = *name;
        readNumber(tables.fonts.value(r, QStringLiteral("CharSet")), font.CharSet);
        fonts << font;
    }

    QList<FontClass> classes;
    const RawTable& fc = tables.fontClasses;
    if (!fc.rows.isEmpty()) {
        for (int c = 2; c < fc.columns.size() && classes.size() < MaxFontClasses; ++c) {
            const QString& name = fc.columns[c];
            if (!name.startsWith(QLatin1Char('L'))) continue;
            FontClass pair;
            if (const auto id = leadingNumber(QStringView(name).mid(1), INT32_MIN, INT32_MAX))
                pair.lcId = static_cast<int32_t>(*id);
            readNumber(c < fc.rows[0].size() ? fc.rows[0][c] : std::nullopt, pair.fontId);
            classes << pair;
        }
    }

    const RawTable& lt = tables.languages;
    for (int r = 0; r < lt.rows.size() && LanguageCount < MaxLanguages; ++r) {
        LanguageRecord& e = Languages[static_cast<size_t>(++LanguageCount)];
        readNumber(lt.value(r, QStringLiteral("Language")), e.LcId);
        if (const auto name = lt.value(r, QStringLiteral("Name"))) e.Name = *name;
        if (const auto codePage = lt.value(r, QStringLiteral("CodePage")))
            if (const auto n = leadingNumber(*codePage, INT32_MIN, INT32_MAX)) e.CodePage = static_cast<int32_t>(*n);
        readNumber(lt.value(r, QStringLiteral("KBLayout")), e.KBLayout);

        e.CharSet = 0;
        e.FontName = DefaultFontName;
        for (const FontClass& pair : classes) {
            if (pair.lcId != e.LcId) continue;
            // Only the first pair of a locale counts, matched or not.
            for (const LanguageRecord& font : fonts) {
                if (font.ID != pair.fontId) continue;
                e.CharSet = font.CharSet;
                e.FontName = font.FontName;
                break;
            }
            break;
        }
    }
}

int LanguageTable::find(int32_t lcId) const {
    for (int i = 1; i <= LanguageCount; ++i)
        if (Languages[static_cast<size_t>(i)].LcId == lcId) return i;
    return 0;
}

} // namespace lang
