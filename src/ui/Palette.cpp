#include "ui/Palette.h"

#include <array>

namespace ui {

namespace {
struct Entry {
    Colour role;
    const char* name;
    QRgb rgb; // with an alpha above 0 where the colour is see-through
};

constexpr std::array<Entry, 41> Entries{{
    {Colour::Surface, "surface", 0xC0C0C0},
    {Colour::ModeOn, "modeOn", 0x00FF00},
    {Colour::TextDisabled, "textDisabled", 0x808080},
    {Colour::TextQuiet, "textQuiet", 0x8A8A8A},
    {Colour::Text, "text", 0x1E1E1E},
    {Colour::CellText, "cellText", 0x000000},
    {Colour::OnDark, "onDark", 0xFFFFFF},
    {Colour::Focus, "focus", 0x2F5F9A},
    {Colour::Heading, "heading", 0x808080},
    {Colour::EdgeQuiet, "edgeQuiet", 0x8A8A8A},
    {Colour::EdgeDisabled, "edgeDisabled", 0xA0A0A0},
    {Colour::EdgeHover, "edgeHover", 0x3C3C3C},
    {Colour::Edge, "edge", 0x7A7A7A},
    {Colour::Rule, "rule", 0xA4A4A4},
    {Colour::Pressed, "pressed", 0xA8A8A8},
    {Colour::PickMark, "pickMark", 0xB0B0B0},
    {Colour::ListSurface, "listSurface", 0xE0E0E0},
    {Colour::ListEdge, "listEdge", 0x5A5A5A},
    {Colour::Trough, "trough", 0xB4B4B4},
    {Colour::Handle, "handle", 0xE2E2E2},
    {Colour::ArrowButton, "arrowButton", 0xD0D0D0},
    {Colour::Arrow, "arrow", 0x3A3A3A},
    {Colour::GripLine, "gripLine", 0xD8D8D8},
    {Colour::White, "white", 0xFFFFFF},
    {Colour::TileSurface, "tileSurface", 0xD6D6D6},
    {Colour::TileUnused, "tileUnused", 0xC8C8C8},
    {Colour::TileEdit, "tileEdit", 0xE6ECF2},
    {Colour::TileFrame, "tileFrame", 0x969696},
    {Colour::TileSubText, "tileSubText", 0x4A4A4A},
    {Colour::TileNeutral, "tileNeutral", 0xA4A4A4},
    {Colour::TileEmptyText, "tileEmptyText", 0x808080},
    {Colour::Indicator, "indicator", 0x404040},
    {Colour::IndicatorWaiting, "indicatorWaiting", 0xC88A00},
    {Colour::StaleWash, "staleWash", 0x96C0C0C0},
    {Colour::StatusInfo, "statusInfo", 0x86A8C4},
    {Colour::StatusNotice, "statusNotice", 0x3A78B8},
    {Colour::StatusWarning, "statusWarning", 0xE6CC00},
    {Colour::StatusWarningChip, "statusWarningChip", 0xF2DC2A},
    {Colour::StatusFault, "statusFault", 0xEE8200},
    {Colour::StatusFaultChip, "statusFaultChip", 0xF08C10},
    {Colour::StatusDisconnected, "statusDisconnected", 0xCC1A1A},
}};
} // namespace

QColor colour(Colour role) {
    for (const Entry& e : Entries)
        if (e.role == role) return (e.rgb >> 24) ? QColor::fromRgba(e.rgb) : QColor::fromRgb(e.rgb);
    return {};
}

QString styleSheet(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('@')) {
            out += text[i];
            continue;
        }
        const QStringView rest = text.mid(i + 1);
        bool replaced = false;
        for (const Entry& e : Entries) {
            const QLatin1String name(e.name);
            if (!rest.startsWith(name)) continue;
            const qsizetype after = name.size();
            if (after < rest.size() && rest[after].isLetterOrNumber()) continue; // a longer name
            out += QColor::fromRgb(e.rgb).name();
            i += after;
            replaced = true;
            break;
        }
        if (!replaced) out += text[i];
    }
    return out;
}

} // namespace ui
