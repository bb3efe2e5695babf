#include "display/TileStyle.h"

using namespace base;

namespace display {

namespace tile_style {

StatusLook lookFor(int16_t status) {
    using namespace machine_status;
    // Ranks (low to high): Off and Normal, Info, Notice, Warning, Fault, Disconnected.
    switch (status) {
        using ui::Colour;
        using ui::colour;
    case Info: return {colour(Colour::StatusInfo), QColor(), QColor(), false};
    case Notice: return {colour(Colour::StatusNotice), QColor(), QColor(), false};
    case Warning: return {colour(Colour::StatusWarning), colour(Colour::StatusWarningChip), Text, false};
    case Fault: return {colour(Colour::StatusFault), colour(Colour::StatusFaultChip), Text, true};
    case Disconnected:
        return {colour(Colour::StatusDisconnected), colour(Colour::StatusDisconnected), colour(Colour::OnDark), true};
    default: return {Neutral, QColor(), QColor(), false};
    }
}

QString connectionLabel(ShownConnection state) {
    switch (state) {
    case ShownConnection::Connected: return QStringLiteral("LINK");
    case ShownConnection::Waiting: return QStringLiteral("WAIT");
    default: return QStringLiteral("OFF");
    }
}

} // namespace tile_style

} // namespace display
