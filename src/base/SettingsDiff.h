#pragma once
// What changed between two states of a settings file, as the station's own reader sees them:
// names without regard to case, the first of a name wins, values trimmed and unquoted. Not a
// text diff: a moved line or a new comment changes nothing.

#include <QByteArray>
#include <QHash>
#include <QString>

#include <vector>

namespace base {

struct SettingChange {
    QString section;
    QString key;
    QString oldValue; // null: the key was not there
    QString newValue; // null: the key is gone
};

// The keys of a file's bytes (with or without a byte-order mark) and their values, by section and
// key folded to lower case.
struct SettingValues {
    struct Value {
        QString section; // as written
        QString key;
        QString value;
        QByteArray folded; // "section\nkey", case-folded
    };
    std::vector<Value> inOrder;
    QHash<QByteArray, qsizetype> index; // folded -> inOrder
    const Value* find(const QString& section, const QString& key) const;
    const Value* find(const QByteArray& folded) const;
};
SettingValues settingValues(const QByteArray& fileBytes);

// The changes from `before` to `after`: changed and new keys in the order of `after`, then the
// keys that are gone in the order of `before`. An empty value reads as a missing key, so a key
// that appears or goes empty is no change; one that turns empty is (its new value is empty).
std::vector<SettingChange> settingsChanges(const QByteArray& before, const QByteArray& after);
std::vector<SettingChange> settingsChanges(const SettingValues& before, const SettingValues& after);

} // namespace base
