#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <functional>

namespace testutil {

QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

// Runs the event loop until `done` holds or `timeoutMs` passed; returns `done()`.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 5000);

} // namespace testutil
