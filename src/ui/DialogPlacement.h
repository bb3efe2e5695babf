#pragma once
// How the configuration dialogs sit on the screen: centred over their owner, and kept above all
// other windows while they are open on stations that ask for it.

class QSize;
class QWidget;

namespace ui {

// Sets or clears the window's stays-on-top state (without hiding a visible window).
void setTopmost(QWidget* window, bool topmost);

// Left := (owner width - dialog width) / 2 + owner left, likewise Top, in twips.
void centreOver(QWidget* dialog, const QWidget* owner);

// A window that is not a dialog (the History and Settings versions windows) at its first showing:
// its preferred size, smaller where the screen is smaller, centred over its owner and wholly on the
// owner's screen.
void placeOnScreen(QWidget* window, const QWidget* owner, const QSize& preferred);

} // namespace ui
