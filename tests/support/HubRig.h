#pragma once
// What the hub tests share: a log of system and data lines in a temporary file, and a hub over
// real loopback sockets on a free port.

#include "net/ConnectionManager.h"
#include "net/Framing.h"
#include "net/LineHub.h"

#include "LogFiles.h"
#include "NetFakes.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>

#include <memory>

// n reports of slot 7 back to back, the n-th with the text "r<n>".
inline QByteArray reportsForSlot7(int n) {
    QByteArray reports;
    for (int k = 0; k < n; ++k)
        reports += net::framing::frame("$$HierMaschinenDaten$$Status7=1;Text7=r" + QByteArray::number(k) +
                                       ";CodePage7=1252;LcId7=1033;");
    return reports;
}

inline base::LogSwitches testLogSwitches(const QString& path) {
    base::LogSwitches s;
    s.system = s.data = true;
    s.fileSizeKiB = 2000;
    s.fileName = path;
    return s;
}

class LiveHubTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    base::LineLayout layout;
    base::GeneralSettings settings;
    logfile::Log log;
    RecordingView view;
    quint16 port = 0;
    std::unique_ptr<net::ConnectionManager> manager;
    std::unique_ptr<net::LineHub> hub;

    void SetUp() override {
        log.configure(testLogSwitches(dir.filePath("log.txt")));
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    void TearDown() override {
        if (manager) manager->setEvents(nullptr);
    }
    // Connections switched on with these timer intervals.
    void start(int keepAliveMs = 5000, int replyMs = 10000) {
        manager = std::make_unique<net::ConnectionManager>(port, net::ConnectionTimings{keepAliveMs, replyMs});
        manager->createElements();
        hub = std::make_unique<net::LineHub>(layout, settings, log, view, *manager);
        manager->setEvents(hub.get());
        hub->switchOn();
    }
    void enable(int slot, const QString& address) {
        layout.Machines[static_cast<size_t>(slot)].Enabled = true;
        layout.Machines[static_cast<size_t>(slot)].Address = address;
    }
    int logCount(const QString& pattern) {
        return static_cast<int>(testutil::logLines(dir.filePath("log.txt")).filter(QRegularExpression(pattern)).size());
    }
};
