#pragma once
// The language table: the languages an operator can switch to, with their locale id, name, code
// page, keyboard layout and font, built from the three tables of the language database.

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

namespace lang {

struct LanguageRecord {
    int16_t ID = 0; // font id (font rows only)
    int32_t LcId = 0;
    int32_t CodePage = 0;
    QString Name;
    int32_t KBLayout = 0;
    int32_t CharSet = 0;
    QString FontName;
};

// One database table as read: its column names and its rows, each value as text or NULL.
struct RawTable {
    bool present = false;
    QStringList columns;
    QList<QList<std::optional<QString>>> rows;

    // The value of a row's column by name (without regard to case); nullopt for NULL or no such column.
    std::optional<QString> value(int row, const QString& column) const;
};

struct RawLanguageTables {
    RawTable fonts;        // TidxFonts
    RawTable fontClasses;  // TidxFontClasses
    RawTable languages;    // LookupLanguages
    bool complete = false; // the reader finished (false: what arrived before it failed)
};

class LanguageTable {
public:
    static constexpr int MaxFonts = 50;
    static constexpr int MaxFontClasses = 50;
    static constexpr int MaxLanguages = 200;
    static inline const QString DefaultFontName = QStringLiteral("Lucida Sans Unicode");

    // Entries 1..LanguageCount; entry 0 is never filled.
    std::array<LanguageRecord, MaxLanguages + 1> Languages;
    int16_t LanguageCount = 0;

    // Fills the table by the loader's rules: font rows whose ID leaves 1 when divided by 50
    // (floor modulo), the "L" columns of the font classes' first row from the third column on, and
    // per language the font of its first matching pair. Rows beyond the limits are ignored.
    void build(const RawLanguageTables& tables);

    // The first entry 1..LanguageCount whose locale id is lcId; 0 when there is none.
    int find(int32_t lcId) const;
};

} // namespace lang
