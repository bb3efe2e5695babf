#pragma once
// One running copy per program folder. The first copy listens on a local socket named after the
// folder's canonical path; a second copy started by mistake finds it, asks it to raise its window,
// and ends, so that two copies never connect to the same servers or write the same settings file.

#include <QObject>
#include <QString>

class QLocalServer;

namespace station {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& programDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The local socket's name for a program folder (the same for every path to that folder).
    static QString socketName(const QString& programDirectory);

    // True when this is the only copy: it now listens for later ones. False when another copy
    // runs; that copy has been asked to raise its window.
    bool claim();

signals:
    // A later copy was started.
    void raiseRequested();

private:
    void onNewConnection();

    QString name_;
    QLocalServer* server_ = nullptr;
};

} // namespace station
