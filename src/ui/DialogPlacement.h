#pragma once
// How the configuration dialogs sit on the screen: centred over their owner, and kept above all
// other windows while they are open on stations that ask for it.

class QWidget;

namespace ui {

// Sets or clears the window's stays-on-top state (without hiding a visible window).
void setTopmost(QWidget* window, bool topmost);

// Left := (owner width - dialog width) / 2 + owner left, likewise Top, in twips.
void centreOver(QWidget* dialog, const QWidget* owner);

} // namespace ui
