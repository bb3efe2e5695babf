#include "ui/DialogPlacement.h"

#include "ui/Twips.h"

#include <algorithm>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace ui {

void setTopmost(QWidget* window, bool topmost) {
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, topmost);
    if (window->isVisible()) {
        // setWindowFlags() would hide a shown window: change the platform window in place.
        window->overrideWindowFlags(flags);
        if (QWindow* handle = window->windowHandle()) handle->setFlags(flags);
    } else {
        window->setWindowFlags(flags);
    }
}

void centreOver(QWidget* dialog, const QWidget* owner) {
    if (!owner) return;
    // Worked out in twips, as the window positions are defined.
    const QRect o = owner->frameGeometry();
    const int left = (pixelsToTwipsX(o.width()) - pixelsToTwipsX(dialog->width())) / 2 + pixelsToTwipsX(o.left());
    const int top = (pixelsToTwipsY(o.height()) - pixelsToTwipsY(dialog->height())) / 2 + pixelsToTwipsY(o.top());
    dialog->move(twipsToPixelsX(left), twipsToPixelsY(top));
}

void placeOnScreen(QWidget* window, const QWidget* owner, const QSize& preferred) {
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), preferred);
    // Room for the frame the window manager adds.
    constexpr int Margin = 24;
    const QSize size(std::min(preferred.width(), area.width() - Margin),
                     std::min(preferred.height(), area.height() - 2 * Margin));
    window->resize(size.expandedTo(window->minimumSizeHint()).boundedTo(area.size()));
    const QPoint centre = owner ? owner->frameGeometry().center() : area.center();
    QRect placed(QPoint(0, 0), window->size());
    placed.moveCenter(centre);
    placed.moveLeft(std::clamp(placed.left(), area.left(), std::max(area.left(), area.right() - placed.width())));
    placed.moveTop(
        std::clamp(placed.top(), area.top(), std::max(area.top(), area.bottom() - placed.height() - Margin)));
    window->move(placed.topLeft());
}

} // namespace ui
