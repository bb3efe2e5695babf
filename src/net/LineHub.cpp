#include "net/LineHub.h"

#include "base/AnsiCodec.h"
#include "net/LineView.h"
#include "net/Payloads.h"

#include <chrono>

using namespace base;
using namespace logfile;

namespace net {

namespace {
QString number(int n) { return QString::number(n); }
} // namespace

LineHub::LineHub(LineLayout& layout, GeneralSettings& settings, Log& log, SlotView& view, Connections& connections)
    : layout_(layout), settings_(settings), log_(log), view_(&view), connections_(connections), clock_([] {
          return static_cast<qint64>(
              std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
                  .count());
      }) {
    arrivalBytes_.fill(MaxArrivalBytes);
}

void LineHub::startConnect(int i) {
    if (!log_.systemOn()) return;
    log_.system(QLatin1String("Start - Connect Server ") + number(i) + QLatin1Char(' ') +
                layout_.Machines[static_cast<size_t>(i)].Address);
}

void LineHub::switchOn() {
    switchedOn_ = true;
    connected_ = true;
    // A slot's mark depends only on earlier slots, so marking all of them first gives every slot
    // the ownership it has when the loop below reaches it.
    layout_.markSameAddress();
    // No connection is up while the loop runs (the line was off), so the line data of a status
    // change would go nowhere: the tiles and the line data are brought up to date once after it,
    // which keeps the connects close together. With debug lines on, every step is traced as it runs.
    const bool traced = log_.debugOn();
    bool evaluate = false;
    const auto show = [&](int i, ShownConnection state) {
        if (traced)
            Verbindung(i, state);
        else
            evaluate = showConnection(i, state) || evaluate;
    };
    for (int i = 0; i < MachineSlots; ++i) {
        if (!layout_.ownsConnection(i)) continue;
        if (log_.systemOn()) log_.system(QLatin1String("Start - Close Server ") + number(i));
        connections_.close(i);
        connState_[static_cast<size_t>(i)] = ConnectionState::Closed;
        show(i, ShownConnection::NotConnected);
        startConnect(i);
        connections_.open(i, layout_.Machines[static_cast<size_t>(i)].Address);
        connState_[static_cast<size_t>(i)] = ConnectionState::ConnectRequested;
        show(i, ShownConnection::Waiting);
    }
    if (evaluate) LinienDatenAuswerten();
}

void LineHub::switchOff() {
    // The tiles count as switched off from here on; the button's state changes at the end.
    switchedOn_ = false;
    for (int i = 0; i < MachineSlots; ++i) {
        if (!layout_.ownsConnection(i)) continue;
        log_.system(QLatin1String("Start - Close Server ") + number(i));
        connections_.close(i);
        connState_[static_cast<size_t>(i)] = ConnectionState::Closed;
    }
    for (int i = 0; i < MachineSlots; ++i) {
        Verbindung(i, ShownConnection::NotConnected);
        connections_.stopTimers(i);
    }
    connected_ = false;
}

void LineHub::closeAll() {
    for (int i = 0; i < MachineSlots; ++i) {
        connections_.close(i);
        connState_[static_cast<size_t>(i)] = ConnectionState::Closed;
    }
}

void LineHub::Verbindung(int index, ShownConnection state) {
    DebugScope debug(log_, "Verbindung");
    if (showConnection(index, state)) LinienDatenAuswerten();
}

bool LineHub::showConnection(int index, ShownConnection state) {
    const Addresses& table = addresses();
    const int group = table.group[static_cast<size_t>(index)];
    for (int m = 0; m < MachineSlots; ++m) {
        if (table.group[static_cast<size_t>(m)] != group) continue;
        int16_t& status = layout_.MachineDataNow[static_cast<size_t>(m)].Status;
        const int16_t statusBefore = status;
        const ShownConnection before = shownConnState_[static_cast<size_t>(m)];
        if (state != ShownConnection::Connected)
            status = switchedOn_ ? machine_status::Disconnected : machine_status::Off;
        shownConnState_[static_cast<size_t>(m)] = state;
        view_->showConnectionState(m, state);
        if (observer_ && before != state) observer_->connectionShown(m, before, state, statusBefore, status);
    }
    bool changed = false;
    for (int m = 0; m < MachineSlots; ++m) {
        MachineData& shown = layout_.MachineDataShown[static_cast<size_t>(m)];
        const int16_t now = layout_.MachineDataNow[static_cast<size_t>(m)].Status;
        if (shown.Status != now) {
            shown.Status = now;
            changed = true;
        }
    }
    return changed;
}

void LineHub::TcpClient_Connect(int i) {
    DebugScope debug(log_, "TcpClient_Connect");
    log_.system(QLatin1String("Server Connect ") + number(i));
    frames_[static_cast<size_t>(i)].clear(); // a new stream starts
    connState_[static_cast<size_t>(i)] = ConnectionState::Connected;
    Verbindung(i, ShownConnection::Connected);
    connections_.restartKeepAlive(i);
    connections_.restartReplyTimer(i);
}

void LineHub::TcpClient_Close(int i) {
    DebugScope debug(log_, "tcpClient_Close");
    log_.system(QLatin1String("Server Close ") + number(i));
    connState_[static_cast<size_t>(i)] = ConnectionState::ClosedByServer;
    connections_.close(i);
    connections_.enableReplyTimer(i);
    Verbindung(i, ShownConnection::NotConnected);
}

void LineHub::TcpClient_Error(int i, int errorNumber, const QString& description) {
    DebugScope debug(log_, "TcpClient_Error");
    log_.system(QLatin1String("Error Server ") + number(i) + QLatin1String(" No:") + number(errorNumber) +
                QLatin1String(" Des:") + description);
    connections_.close(i);
    connState_[static_cast<size_t>(i)] = ConnectionState::Closed;
    connections_.enableReplyTimer(i);
    Verbindung(i, ShownConnection::NotConnected);
}

void LineHub::TimerHin_Timer(int i) {
    DebugScope debug(log_, "TimerHin_Timer");
    if (connState_[static_cast<size_t>(i)] >= ConnectionState::Connected) SendeDaten(i, QString(payload::Leben));
}

void LineHub::TimerZurueck_Timer(int i) {
    DebugScope debug(log_, "TimerZurueck_Timer");
    log_.system(QLatin1String("Timeout Server ") + number(i));
    ConnectionState& state = connState_[static_cast<size_t>(i)];
    if (state == ConnectionState::Closed || state == ConnectionState::ClosedByServer) {
        startConnect(i);
        connections_.reopen(i);
        state = ConnectionState::ConnectRequested;
    }
    Verbindung(i, ShownConnection::Waiting);
}

namespace {
// The text of a framed message, as its data line shows it.
QByteArray loggedText(const QByteArray& framed) {
    return Log::asLogged(QByteArrayView(framed).sliced(
        framing::StartMarker.size(), framed.size() - framing::StartMarker.size() - framing::EndMarker.size()));
}
} // namespace

void LineHub::sendFramed(int index, const QByteArray& framed, const QByteArray* logged) {
    DebugScope debug(log_, "SendeDaten");
    if (connState_[static_cast<size_t>(index)] < ConnectionState::Connected) return;
    if (connections_.isOpen(index)) {
        connections_.send(index, framed);
        if (log_.dataOn()) log_.dataSentEncoded(index, logged ? *logged : loggedText(framed));
    } else {
        log_.dataSent(index, QStringLiteral("Fault SendData"));
    }
    connections_.restartKeepAlive(index);
}

void LineHub::SendeDaten(int index, QStringView text) {
    sendFramed(index, framing::frame(AnsiCodec::workstation().encode(text)));
}

void LineHub::TcpClient_DataArrival(int i, qint64 bytes) {
    const bool open = connections_.isOpen(i);
    // One arrival is one slice of what waits: its lines, its bytes, its dispatches.
    qint64& allowed = arrivalBytes_[static_cast<size_t>(i)];
    const qint64 slice = open ? std::min(bytes, allowed) : bytes;
    const qint64 began = clock_();
    if (log_.debugOn())
        log_.debugText(QLatin1String("TcpClient_DataArrival Start: Index: ") + number(i) + QLatin1String(" Bytes: ") +
                       QString::number(slice));
    bool more = false;
    qint64 took = 0, waiting = 0;
    if (open) {
        QByteArray data = connections_.read(i, slice);
        waiting = connections_.bytesAvailable(i);
        more = data.size() == allowed && waiting > 0;
        const AnsiCodec& codec = AnsiCodec::workstation();
        if (log_.dataOn()) log_.dataReceivedEncoded(i, Log::asLogged(data));
        frames_[static_cast<size_t>(i)].feed(std::move(data),
                                             [&](QByteArrayView message) { TextAuswerten(i, codec.decode(message)); });
    } else {
        log_.dataReceived(i, QStringLiteral("Fault DataArrival"));
    }
    connections_.restartReplyTimer(i);
    if (log_.debugOn()) log_.debug(QLatin1String("TcpClient_DataArrival"), QLatin1String(" End"));
    if (open) {
        // The next slice of this connection: as many bytes as fit the budget at this one's pace.
        took = std::max<qint64>(clock_() - began, 1);
        if (took > ArrivalBudgetNs)
            allowed = std::max(MinArrivalBytes, allowed * ArrivalBudgetNs / took);
        else if (took < ArrivalBudgetNs / 2)
            allowed = std::min(MaxArrivalBytes, allowed * 2);
    }
    // A connection whose slice took the whole budget, and that has at least a full slice more
    // waiting, waits as long before its next one: however fast one server writes, it gets at most
    // about half of the thread, and the rest of the line (and the servers that read what is sent)
    // keep pace. One that is only a few reports behind (after the whole thread was held up, say)
    // goes on at the next turn of the event loop: a pause would only delay its reports.
    if (more) {
        const bool flooding = took >= ArrivalBudgetNs && waiting >= MaxArrivalBytes;
        const qint64 pauseMs = flooding ? std::min<qint64>(took / 1'000'000, MaxArrivalPauseMs) : 0;
        connections_.continueArrival(i, static_cast<int>(pauseMs));
    }
}

void LineHub::TextAuswerten(int index, QStringView message) {
    DebugScope debug(log_, "TextAuswerten");
    if (message.startsWith(payload::LiefereLinienLayout)) {
        SendeDaten(index,
                   payload::HierLinienLayout + payload::layoutEntries(layout_, settings_.codePage, settings_.lcId));
    } else if (message.startsWith(payload::LiefereLinienDaten)) {
        LiefereDaten(index);
        SendeDaten(index, QString(payload::LiefereDeineDaten));
    } else if (message.startsWith(payload::HierMaschinenDaten)) {
        payload::readMachineData(message.sliced(payload::HierMaschinenDaten.size()), layout_, &log_, observer_);
        LinienDatenAuswerten();
    }
}

QByteArray LineHub::lineDataFrame() { return lineData_.frame(layout_, AnsiCodec::workstation()); }

void LineHub::LiefereDaten(int index) {
    DebugScope debug(log_, "LiefereDaten");
    sendFramed(index, lineDataFrame());
}

const LineHub::Addresses& LineHub::addresses() {
    Addresses& d = addresses_;
    bool same = d.valid;
    for (size_t m = 0; m < MachineSlots && same; ++m) {
        // The kept copy of an address shares its characters with the layout's until it changes.
        const QString& address = layout_.Machines[m].Address;
        same = d.enabled[m] == layout_.Machines[m].Enabled && d.address[m].size() == address.size() &&
               (d.address[m].constData() == address.constData() || d.address[m] == address);
    }
    if (same) return d;
    d.valid = true;
    d.targets.clear();
    for (size_t i = 0; i < MachineSlots; ++i) {
        d.enabled[i] = layout_.Machines[i].Enabled;
        d.address[i] = layout_.Machines[i].Address;
    }
    // Equal addresses form classes (the comparison is an equivalence), each named by its lowest slot.
    for (size_t i = 0; i < MachineSlots; ++i) {
        d.group[i] = static_cast<int>(i);
        for (size_t j = 0; j < i; ++j)
            if (d.group[j] == static_cast<int>(j) && sameAddress(d.address[j], d.address[i])) {
                d.group[i] = static_cast<int>(j);
                break;
            }
    }
    std::array<bool, MachineSlots> served{};
    for (size_t i = 0; i < MachineSlots; ++i) {
        const size_t g = static_cast<size_t>(d.group[i]);
        if (!d.enabled[i] || served[g]) continue;
        served[g] = true;
        d.targets.push_back(static_cast<int>(i));
    }
    return d;
}

void LineHub::LinienDatenAuswerten() {
    DebugScope debug(log_, "LinienDatenAuswerten");
    // Every distinct server address gets the line data once, over its owning slot's connection.
    // The message is the same for all of them, so it is built and framed once. It goes out before
    // the tiles are given the new data: they are painted only once control is back in the event
    // loop anyway, and the servers do not wait for the view's work.
    const std::vector<int>& targets = addresses().targets;
    if (!targets.empty()) {
        const QByteArray framed = lineDataFrame();
        // Its data lines share one text as well.
        const QByteArray logged = log_.dataOn() ? loggedText(framed) : QByteArray();
        for (int i : targets) {
            DebugScope liefere(log_, "LiefereDaten");
            sendFramed(i, framed, &logged);
        }
    }
    for (size_t m = 0; m < MachineSlots; ++m)
        if (layout_.Machines[m].Enabled)
            view_->showMachineData(static_cast<int>(m), layout_.Machines[m], layout_.MachineDataNow[m]);

    groupStatus_.fill(machine_status::Off);
    groupDisplayState_.fill(display_rank::None);
    for (int m = 0; m < MachineSlots; ++m) {
        const MachineRecord& machine = layout_.Machines[static_cast<size_t>(m)];
        if (!machine.Enabled || machine.Group < 0 || machine.Group >= GroupCount) continue;
        const MachineData& data = layout_.MachineDataNow[static_cast<size_t>(m)];
        const size_t g = static_cast<size_t>(machine.Group);
        // Slots are visited in order and only a higher rank replaces, so on equal ranks the lower slot wins.
        if (data.DisplayState > groupDisplayState_[g]) {
            groupDisplayState_[g] = data.DisplayState;
            groupStatus_[g] = data.Status;
        }
    }
    for (int g = 0; g < GroupCount; ++g) view_->showGroupStatus(g, groupStatus_[static_cast<size_t>(g)]);
}

} // namespace net
