#pragma once
// The time-in-state bar's arithmetic and colours: how long a machine (or the sum of a group's
// machines) spent in each status and not connected over a range, laid out left to right in
// whole pixels, and the tiles' colour of each state. Needs no window.

#include "store/Query.h"

#include <QColor>
#include <QString>

#include <array>
#include <vector>

namespace records {

// The states left to right: running first, then the ones that need attention by urgency, then
// off and the time of the range nothing is known of.
constexpr std::array<int, 9> BarOrder{
    1, 6, 2, 3, 4, 5, store::TimeInState::NotConnected, 0, store::TimeInState::Unknown};

// The tiles' colour of a status code (0 and 1 and codes above 6 are the calm grey).
QColor statusColour(int status);
// The text on a chip of that colour.
QColor chipTextColour(int status);

// How the bar draws one state: its colour, hatched where two states share a colour (off beside
// normal, not connected beside the disconnected status).
struct StateLook {
    QColor colour;
    bool hatched = false;
};
StateLook stateLook(int state);
// A state's name in the legend: the status names, "Not connected", "No data".
QString stateName(int state);

struct BarSegment {
    int state = 0;
    int left = 0;
    int width = 0;
};
// The states with time in them, in BarOrder, over `widthPx` pixels: the widths add up to the
// whole width, each proportional to its time within a pixel, and no state with time is narrower
// than one pixel while the width allows. No segments when no time is known.
std::vector<BarSegment> barSegments(const store::TimeInState& figures, int widthPx);

struct Figure {
    int state = 0;
    qint64 ms = 0;
    double percent = 0;
};
// Every state in BarOrder with its time and its share of the range.
std::vector<Figure> figures(const store::TimeInState& figures);
// The share as the legend shows it: "65.0 %"; "–" for a state without time.
QString shareText(const Figure& figure);

// Two machines' figures together (machine time: a group's sum over its machines).
store::TimeInState operator+(const store::TimeInState& a, const store::TimeInState& b);

} // namespace records
