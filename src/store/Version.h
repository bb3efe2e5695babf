#pragma once
// One saved state of the settings file: who, when, from where, its bytes (up to 1 MiB) with their
// SHA-256, and the keys that changed against the state before it.

#include <QByteArray>
#include <QString>

#include <vector>

namespace store {

struct KeyChange {
    QString section;
    QString key;
    QString oldValue; // null: the key did not exist
    QString newValue; // null: the key is gone
};

struct Version {
    static constexpr qint64 MaxContentBytes = 1LL << 20;

    qint64 id = 0; // given by the store
    qint64 timeMs = 0;
    QString user;
    QString origin;    // the dialog it came from, "start", or "restore"
    QByteArray sha256; // hex
    qint64 size = 0;
    QByteArray content;      // empty for a file above MaxContentBytes
    qint64 restoredFrom = 0; // the version a restore brought back
    std::vector<KeyChange> changes;
    int changeCount = 0; // in lists, where `changes` is not loaded

    qint64 bytes() const;
};

} // namespace store
