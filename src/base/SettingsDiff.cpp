#include "base/SettingsDiff.h"

#include "base/Profile.h"

namespace base {

namespace {
QString folded(const QString& section, const QString& key) {
    return section.toCaseFolded() + QLatin1Char('\n') + key.toCaseFolded();
}
} // namespace

const SettingValues::Value* SettingValues::find(const QString& section, const QString& key) const {
    const auto it = index.constFind(folded(section, key));
    return it == index.constEnd() ? nullptr : &inOrder[static_cast<size_t>(*it)];
}

SettingValues settingValues(const QByteArray& fileBytes) {
    const profile::MarkedText text = profile::unmark(fileBytes);
    const AnsiCodec& codec = profile::codecFor(text.mark);
    SettingValues values;
    for (const profile::ProfileText::Entry& e : profile::ProfileText(text.text, codec).entries()) {
        values.index.insert(folded(e.section, e.key), static_cast<qsizetype>(values.inOrder.size()));
        values.inOrder.push_back({e.section, e.key, codec.decode(e.value)});
    }
    return values;
}

std::vector<SettingChange> settingsChanges(const QByteArray& before, const QByteArray& after) {
    const SettingValues old = settingValues(before);
    const SettingValues now = settingValues(after);
    std::vector<SettingChange> changes;
    for (const SettingValues::Value& v : now.inOrder) {
        const SettingValues::Value* was = old.find(v.section, v.key);
        if (!was)
            changes.push_back({v.section, v.key, QString(), v.value});
        else if (was->value != v.value)
            changes.push_back({v.section, v.key, was->value, v.value});
    }
    for (const SettingValues::Value& v : old.inOrder)
        if (!now.find(v.section, v.key)) changes.push_back({v.section, v.key, v.value, QString()});
    return changes;
}

} // namespace base
