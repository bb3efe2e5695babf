#include "display/Tile.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace display {

PaintPacer::PaintPacer(QObject* parent) : QObject(parent), timer_(new QTimer(this)) {
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &PaintPacer::flush);
}

PaintPacer& PaintPacer::instance() {
    static QPointer<PaintPacer> pacer;
    if (!pacer) pacer = new PaintPacer(QCoreApplication::instance());
    return *pacer;
}

void PaintPacer::request(QWidget* widget) {
    if (!timer_->isActive() && (!sinceFrame_.isValid() || sinceFrame_.elapsed() >= FrameMs)) {
        widget->update();
        sinceFrame_.start();
        return;
    }
    if (!waiting_.contains(widget)) waiting_.append(widget);
    if (!timer_->isActive()) timer_->start(static_cast<int>(std::max<qint64>(0, FrameMs - sinceFrame_.elapsed())));
}

void PaintPacer::flush() {
    for (const QPointer<QWidget>& widget : std::exchange(waiting_, {}))
        if (widget) widget->update();
    sinceFrame_.start();
}

void Tile::repaintSoon() { PaintPacer::instance().request(this); }

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
