#include "records/ChangeDelegate.h"

#include "records/HistoryModel.h"
#include "records/HistoryTexts.h"
#include "records/StateBar.h"
#include "ui/Palette.h"

#include <QApplication>
#include <QPainter>

namespace records {

namespace {
constexpr int ChipPadding = 8;
constexpr int Gap = 6;
const QString Arrow = QStringLiteral("\u2192");

void drawChip(QPainter* p, const QRect& r, int status) {
    p->setPen(ui::colour(ui::Colour::TileFrame));
    p->setBrush(statusColour(status));
    p->drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    p->setPen(chipTextColour(status));
    p->drawText(r, Qt::AlignCenter, statusName(status));
}
} // namespace

int ChangeDelegate::chipWidth(const QFontMetrics& metrics) {
    int widest = 0;
    for (int s = 0; s <= 6; ++s) widest = std::max(widest, metrics.horizontalAdvance(statusName(s)));
    return widest + 2 * ChipPadding;
}

int ChangeDelegate::changeWidth(const QFontMetrics& metrics) {
    return 2 * chipWidth(metrics) + metrics.horizontalAdvance(Arrow) + 4 * Gap;
}

void ChangeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const int oldStatus = index.data(HistoryModel::OldStatusRole).toInt();
    const int newStatus = index.data(HistoryModel::NewStatusRole).toInt();
    if (newStatus < 0) return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setFont(opt.font);
    const QFontMetrics metrics(opt.font);
    const int chip = chipWidth(metrics);
    const int height = std::min(opt.rect.height() - 6, metrics.height() + 4);
    const int top = opt.rect.top() + (opt.rect.height() - height) / 2;
    int x = opt.rect.left() + Gap;
    // A row that kept its status (a text change, a connection) shows only the status, where the
    // new one stands.
    const bool changed = oldStatus >= 0 && oldStatus != newStatus;
    if (changed) drawChip(painter, QRect(x, top, chip, height), oldStatus);
    x += chip + Gap;
    const int arrow = metrics.horizontalAdvance(Arrow);
    painter->setPen(opt.state & QStyle::State_Selected ? opt.palette.highlightedText().color()
                                                       : ui::colour(ui::Colour::Text));
    if (changed) painter->drawText(QRect(x, opt.rect.top(), arrow, opt.rect.height()), Qt::AlignCenter, Arrow);
    x += arrow + Gap;
    drawChip(painter, QRect(x, top, chip, height), newStatus);
    painter->restore();
}

QSize ChangeDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const QFontMetrics metrics(option.font);
    size.setWidth(changeWidth(metrics));
    return size;
}

} // namespace records
