#include "display/GroupModul.h"

#include "display/TileStyle.h"

#include <QMouseEvent>
#include <QPainter>

using namespace tile_style;

GroupModul::GroupModul(int index, QWidget* parent) : QWidget(parent), index_(index) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

template <typename T>
void GroupModul::assign(T& field, const T& value) {
    if (field == value) return;
    field = value;
    update();
}

void GroupModul::setGroupName(const QString& name) { assign(name_, name); }
void GroupModul::setStatus(int16_t status) { assign(status_, status); }
void GroupModul::setFontName(const QString& fontName) { assign(fontName_, fontName); }
void GroupModul::setLcId(int32_t lcId) { lcId_ = lcId; }
void GroupModul::setDisplayMode(int16_t mode) { assign(displayMode_, mode); }

void GroupModul::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Click(index_);
}

void GroupModul::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, Window);
    const QRect body = r.adjusted(1, 1, -1, -1);
    const bool edit = displayMode_ == 0;
    const StatusLook look = lookFor(edit ? int16_t(0) : status_);
    p.fillRect(body, edit ? EditSurface : Surface);
    const int band = look.alarm ? 7 : 4;
    p.fillRect(QRect(body.left(), body.top(), band, body.height()), edit ? EditFrame : look.band);
    if (look.chip.isValid() && !edit)
        p.fillRect(QRect(body.right() - 10, body.top() + 3, 7, body.height() - 6), look.chip);

    QFont f(fontName_.isEmpty() ? font().family() : fontName_);
    f.setPixelSize(std::max(8, r.height() * 12 / 24));
    f.setBold(true);
    p.setFont(f);
    p.setPen(name_.isEmpty() ? QColor(0x80, 0x80, 0x80) : Text);
    const QRect textRect = body.adjusted(band + 5, 0, -14, 0);
    const QString label = name_.isEmpty() ? QStringLiteral("—") : name_;
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, p.fontMetrics().elidedText(label, Qt::ElideRight, textRect.width()));

    if (edit)
        p.setPen(QPen(EditFrame, 1, Qt::DashLine));
    else
        p.setPen(QPen(look.alarm ? look.band : Frame, 1));
    p.drawRect(body.adjusted(0, 0, -1, -1));
}
