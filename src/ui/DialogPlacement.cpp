#include "ui/DialogPlacement.h"

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
    const QRect o = owner->frameGeometry();
    dialog->move((o.width() - dialog->width()) / 2 + o.left(), (o.height() - dialog->height()) / 2 + o.top());
}

} // namespace ui
