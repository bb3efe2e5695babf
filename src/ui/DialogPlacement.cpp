#include "ui/DialogPlacement.h"

#include "ui/Twips.h"

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

} // namespace ui
