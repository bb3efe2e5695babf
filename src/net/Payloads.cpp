#include "net/Payloads.h"

#include "net/LineView.h"

#include "base/AnsiCodec.h"
#include "base/Numbers.h"
#include "log/Log.h"

#include <charconv>
#include <cmath>

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

QByteArray lineDataBytes(const LineLayout& layout, const AnsiCodec& codec) {
    QByteArray out;
    out.reserve(MachineSlots * 64);
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
    for (int m = 0; m < MachineSlots; ++m) {
        if (!layout.Machines[static_cast<size_t>(m)].Enabled) continue;
        const MachineData& d = layout.MachineDataNow[static_cast<size_t>(m)];
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
    return out;
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
