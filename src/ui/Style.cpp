#include "ui/Style.h"

#include "ui/Palette.h"

#include <QPalette>
#include <QPushButton>
#include <QWidget>

namespace ui {

void setButtonColour(QPushButton* button, bool green) {
    button->setStyleSheet(
        styleSheet(QStringLiteral("QPushButton { background-color: %1; color: @text; border: %2px solid @edge;"
                                  " border-radius: 2px; padding: 2px %3px; }"
                                  "QPushButton:hover { border-color: @edgeHover; }"
                                  "QPushButton:pressed { background-color: @pressed; }"
                                  "QPushButton:disabled { color: @textQuiet; border-color: @edgeDisabled; }"
                                  "QPushButton:focus { outline: none; border: 1px solid @focus; }")
                       .arg(green ? QStringLiteral("@modeOn") : QStringLiteral("@surface"))
                       .arg(ButtonBorderPx)
                       .arg(ButtonPaddingXPx)));
    button->setProperty("green", green);
}

void setGreyBackground(QWidget* widget) {
    widget->setAutoFillBackground(true);
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, colour(Colour::Surface));
    widget->setPalette(pal);
}

} // namespace ui
