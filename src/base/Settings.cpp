#include "base/Settings.h"

#include "platform/Os.h"

#include <QtGlobal>

namespace base {

namespace {
profile::MarkedText fileText(const QString& file) {
    QByteArray content;
    profile::readFile(file, &content);
    return profile::unmark(content);
}

int16_t toInt16(const std::optional<QByteArray>& value) {
    // Windows returns the default for a missing key and also for an empty value.
    if (!value || value->isEmpty()) return -1;
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(profile::parseProfileInt(*value))));
}

QString toText(const std::optional<QByteArray>& value, const AnsiCodec& codec) {
    return value ? codec.decode(*value) : QString();
}
} // namespace

SettingsEditor::SettingsEditor(QString file) : file_(std::move(file)) {
    // Only a missing file may be created: one that exists but cannot be read (a directory, no
    // permission, too large) is never replaced by a file that holds just the new keys.
    QByteArray content;
    if (!profile::readFile(file_, &content) && platform::os().fileState(file_).exists) usable_ = false;
    text_ = profile::unmark(content);
}

void SettingsEditor::setText(const QString& text, const QString& section, const QString& key) {
    if (!usable_) return;
    writes_.push_back({section, key, profile::codecFor(text_.mark).encode(text)});
}

bool SettingsEditor::commit(QString* reason) {
    if (!usable_) {
        if (reason) *reason = QStringLiteral("the file exists but cannot be read");
        return false;
    }
    if (!writes_.empty()) {
        // All writes on one parse of the file: as many as a table of machines needs cost one pass.
        const AnsiCodec& codec = profile::codecFor(text_.mark);
        text_.text = profile::ProfileText(std::move(text_.text), codec).withValues(writes_);
        writes_.clear();
    }
    return platform::os().replaceFile(file_, profile::remark(text_), reason);
}

int16_t IniReadInt(const QString& section, const QString& key, const QString& file) {
    return SettingsSnapshot(file).readInt(section, key);
}

QString IniReadString(const QString& section, const QString& key, const QString& file) {
    return SettingsSnapshot(file).readString(section, key);
}

bool IniReadBool(const QString& section, const QString& key, const QString& file) {
    return SettingsSnapshot(file).readBool(section, key);
}

SettingsSnapshot::SettingsSnapshot(const QString& file) : SettingsSnapshot(fileText(file)) {}

SettingsSnapshot::SettingsSnapshot(profile::MarkedText file)
    : codec_(profile::codecFor(file.mark)), text_(std::move(file.text), codec_) {}

int16_t SettingsSnapshot::readInt(const QString& section, const QString& key) const {
    return toInt16(text_.value(section, key));
}

QString SettingsSnapshot::readString(const QString& section, const QString& key) const {
    return toText(text_.value(section, key), codec_);
}

bool SettingsSnapshot::readBool(const QString& section, const QString& key) const {
    return readString(section, key).toUpper() == QLatin1String("TRUE");
}

} // namespace base
