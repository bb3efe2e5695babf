#include "base/SettingsDiff.h"

#include "base/Profile.h"

namespace base {

const SettingValues::Value* SettingValues::find(const QByteArray& folded) const {
    const auto it = index.constFind(folded);
    return it == index.constEnd() ? nullptr : &inOrder[static_cast<size_t>(*it)];
}

const SettingValues::Value* SettingValues::find(const QString& section, const QString& key) const {
    using profile::ProfileText;
    return find(ProfileText::foldedName(section) + '\n' + ProfileText::foldedName(key));
}

SettingValues settingValues(const QByteArray& fileBytes) {
    const profile::MarkedText text = profile::unmark(fileBytes);
    const AnsiCodec& codec = profile::codecFor(text.mark);
    SettingValues values;
    std::vector<profile::ProfileText::Entry> entries = profile::ProfileText(text.text, codec).entries();
    values.inOrder.reserve(entries.size());
    values.index.reserve(static_cast<qsizetype>(entries.size()));
    for (profile::ProfileText::Entry& e : entries) {
        // The first of a key's lines is the one the reads see.
        if (values.index.contains(e.folded)) continue;
        values.index.insert(e.folded, static_cast<qsizetype>(values.inOrder.size()));
        values.inOrder.push_back({std::move(e.section), std::move(e.key), codec.decode(e.value), std::move(e.folded)});
    }
    return values;
}

std::vector<SettingChange> settingsChanges(const SettingValues& old, const SettingValues& now) {
    // The reads take an empty value as a missing key: a key written empty is no change.
    std::vector<SettingChange> changes;
    for (const SettingValues::Value& v : now.inOrder) {
        const SettingValues::Value* was = old.find(v.folded);
        if (!was) {
            if (!v.value.isEmpty()) changes.push_back({v.section, v.key, QString(), v.value});
        } else if (was->value != v.value) {
            changes.push_back({v.section, v.key, was->value, v.value});
        }
    }
    for (const SettingValues::Value& v : old.inOrder)
        if (!v.value.isEmpty() && !now.find(v.folded)) changes.push_back({v.section, v.key, v.value, QString()});
    return changes;
}

std::vector<SettingChange> settingsChanges(const QByteArray& before, const QByteArray& after) {
    return settingsChanges(settingValues(before), settingValues(after));
}

} // namespace base
