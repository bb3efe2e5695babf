#pragma once
// In-process stand-ins for the sockets and the tiles.

#include "net/Connections.h"
#include "net/LineView.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <array>

struct FakeConnections : net::Connections {
    std::array<bool, 64> openNow{};
    QList<QPair<int, QByteArray>> sent;
    QList<QString> calls; // open/close/reopen in order
    std::array<QByteArray, 64> incoming;

    bool isOpen(int i) const override { return openNow[static_cast<size_t>(i)]; }
    void send(int i, const QByteArray& bytes) override { sent.append({i, bytes}); }
    QList<int> continued, pauses;
    QByteArray read(int i, qint64 max) override {
        QByteArray& in = incoming[static_cast<size_t>(i)];
        const QByteArray out = in.left(max);
        in.remove(0, out.size());
        return out;
    }
    qint64 bytesAvailable(int i) const override { return incoming[static_cast<size_t>(i)].size(); }
    void continueArrival(int i, int pauseMs) override {
        continued << i;
        pauses << pauseMs;
    }
    void open(int i, const QString& host) override { calls << QStringLiteral("open %1 %2").arg(i).arg(host); }
    void reopen(int i) override { calls << QStringLiteral("reopen %1").arg(i); }
    void close(int i) override { calls << QStringLiteral("close %1").arg(i); }
    void restartKeepAlive(int) override {}
    void restartReplyTimer(int) override {}
    void enableReplyTimer(int) override {}
    void stopTimers(int) override {}

    QList<QByteArray> sentTo(int i) const {
        QList<QByteArray> out;
        for (const auto& s : sent)
            if (s.first == i) out << s.second;
        return out;
    }
};

// Records what the hub shows, by slot and group.
struct RecordingView : net::SlotView {
    std::array<int16_t, base::MachineSlots> connection{};
    std::array<int16_t, base::MachineSlots> status{};
    std::array<QString, base::MachineSlots> name;
    std::array<QString, base::MachineSlots> text;
    std::array<int16_t, base::GroupCount> group{};

    void showConnectionState(int slot, base::ShownConnection state) override {
        connection[static_cast<size_t>(slot)] = static_cast<int16_t>(state);
    }
    void showMachineData(int slot, const base::MachineRecord& m, const base::MachineData& d) override {
        name[static_cast<size_t>(slot)] = m.Text;
        text[static_cast<size_t>(slot)] = d.Text;
        status[static_cast<size_t>(slot)] = d.Status;
    }
    void showGroupStatus(int g, int16_t s) override { group[static_cast<size_t>(g)] = s; }
};
