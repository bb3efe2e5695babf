#include "net/Payloads.h"

#include "net/LineView.h"

#include "base/AnsiCodec.h"
#include "base/Numbers.h"
#include "log/Log.h"
#include "net/Framing.h"

#include <charconv>
#include <cmath>
#include <cstring>

using namespace base;
using namespace logfile;

namespace net {

namespace payload {

namespace {
void entry(QString& out, QLatin1String key, int n, QStringView value) {
    out.append(key).append(QString::number(n)).append(QLatin1Char('=')).append(value).append(QLatin1Char(';'));
}

void entry(QString& out, QLatin1String key, int n, qint64 value) {
    out.append(key)
        .append(QString::number(n))
        .append(QLatin1Char('='))
        .append(QString::number(value))
        .append(QLatin1Char(';'));
}
} // namespace

QString layoutEntries(const LineLayout& layout, int32_t codePage, int32_t lcId) {
    QString out;
    out.reserve(4096);
    out.append(QLatin1String("GeneralCodePage=")).append(QString::number(codePage)).append(QLatin1Char(';'));
    out.append(QLatin1String("GeneralLcId=")).append(QString::number(lcId)).append(QLatin1Char(';'));
    for (int g = 0; g < GroupCount; ++g) entry(out, QLatin1String("GrName"), g, layout.groupName(g));
    for (int m = 0; m < MachineSlots; ++m) {
        const MachineRecord& r = layout.Machines[static_cast<size_t>(m)];
        if (!r.Enabled) continue;
        entry(out, QLatin1String("MaName"), m, r.Text);
        entry(out, QLatin1String("MaAdresse"), m, r.Address);
        entry(out, QLatin1String("MaNr"), m, r.Machine);
        entry(out, QLatin1String("MaFernwart"), m, r.RemoteControl ? 1 : 0);
        entry(out, QLatin1String("MaSymbol"), m, r.Symbol);
        entry(out, QLatin1String("MaStatusPLC"), m, r.StatusPLC ? 1 : 0);
        entry(out, QLatin1String("MaGruppe"), m, r.Group);
        for (int j = 1; j <= VisuGroupPositions; ++j) {
            // The position digit comes first, the slot after it: MaGroupVisu312 is slot 12, position 3.
            out.append(QLatin1String("MaGroupVisu")).append(QString::number(j)).append(QString::number(m));
            out.append(QLatin1Char('=')).append(QString::number(r.VisuGroup[static_cast<size_t>(j - 1)]));
            out.append(QLatin1Char(';'));
        }
    }
    return out;
}

namespace {
// One enabled slot's line-data entries: "Status<m>=..;Text<m>=..;CodePage<m>=..;LcId<m>=..;".
void appendSlotEntries(QByteArray& out, int m, const MachineData& d, const AnsiCodec& codec) {
    const auto key = [&out](const char* name, size_t length, int n) {
        char digits[8];
        const auto end = std::to_chars(digits, digits + sizeof(digits), n).ptr;
        out.append(name, static_cast<qsizetype>(length)).append(digits, end - digits).append('=');
    };
    const auto number = [&out](qint64 value) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof(digits), value).ptr;
        out.append(digits, end - digits).append(';');
    };
    key("Status", 6, m);
    number(d.Status);
    key("Text", 4, m);
    codec.appendEncoded(out, d.Text);
    out.append(';');
    key("CodePage", 8, m);
    number(d.CodePage);
    key("LcId", 4, m);
    number(d.LcId);
}

bool sameLineData(const MachineData& a, const MachineData& b) {
    // A text kept from the last message usually shares its characters with the current one.
    return a.Status == b.Status && a.CodePage == b.CodePage && a.LcId == b.LcId && a.Text.size() == b.Text.size() &&
           (a.Text.constData() == b.Text.constData() || a.Text == b.Text);
}
} // namespace

QByteArray lineDataBytes(const LineLayout& layout, const AnsiCodec& codec) {
    QByteArray out;
    out.reserve(MachineSlots * 64);
    for (int m = 0; m < MachineSlots; ++m)
        if (layout.Machines[static_cast<size_t>(m)].Enabled)
            appendSlotEntries(out, m, layout.MachineDataNow[static_cast<size_t>(m)], codec);
    return out;
}

const QByteArray& LineDataFrame::frame(const LineLayout& layout, const AnsiCodec& codec) {
    bool changed = !built_ || codec.codePage() != codePage_;
    if (codec.codePage() != codePage_) {
        codePage_ = codec.codePage();
        for (Slot& slot : slots_) slot.valid = false;
    }
    qsizetype size = 0;
    for (size_t m = 0; m < MachineSlots; ++m) {
        Slot& slot = slots_[m];
        const bool enabled = layout.Machines[m].Enabled;
        const MachineData& data = layout.MachineDataNow[m];
        if (!slot.valid || slot.enabled != enabled || (enabled && !sameLineData(slot.data, data))) {
            slot.valid = true;
            slot.enabled = enabled;
            slot.data = data;
            slot.entries.resize(0);
            if (enabled) appendSlotEntries(slot.entries, static_cast<int>(m), data, codec);
            changed = true;
        }
        size += slot.entries.size();
    }
    if (!changed) return frame_;
    built_ = true;
    size += framing::StartMarker.size() + HierLinienDaten.size() + framing::EndMarker.size();
    // A new buffer: the previous message may still be shared by a send that keeps it.
    QByteArray out(size, Qt::Uninitialized);
    char* p = out.data();
    const auto put = [&p](const char* bytes, qsizetype n) {
        std::memcpy(p, bytes, static_cast<size_t>(n));
        p += n;
    };
    put(framing::StartMarker.data(), framing::StartMarker.size());
    put(HierLinienDaten.data(), HierLinienDaten.size());
    for (const Slot& slot : slots_) put(slot.entries.constData(), slot.entries.size());
    put(framing::EndMarker.data(), framing::EndMarker.size());
    frame_ = std::move(out);
    return frame_;
}

std::optional<QStringView> WerteAufbroeseln(QStringView key, QStringView text) {
    qsizetype entryStart = 0;
    const qsizetype size = text.size();
    while (entryStart <= size) {
        const qsizetype semicolon = text.indexOf(QLatin1Char(';'), entryStart);
        const qsizetype entryEnd = semicolon < 0 ? size : semicolon;
        const QStringView entryText = text.sliced(entryStart, entryEnd - entryStart);
        if (entryText.size() > key.size() && entryText.startsWith(key) && entryText[key.size()] == QLatin1Char('=')) {
            if (semicolon < 0) return std::nullopt;
            return entryText.sliced(key.size() + 1);
        }
        if (semicolon < 0) break;
        entryStart = semicolon + 1;
    }
    return std::nullopt;
}

int readMachineData(QStringView payload, LineLayout& layout, Log* trace, LineObserver* observer) {
    static constexpr QLatin1String Status("Status");
    int taken = 0;
    qsizetype entryStart = 0;
    const qsizetype size = payload.size();
    while (entryStart < size) {
        const qsizetype semicolon = payload.indexOf(QLatin1Char(';'), entryStart);
        const qsizetype entryEnd = semicolon < 0 ? size : semicolon;
        const QStringView entryText = payload.sliced(entryStart, entryEnd - entryStart);
        entryStart = entryEnd + 1;
        if (!entryText.startsWith(Status)) continue;
        const qsizetype eq = entryText.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        const QStringView slotText = entryText.sliced(Status.size(), eq - Status.size());
        const std::optional<qint64> slot = leadingNumber(slotText, 0, MachineSlots - 1);
        if (!slot) continue;

        QString key;
        const auto value = [&](QLatin1String name) {
            std::optional<DebugScope> debug;
            if (trace) debug.emplace(*trace, "WerteAufbroeseln");
            key.resize(0);
            key.append(name).append(slotText);
            return WerteAufbroeseln(key, payload);
        };
        const std::optional<QStringView> statusText = value(Status);
        const std::optional<QStringView> text = value(QLatin1String("Text"));
        const std::optional<QStringView> codePageText = value(QLatin1String("CodePage"));
        const std::optional<QStringView> lcIdText = value(QLatin1String("LcId"));
        if (!statusText || !text || !codePageText || !lcIdText) continue;
        const std::optional<qint64> status = leadingNumber(*statusText, INT16_MIN, INT16_MAX);
        const std::optional<qint64> codePage = leadingNumber(*codePageText, INT32_MIN, INT32_MAX);
        const std::optional<qint64> lcId = leadingNumber(*lcIdText, INT32_MIN, INT32_MAX);
        if (!status || !codePage || !lcId) continue;

        MachineData& now = layout.MachineDataNow[static_cast<size_t>(*slot)];
        const MachineData before = observer ? now : MachineData{};
        now.Status = static_cast<int16_t>(*status);
        now.DisplayState = displayStateFor(now.Status, now.DisplayState);
        now.Text = text->toString();
        now.CodePage = static_cast<int32_t>(*codePage);
        now.LcId = static_cast<int32_t>(*lcId);
        layout.MachineDataShown[static_cast<size_t>(*slot)] = now;
        if (observer) observer->slotReported(static_cast<int>(*slot), before, now);
        ++taken;
    }
    return taken;
}

} // namespace payload

} // namespace net
