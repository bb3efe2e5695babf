#include "records/VersionTexts.h"

#include "base/LineLayout.h"

#include <QHash>

namespace records {

namespace {
const QString Arrow = QStringLiteral(" \u2192 ");

// A missing key and an empty value read the same.
QString shown(const QString& value) { return value.isEmpty() ? QStringLiteral("(none)") : value; }

// The names a version's file gives: machine names by section, group names by number.
struct Names {
    base::SettingValues values;
    QString machine(const QString& section) const {
        const auto* v = values.find(section, QStringLiteral("Text"));
        return v ? v->value : QString();
    }
    QString group(const QString& number) const {
        bool ok = false;
        const int g = number.toInt(&ok);
        if (!ok || g < 0 || g >= base::GroupCount) return QString();
        const auto* v = values.find(QStringLiteral("General"), QLatin1String("Group") + QString::number(g));
        return v ? v->value : QString();
    }
};

bool isMachineSection(const QString& section) {
    return section.startsWith(QLatin1String("Ma"), Qt::CaseInsensitive) && section.size() > 2 && section[2].isDigit();
}

bool isGroupKey(const QString& key) {
    return key.compare(QLatin1String("Group"), Qt::CaseInsensitive) == 0 ||
           key.startsWith(QLatin1String("VisuGroup"), Qt::CaseInsensitive);
}

QStringList lines(const std::vector<base::SettingChange>& changes, const QByteArray& content) {
    const Names names{base::settingValues(content)};
    QStringList sectionOrder;
    QHash<QString, QStringList> bySection;
    QStringList widths;
    for (const base::SettingChange& c : changes) {
        const QString folded = c.section.toCaseFolded();
        if (folded == QLatin1String("table") && c.key.startsWith(QLatin1String("Size"), Qt::CaseInsensitive)) {
            widths << c.key + QLatin1Char(' ') + shown(c.oldValue) + Arrow + shown(c.newValue);
            if (!sectionOrder.contains(folded)) sectionOrder << folded;
            continue;
        }
        QString oldValue = shown(c.oldValue), newValue = shown(c.newValue);
        if (isMachineSection(c.section) && isGroupKey(c.key)) {
            // A group number shows with the group's name.
            const auto withName = [&](const QString& v, const QString& text) {
                const QString name = names.group(v);
                return name.isEmpty() ? text : text + QLatin1String(" (") + name + QLatin1Char(')');
            };
            oldValue = withName(c.oldValue, oldValue);
            newValue = withName(c.newValue, newValue);
        }
        if (!bySection.contains(folded)) {
            sectionOrder << folded;
            QString heading = c.section;
            if (isMachineSection(c.section)) {
                const QString machine = names.machine(c.section);
                if (!machine.isEmpty()) heading += QLatin1String(" (") + machine + QLatin1Char(')');
            }
            bySection[folded] << heading;
        }
        bySection[folded] << c.key + QLatin1Char(' ') + oldValue + Arrow + newValue;
    }
    QStringList out;
    for (const QString& section : sectionOrder) {
        if (section == QLatin1String("table") && !widths.isEmpty() && !bySection.contains(section)) {
            out << QLatin1String("Table: column widths ") + widths.join(QLatin1String(", "));
            continue;
        }
        const QStringList& entries = bySection[section];
        for (int i = 1; i < entries.size(); ++i) out << entries[0] + QLatin1String(": ") + entries[i];
        if (section == QLatin1String("table") && !widths.isEmpty())
            out << QLatin1String("Table: column widths ") + widths.join(QLatin1String(", "));
    }
    return out;
}
} // namespace

QStringList changeLines(const store::Version& version) {
    std::vector<base::SettingChange> changes;
    for (const store::KeyChange& c : version.changes) changes.push_back({c.section, c.key, c.oldValue, c.newValue});
    return lines(changes, version.content);
}

std::vector<base::SettingChange> restorePreview(const QByteArray& current, const QByteArray& version) {
    const base::SettingValues now = base::settingValues(current);
    const base::SettingValues then = base::settingValues(version);
    std::vector<base::SettingChange> out;
    base::forEachLayoutKey([&](const QString& section, const QString& key) {
        const auto* a = now.find(section, key);
        const auto* b = then.find(section, key);
        const QString from = a ? a->value : QString();
        const QString to = b ? b->value : QString();
        if (from == to || (from.isEmpty() && to.isEmpty())) return;
        out.push_back({section, key, a ? from : QString(), b ? to : QString()});
    });
    return out;
}

QStringList previewLines(const std::vector<base::SettingChange>& changes, const QByteArray& version) {
    return lines(changes, version);
}

} // namespace records
