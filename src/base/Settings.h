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

namespace settings_detail {
void reportWrongDataType();

// The stored text of a value: integers and floats as decimal text without blanks (a point as
// decimal separator), booleans as "true"/"false", strings unchanged. False for any other kind.
template <typename T> bool toText(const T& value, QString* text) {
    if constexpr (std::is_same_v<T, bool>) {
        *text = value ? QStringLiteral("true") : QStringLiteral("false");
    } else if constexpr (std::is_integral_v<T>) {
        *text = QString::number(value);
    } else if constexpr (std::is_floating_point_v<T>) {
        *text = QString::number(static_cast<double>(value), 'g', 15);
    } else if constexpr (std::is_convertible_v<T, QString>) {
        *text = QString(value);
    } else {
        return false;
    }
    return true;
}
} // namespace settings_detail

// Shown for a value of a kind the settings file cannot store; nothing is written then, so the
// stored value is kept.
inline constexpr const char* WrongDataTypeMessage = "Ini Save:  wrong data type";

// Replaces how the wrong-type message reaches the user (the main window shows a message box; the
// default writes a warning).
void setWrongDataTypeReporter(std::function<void(const QString&)> reporter);

// Several writes to one settings file, applied in order to the file's current bytes and stored
// with one atomic replacement. The file then reads exactly as after the same writes made one by
// one, but a crash can never leave it with only part of them.
class SettingsEditor {
public:
    explicit SettingsEditor(QString file);

    template <typename T> bool set(const T& value, const QString& section, const QString& key) {
        QString text;
        if (!settings_detail::toText(value, &text)) {
            settings_detail::reportWrongDataType();
            return false;
        }
        setText(text, section, key);
        return true;
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
    if (!editor.set(value, section, key)) return 0;
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
