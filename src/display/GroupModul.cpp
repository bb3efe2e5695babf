#include "display/GroupModul.h"

#include "display/TileStyle.h"

#include <QPainter>

using namespace base;

namespace display {

using namespace tile_style;

void GroupModul::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, Window);
    const QRect body = r.adjusted(1, 1, -1, -1);
    const bool edit = editing();
    const StatusLook look = lookFor(edit ? machine_status::Off : status_);
    p.fillRect(body, edit ? EditSurface : Surface);
    const int band = look.alarm ? 7 : 4;
    p.fillRect(QRect(body.left(), body.top(), band, body.height()), edit ? EditFrame : look.band);
    if (look.chip.isValid() && !edit)
        p.fillRect(QRect(body.right() - 10, body.top() + 3, 7, body.height() - 6), look.chip);

    QFont f(family());
    f.setPixelSize(std::max(8, r.height() * 12 / 24));
    f.setBold(true);
    p.setPen(name_.isEmpty() ? EmptyText : Text);
    const QRect textRect = body.adjusted(band + 5, 0, -14, 0);
    nameText_.set(name_.isEmpty() ? QStringLiteral("—") : name_, f, textRect.width(), layoutDirection());
    nameText_.draw(p, textRect);

    if (edit)
        p.setPen(QPen(EditFrame, 1, Qt::DashLine));
    else
        p.setPen(QPen(look.alarm ? look.band : Frame, 1));
    p.drawRect(body.adjusted(0, 0, -1, -1));
}

} // namespace display
