#pragma once
// Fonts and captions: the defined font faces are mapped to metric-compatible families that a
// Debian station has, and a caption that still does not fit its control shrinks until it does.

#include <QString>

class QWidget;

namespace ui {

// Maps Arial, "Arial Unicode MS" and "Lucida Sans Unicode" to Liberation Sans (same metrics as
// Arial), with DejaVu Sans behind it for scripts Liberation lacks. Call once before any window.
void installFontSubstitutions();

// The width a control's caption has: its rectangle less the frame and padding its style draws.
int captionWidth(const QWidget* control);

// Shrinks the control's font in 0.5 pt steps, to no less than 7 pt, until its caption fits
// captionWidth() less `margin` pixels. A caption that fits keeps its font.
void fitCaption(QWidget* control, int margin = 0);

// The caption of a button, label or check box (empty for anything else).
QString captionOf(const QWidget* control);

} // namespace ui
