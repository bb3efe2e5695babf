#pragma once
// The look the main window and the dialogs share: light grey surfaces and flat grey buttons.

#include <QString>

class QPushButton;
class QWidget;

namespace ui {

// The shared button style's frame and horizontal padding, in pixels.
constexpr int ButtonBorderPx = 1;
constexpr int ButtonPaddingXPx = 6;

// A button showing its back colour: light grey, or green while its mode is on.
void setButtonColour(QPushButton* button, bool green);

// Light grey window background.
void setGreyBackground(QWidget* widget);

} // namespace ui
