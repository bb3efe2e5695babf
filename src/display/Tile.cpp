#include "display/Tile.h"

#include <QMouseEvent>

namespace display {

Tile::Tile(int index, QWidget* parent) : QWidget(parent), index_(index) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
}

void Tile::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Click(index_);
}

} // namespace display
