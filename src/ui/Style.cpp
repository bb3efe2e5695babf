#include "ui/Style.h"

#include <QPalette>
#include <QPushButton>
#include <QWidget>

namespace ui {

void setButtonColour(QPushButton* button, bool green) {
    button->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; color: #1e1e1e; border: %2px solid #7a7a7a;"
                       " border-radius: 2px; padding: 2px %3px; }"
                       "QPushButton:hover { border-color: #3c3c3c; }"
                       "QPushButton:pressed { background-color: #a8a8a8; }"
                       "QPushButton:disabled { color: #8a8a8a; border-color: #a0a0a0; }"
                       "QPushButton:focus { outline: none; border: 1px solid #2f5f9a; }")
            .arg(green ? QStringLiteral("#00ff00") : QStringLiteral("#c0c0c0"))
            .arg(ButtonBorderPx)
            .arg(ButtonPaddingXPx));
    button->setProperty("green", green);
}

void setGreyBackground(QWidget* widget) {
    widget->setAutoFillBackground(true);
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    widget->setPalette(pal);
}

} // namespace ui
