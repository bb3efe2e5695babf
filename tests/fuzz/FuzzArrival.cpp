// Bytes from a machine's server: arrivals on one connection, through frame extraction and the
// hub's dispatch, with in-process connections. The first byte picks the connection, the second
// the size of the pieces the bytes arrive in. Checks: every piece is consumed; the view hears
// only of slots 0..63 and groups 0..31; replies go only to connections 0..63; and the frames a
// frame buffer finds in the pieces are those a simple splitter finds in the whole.
#include "net/Framing.h"
#include "net/LineHub.h"

#include "../support/NetFakes.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace base;
using namespace logfile;
using namespace net;

namespace {
// The reference: the text between an end marker and the last start marker before it, scanning
// the whole input once.
std::vector<QByteArray> referenceFrames(const QByteArray& all) {
    std::vector<QByteArray> frames;
    qsizetype pos = 0;
    for (;;) {
        const qsizetype end = all.indexOf(framing::EndMarker.toByteArray(), pos);
        if (end < 0) break;
        const qsizetype start = all.mid(pos, end - pos).lastIndexOf(framing::StartMarker.toByteArray());
        if (start >= 0)
            frames.push_back(
                all.mid(pos + start + framing::StartMarker.size(), end - pos - start - framing::StartMarker.size()));
        pos = end + framing::EndMarker.size();
    }
    return frames;
}

struct CheckingView : SlotView {
    void showConnectionState(int slot, ShownConnection) override { check(slot, MachineSlots); }
    void showMachineData(int slot, const MachineRecord&, const MachineData&) override { check(slot, MachineSlots); }
    void showGroupStatus(int group, int16_t) override { check(group, GroupCount); }
    static void check(int index, int count) {
        if (index < 0 || index >= count) std::abort();
    }
};

struct Rig {
    LineLayout layout;
    GeneralSettings settings;
    Log log;
    CheckingView view;
    FakeConnections connections;
    LineHub hub{layout, settings, log, view, connections};
    Rig() {
        for (int s = 0; s < MachineSlots; ++s) {
            layout.Machines[static_cast<size_t>(s)].Enabled = s % 3 != 2;
            layout.Machines[static_cast<size_t>(s)].Group = static_cast<int16_t>(s % 33 - 1);
            connections.openNow[static_cast<size_t>(s)] = true;
        }
        hub.switchOn();
        for (int s = 0; s < MachineSlots; ++s) hub.TcpClient_Connect(s);
    }
};
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static Rig rig;
    const int slot = data[0] % MachineSlots;
    const size_t piece = 1 + data[1] % 97;
    const QByteArray all(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2));

    rig.connections.sent.clear();
    framing::FrameBuffer buffer;
    std::vector<QByteArray> found;
    for (qsizetype at = 0; at < all.size(); at += static_cast<qsizetype>(piece)) {
        const QByteArray part = all.mid(at, static_cast<qsizetype>(piece));
        buffer.feed(part, [&found](QByteArrayView text) { found.push_back(text.toByteArray()); });
        // The same piece through the hub, as the socket would deliver it.
        rig.connections.incoming[static_cast<size_t>(slot)] += part;
        rig.connections.continued.clear();
        rig.hub.TcpClient_DataArrival(slot, part.size());
        for (int guard = 0; !rig.connections.continued.isEmpty() && guard < 100000; ++guard) {
            rig.connections.continued.clear();
            rig.hub.TcpClient_DataArrival(slot, rig.connections.bytesAvailable(slot));
        }
        if (rig.connections.bytesAvailable(slot) != 0) std::abort(); // an arrival was left unread
    }
    if (found != referenceFrames(all)) std::abort();
    for (const auto& sent : rig.connections.sent)
        if (sent.first < 0 || sent.first >= MachineSlots) std::abort();
    return 0;
}
