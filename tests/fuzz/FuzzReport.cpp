// A machine report's payload: whatever the text, only slots 0..63 change, and a slot changes
// only when the payload names it with all four of its entries.
#include "net/Payloads.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

using namespace base;
using namespace net;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static LineLayout layout;
    const QString payload = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const LineLayout before = layout;
    const int taken = payload::readMachineData(payload, layout);
    // Every slot taken was named by a status entry (a slot named twice counts twice).
    if (taken < 0 || taken > payload.count(QStringLiteral("Status"))) std::abort();
    int changed = 0;
    for (int s = 0; s < MachineSlots; ++s) {
        const MachineData& now = layout.MachineDataNow[static_cast<size_t>(s)];
        const MachineData& was = before.MachineDataNow[static_cast<size_t>(s)];
        const bool differs =
            now.Status != was.Status || now.Text != was.Text || now.CodePage != was.CodePage || now.LcId != was.LcId;
        if (!differs) continue;
        ++changed;
        // A changed slot was named: its status entry is in the payload.
        if (!payload.contains(QStringLiteral("Status%1=").arg(s))) std::abort();
    }
    if (changed > taken) std::abort();
    return 0;
}
