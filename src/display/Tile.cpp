#include "display/Tile.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

namespace display {

Tile::Tile(int index, QWidget* parent) : QWidget(parent), index_(index) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
    // A click or touch gives the tile the focus, so the Menu key and Shift+F10 then open its menu;
    // the tab order stays the buttons'.
    setFocusPolicy(Qt::ClickFocus);
    hold_ = new QTimer(this);
    hold_->setSingleShot(true);
    hold_->setInterval(HoldMs);
    connect(hold_, &QTimer::timeout, this, [this] {
        held_ = true;
        emit menuRequested(index_, mapToGlobal(pressPos_));
    });
}

void Tile::mousePressEvent(QMouseEvent* event) {
    held_ = false;
    if (event->button() != Qt::LeftButton) return;
    pressPos_ = event->position().toPoint();
    hold_->start();
}

void Tile::mouseMoveEvent(QMouseEvent* event) {
    // A finger that slides is no hold.
    if (hold_->isActive() &&
        (event->position().toPoint() - pressPos_).manhattanLength() > QApplication::startDragDistance())
        hold_->stop();
}

void Tile::mouseReleaseEvent(QMouseEvent* event) {
    hold_->stop();
    if (held_) {
        held_ = false;
        return;
    }
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Click(index_);
}

void Tile::contextMenuEvent(QContextMenuEvent* event) {
    hold_->stop();
    const QPoint at = event->reason() == QContextMenuEvent::Mouse ? event->globalPos() : mapToGlobal(rect().center());
    emit menuRequested(index_, at);
    event->accept();
}

void Tile::keyPressEvent(QKeyEvent* event) {
    const bool menuKey =
        event->key() == Qt::Key_Menu || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
    if (!menuKey) {
        QWidget::keyPressEvent(event);
        return;
    }
    emit menuRequested(index_, mapToGlobal(rect().center()));
    event->accept();
}

} // namespace display
