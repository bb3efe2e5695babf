#pragma once
// The line's communication: connection states, the connect and disconnect of all servers, the
// socket and timer events, framing of what is sent and received, and the protocol's dispatch.
// It runs on the one user-interface thread; sockets and timers come in through Connections, and
// what changed goes out by slot and group through SlotView.

#include "base/GeneralSettings.h"
#include "base/LineLayout.h"
#include "base/States.h"
#include "log/Log.h"
#include "net/Connections.h"
#include "net/Framing.h"
#include "net/Payloads.h"

#include <QStringView>

#include <array>
#include <functional>
#include <vector>

namespace net {

class LineObserver;
class SlotView;

class LineHub : public ConnectionEvents {
public:
    // Most bytes one data arrival reads and handles; what is left waits for the next turn of the
    // event loop, so that a server sending without pause cannot hold up the others. Reports cost
    // far more than their bytes (each is passed on to every server), so the work of an arrival is
    // bounded in time as well: a connection whose arrival took longer than the budget reads
    // proportionally less next time, down to MinArrivalBytes, and grows back when arrivals are quick.
    // A request from another server waits for the slice under way, so the budget is about what
    // one report to all 64 servers costs, a few times over: 1 ms.
    static constexpr qint64 MaxArrivalBytes = 4096;
    static constexpr qint64 MinArrivalBytes = 256;
    static constexpr qint64 ArrivalBudgetNs = 1'000'000;
    // The longest pause before the next slice of a connection whose slice took the whole budget
    // with a full slice more waiting.
    static constexpr qint64 MaxArrivalPauseMs = 20;

    // The monotonic clock the arrival budget is measured with, in nanoseconds (tests replace it).
    void setClock(std::function<qint64()> nowNs) { clock_ = std::move(nowNs); }
    qint64 arrivalBytes(int i) const { return arrivalBytes_[static_cast<size_t>(i)]; }

    LineHub(base::LineLayout& layout, base::GeneralSettings& settings, logfile::Log& log, SlotView& view,
            Connections& connections);

    // The state of connection i, and per slot the connection state last shown.
    base::ConnectionState connState(int i) const { return connState_[static_cast<size_t>(i)]; }
    base::ShownConnection shownConnState(int slot) const { return shownConnState_[static_cast<size_t>(slot)]; }
    // The connect button's state: set when switching on starts, cleared when switching off ends.
    bool connected() const { return connected_; }
    // Whether the line counts as switched on for the tiles ("Online", and status 5 or 0 for a slot
    // whose connection is not up): from the start of a switch-on until the start of a switch-off.
    bool switchedOn() const { return switchedOn_; }
    // A group's status (that of its most urgent enabled machine) and that status's rank.
    int16_t groupStatus(int group) const { return groupStatus_[static_cast<size_t>(group)]; }
    int16_t groupDisplayState(int group) const { return groupDisplayState_[static_cast<size_t>(group)]; }

    // The connect button's connection work: switching on closes and opens every owned connection,
    // switching off closes them and stops their timers. Each sets both switching states at its
    // moment.
    void switchOn();
    void switchOff();
    // Shut-down: every connection closed.
    void closeAll();

    // Spreads a shown connection state to every slot with the same address as slot `index`.
    void Verbindung(int index, base::ShownConnection state);

    void SendeDaten(int index, QStringView text);
    void TextAuswerten(int index, QStringView message);
    void LiefereDaten(int index);
    void LinienDatenAuswerten();

    // Where slot and group changes go from now on.
    void setView(SlotView& view) { view_ = &view; }
    // Who hears of every slot's changes (nullptr: nobody).
    void setObserver(LineObserver* observer) { observer_ = observer; }

    // Bytes of an unfinished frame kept for connection i.
    qsizetype pendingFrameBytes(int i) const { return frames_[static_cast<size_t>(i)].pendingSize(); }

    // ConnectionEvents
    void TcpClient_Connect(int i) override;
    void TcpClient_Close(int i) override;
    void TcpClient_Error(int i, int number, const QString& description) override;
    void TcpClient_DataArrival(int i, qint64 bytes) override;
    void TimerHin_Timer(int i) override;
    void TimerZurueck_Timer(int i) override;

private:
    // Verbindung's work without the evaluation: true when a shown status changed.
    bool showConnection(int index, base::ShownConnection state);
    // Sends an already framed message; the data line shows its text (`logged` when given, as
    // Log::asLogged makes it), made only when data lines are written.
    void sendFramed(int index, const QByteArray& framed, const QByteArray* logged = nullptr);
    void startConnect(int index);
    // "$$HierLinienDaten$$" with the current line data, framed, as it goes on the wire.
    QByteArray lineDataFrame();
    // Which slots share an address, worked out again only when an address or an Enabled flag
    // changed: per slot the lowest slot with the same address (without regard to case), and the
    // slots over which the line data goes out (per distinct address of the enabled slots, the
    // lowest enabled one).
    struct Addresses {
        bool valid = false;
        std::array<bool, base::MachineSlots> enabled{};
        std::array<QString, base::MachineSlots> address;
        std::array<int, base::MachineSlots> group{};
        std::vector<int> targets;
    };
    const Addresses& addresses();

    std::array<base::ConnectionState, base::MachineSlots> connState_{};
    std::array<base::ShownConnection, base::MachineSlots> shownConnState_{};
    bool connected_ = false;
    bool switchedOn_ = false;
    std::array<int16_t, base::GroupCount> groupStatus_{};
    std::array<int16_t, base::GroupCount> groupDisplayState_{};
    base::LineLayout& layout_;
    base::GeneralSettings& settings_;
    logfile::Log& log_;
    SlotView* view_;
    LineObserver* observer_ = nullptr;
    Connections& connections_;
    std::array<framing::FrameBuffer, base::MachineSlots> frames_;
    payload::LineDataFrame lineData_;
    std::array<qint64, base::MachineSlots> arrivalBytes_;
    std::function<qint64()> clock_;
    Addresses addresses_;
};

} // namespace net
