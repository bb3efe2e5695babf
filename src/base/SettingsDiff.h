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
    };
    std::vector<Value> inOrder;
    QHash<QString, qsizetype> index; // "section\nkey", case-folded -> inOrder
    const Value* find(const QString& section, const QString& key) const;
};
SettingValues settingValues(const QByteArray& fileBytes);

// The changes from `before` to `after`: changed and new keys in the order of `after`, then the
// keys that are gone in the order of `before`.
std::vector<SettingChange> settingsChanges(const QByteArray& before, const QByteArray& after);

} // namespace base
