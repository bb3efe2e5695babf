#pragma once
// Draws a row's status change as the tiles' colour chips, "old → new" (only the status when it
// stayed), each chip as wide as the widest status name so that the chips of all rows line up.

#include <QStyledItemDelegate>

namespace records {

class ChangeDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The width of one chip in a font, and of the whole change.
    static int chipWidth(const QFontMetrics& metrics);
    static int changeWidth(const QFontMetrics& metrics);
};

} // namespace records
