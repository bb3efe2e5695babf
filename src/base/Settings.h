#pragma once
// The four settings operations every part of the program uses. Each takes the section, the key
// and the full file path, reads or writes the file at once and keeps nothing between calls.

#include "base/AnsiCodec.h"
#include "base/Profile.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <type_traits>
#include <vector>

namespace base {

namespace settings_detail {
template <typename T> inline constexpr bool Unsupported = false;

// The stored text of a value: integers and floats as decimal text without blanks (a point as
// decimal separator), booleans as "true"/"false", strings unchanged. Any other kind does not
// compile: every value the program stores has one of these kinds.
template <typename T> QString toText(const T& value) {
    if constexpr (std::is_same_v<T, bool>) {
        return value ? QStringLiteral("true") : QStringLiteral("false");
    } else if constexpr (std::is_integral_v<T>) {
        return QString::number(value);
    } else if constexpr (std::is_floating_point_v<T>) {
        return QString::number(static_cast<double>(value), 'g', 15);
    } else if constexpr (std::is_convertible_v<T, QString>) {
        return QString(value);
    } else {
        static_assert(Unsupported<T>, "the settings file stores integers, floats, booleans and strings");
        return QString();
    }
}
} // namespace settings_detail

// Several writes to one settings file, applied in order to the file's current bytes and stored
// with one atomic replacement. The file then reads exactly as after the same writes made one by
// one, but a crash can never leave it with only part of them.
class SettingsEditor {
public:
    explicit SettingsEditor(QString file);

    template <typename T> void set(const T& value, const QString& section, const QString& key) {
        setText(settings_detail::toText(value), section, key);
    }
    void setText(const QString& text, const QString& section, const QString& key);

    // Writes the file. False (file unchanged) when it exists but cannot be read, or the write fails;
    // `reason` then says why.
    bool commit(QString* reason = nullptr);

private:
    QString file_;
    profile::MarkedText text_;
    std::vector<profile::ValueWrite> writes_;
    bool usable_ = true;
};

// Writes one value under section and key. Returns non-zero on success; a failed write leaves the
// file as it was.
template <typename T> int16_t IniSave(const T& value, const QString& section, const QString& key, const QString& file) {
    SettingsEditor editor(file);
    editor.set(value, section, key);
    return editor.commit() ? 1 : 0;
}

// The integer under section and key, -1 when missing (also a missing section or file), cut to
// its low 16 bits: 70000 reads 4464.
int16_t IniReadInt(const QString& section, const QString& key, const QString& file);

// The string under section and key, empty when missing; at most 254 bytes of the file's text.
QString IniReadString(const QString& section, const QString& key, const QString& file);

// True exactly when the stored text is "true" in any mix of cases.
bool IniReadBool(const QString& section, const QString& key, const QString& file);

// The same reads on one snapshot of a file, for load operations that read many keys at once.
class SettingsSnapshot {
public:
    explicit SettingsSnapshot(const QString& file);
    int16_t readInt(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key) const;
    bool readBool(const QString& section, const QString& key) const;

private:
    explicit SettingsSnapshot(profile::MarkedText file);
    const AnsiCodec& codec_;
    profile::ProfileText text_;
};

} // namespace base
