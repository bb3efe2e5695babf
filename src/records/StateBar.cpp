#include "records/StateBar.h"

#include "records/HistoryTexts.h"
#include "ui/Palette.h"

#include <algorithm>

using store::TimeInState;
using ui::Colour;
using ui::colour;

namespace records {

QColor statusColour(int status) {
    switch (status) {
    case 2: return colour(Colour::StatusNotice);
    case 3: return colour(Colour::StatusWarning);
    case 4: return colour(Colour::StatusFault);
    case 5: return colour(Colour::StatusDisconnected);
    case 6: return colour(Colour::StatusInfo);
    default: return colour(Colour::TileNeutral);
    }
}

QColor chipTextColour(int status) { return status == 2 || status == 5 ? colour(Colour::OnDark) : colour(Colour::Text); }

StateLook stateLook(int state) {
    if (state == TimeInState::NotConnected) return {colour(Colour::StatusDisconnected), true};
    if (state == TimeInState::Unknown) return {colour(Colour::TileUnused), false};
    return {statusColour(state), state == 0};
}

QString stateName(int state) {
    if (state == TimeInState::NotConnected) return QStringLiteral("Not connected");
    if (state == TimeInState::Unknown) return QStringLiteral("No data");
    return statusName(state);
}

std::vector<BarSegment> barSegments(const TimeInState& figures, int widthPx) {
    std::vector<BarSegment> out;
    qint64 total = 0;
    for (int state : BarOrder) total += std::max<qint64>(0, figures.ms[static_cast<size_t>(state)]);
    if (total <= 0 || widthPx <= 0) return out;
    // Each edge is the running total scaled and rounded, so the widths always add up.
    qint64 before = 0;
    for (int state : BarOrder) {
        const qint64 ms = std::max<qint64>(0, figures.ms[static_cast<size_t>(state)]);
        if (ms == 0) continue;
        const int left = static_cast<int>((before * widthPx + total / 2) / total);
        before += ms;
        const int right = static_cast<int>((before * widthPx + total / 2) / total);
        out.push_back({state, left, right - left});
    }
    // A state too short for a pixel of its own borrows one from the widest, while there are
    // pixels enough for every state.
    if (static_cast<int>(out.size()) <= widthPx) {
        for (BarSegment& thin : out) {
            if (thin.width > 0) continue;
            auto widest = std::max_element(out.begin(), out.end(),
                                           [](const BarSegment& a, const BarSegment& b) { return a.width < b.width; });
            --widest->width;
            thin.width = 1;
        }
        int left = 0;
        for (BarSegment& s : out) {
            s.left = left;
            left += s.width;
        }
    }
    out.erase(std::remove_if(out.begin(), out.end(), [](const BarSegment& s) { return s.width == 0; }), out.end());
    return out;
}

std::vector<Figure> figures(const TimeInState& figures) {
    std::vector<Figure> out;
    for (int state : BarOrder) {
        const qint64 ms = std::max<qint64>(0, figures.ms[static_cast<size_t>(state)]);
        out.push_back({state, ms, figures.totalMs > 0 ? 100.0 * static_cast<double>(ms) / figures.totalMs : 0.0});
    }
    return out;
}

QString shareText(const Figure& figure) {
    if (figure.ms <= 0) return QStringLiteral("\u2013");
    return QStringLiteral("%1 %").arg(figure.percent, 0, 'f', 1);
}

TimeInState operator+(const TimeInState& a, const TimeInState& b) {
    TimeInState sum;
    for (size_t i = 0; i < sum.ms.size(); ++i) sum.ms[i] = a.ms[i] + b.ms[i];
    sum.totalMs = a.totalMs + b.totalMs;
    return sum;
}

} // namespace records
