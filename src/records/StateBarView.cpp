#include "records/StateBarView.h"

#include "records/HistoryTexts.h"
#include "records/StateBar.h"
#include "ui/Palette.h"

#include <QPainter>

#include <algorithm>

using store::TimeInState;
using ui::Colour;
using ui::colour;

namespace records {

namespace {
constexpr int BarHeight = 28;
constexpr int LegendTop = BarHeight + 10;
constexpr int LegendRow = 24;
constexpr int LegendColumnWidth = 400;
constexpr int Chip = 14;

void fillState(QPainter& p, const QRect& r, int state) {
    const StateLook look = stateLook(state);
    p.fillRect(r, look.colour);
    // Light stripes across the colour: still read as that colour, yet told apart.
    if (look.hatched) p.fillRect(r, QBrush(colour(Colour::TileSurface), Qt::BDiagPattern));
}
} // namespace

StateBarView::StateBarView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TimeInStateBar"));
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void StateBarView::setFigures(const TimeInState& figures) {
    figures_ = figures;
    update();
}

int StateBarView::legendColumns(int width) {
    return std::max(1, std::min(static_cast<int>(BarOrder.size()), width / LegendColumnWidth));
}

int StateBarView::heightForWidth(int width) const {
    const int columns = legendColumns(width);
    const int rows = (static_cast<int>(BarOrder.size()) + columns - 1) / columns;
    return LegendTop + rows * LegendRow;
}

QSize StateBarView::sizeHint() const { return {LegendColumnWidth * 5, heightForWidth(LegendColumnWidth * 5)}; }

QSize StateBarView::minimumSizeHint() const { return {LegendColumnWidth, heightForWidth(LegendColumnWidth)}; }

void StateBarView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect bar(0, 0, width(), BarHeight);
    p.fillRect(bar, colour(Colour::TileUnused));
    for (const BarSegment& s : barSegments(figures_, bar.width() - 2))
        fillState(p, QRect(bar.left() + 1 + s.left, bar.top() + 1, s.width, bar.height() - 2), s.state);
    p.setPen(colour(Colour::TileFrame));
    p.drawRect(bar.adjusted(0, 0, -1, -1));

    // The legend: every state in the bar's order, in columns that fill the width, each with its
    // name, its time and its share, the figures right-aligned so that they line up.
    const int columns = legendColumns(width());
    const int columnWidth = width() / columns;
    QFont bold = font();
    bold.setBold(true);
    QFont plain = font();
    plain.setBold(false);
    const QFontMetrics plainMetrics(plain);
    const int shareWidth = plainMetrics.horizontalAdvance(QStringLiteral("100.0 %"));
    const int timeWidth = plainMetrics.horizontalAdvance(QStringLiteral("23 h 59 min"));
    const std::vector<Figure> shares = records::figures(figures_);
    for (size_t i = 0; i < shares.size(); ++i) {
        const Figure& f = shares[i];
        const int x = static_cast<int>(i) % columns * columnWidth;
        const int y = LegendTop + static_cast<int>(i) / columns * LegendRow;
        const int right = x + columnWidth - 24; // a gap before the next column
        const QRect chip(x, y + (LegendRow - Chip) / 2, Chip, Chip);
        fillState(p, chip, f.state);
        p.setPen(colour(Colour::TileFrame));
        p.drawRect(chip.adjusted(0, 0, -1, -1));
        p.setPen(colour(f.ms > 0 ? Colour::Text : Colour::TextDisabled));
        p.setFont(bold);
        p.drawText(QRect(x + Chip + 8, y, right - x - Chip - 8, LegendRow), Qt::AlignLeft | Qt::AlignVCenter,
                   stateName(f.state));
        p.setFont(plain);
        p.drawText(QRect(right - shareWidth, y, shareWidth, LegendRow), Qt::AlignRight | Qt::AlignVCenter,
                   shareText(f));
        if (f.ms > 0)
            p.drawText(QRect(right - shareWidth - 16 - timeWidth, y, timeWidth, LegendRow),
                       Qt::AlignRight | Qt::AlignVCenter, durationText(f.ms));
    }
}

} // namespace records
