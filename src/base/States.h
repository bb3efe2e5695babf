#pragma once
// The program's named states and counts: how many slots, groups, tiles and table columns there
// are, the states of a connection and of its display, the status codes a machine reports with
// their ranks, and the results of the configuration dialogs.

#include <cstdint>

namespace base {

// Machine slots 0..63 and groups 0..31 of the line layout.
constexpr int MachineSlots = 64;
constexpr int GroupCount = 32;
// Positions 1..6 of a machine's visualisation groups.
constexpr int VisuGroupPositions = 6;

// The main window shows 24 machine tiles (three columns of eight) and 12 group tiles; one scroll
// step moves the machine tiles by 8 slots and the group tiles by 4 groups.
constexpr int MachineTiles = 24;
constexpr int GroupTiles = 12;
constexpr int SlotsPerScrollStep = 8;
constexpr int GroupsPerScrollStep = 4;
constexpr int ScrollPositions = (MachineSlots - MachineTiles) / SlotsPerScrollStep + 1;
static_assert((GroupCount - GroupTiles) / GroupsPerScrollStep + 1 == ScrollPositions);

// The machine table editor shows 14 columns; the stored widths have one position more (the last
// one is fixed at 10000).
constexpr int TableColumns = 14;
constexpr int TableSizePositions = TableColumns + 1;

// The state of one connection.
enum class ConnectionState : int16_t {
    NeverStarted = 0,
    Closed = 1, // by the user, after an error, or at shut-down
    ClosedByServer = 2,
    ConnectRequested = 3,
    Connected = 4,
};

// The connection state a machine slot shows.
enum class ShownConnection : int16_t {
    NotConnected = 0,
    Waiting = 1, // connecting or silent
    Connected = 2,
};

// Status codes a machine reports; the connection handling sets Disconnected while the line is
// switched on and the machine's server is not connected, and Off after switching off.
namespace machine_status {
constexpr int16_t Off = 0;
constexpr int16_t Normal = 1;
constexpr int16_t Notice = 2;
constexpr int16_t Warning = 3;
constexpr int16_t Fault = 4;
constexpr int16_t Disconnected = 5;
constexpr int16_t Info = 6;
constexpr int16_t Highest = 6;
} // namespace machine_status

// The rank of a status within its group: the machine with the highest rank decides the group.
namespace display_rank {
constexpr int16_t None = 0; // no enabled machine reported yet
constexpr int16_t Normal = 1;
constexpr int16_t Info = 2;
constexpr int16_t Notice = 3;
constexpr int16_t Warning = 4;
constexpr int16_t Fault = 5;
constexpr int16_t Disconnected = 6;
} // namespace display_rank

// The display mode of a tile.
enum class DisplayMode : int16_t {
    Edit = 0,
    Operating = 1,
};

// What a configuration dialog gives back.
enum class DialogResult : int16_t {
    Cancelled = 0,
    ConfirmedChanged = 1,
    ConfirmedUnchanged = 2,
};

} // namespace base
