// The machine table editor's column headings: their captions and grips, the column layout with
// the horizontal scroll range, and dragging a grip to set a column's width.
#include "editors/EditierenT.h"

#include "ui/Captions.h"
#include "ui/Palette.h"
#include "ui/Twips.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>

using namespace base;

namespace editors {

using namespace machine_table;

namespace {
// The column headings, in column order.
const char* const Headings[TableColumns] = {"Enabled",          "Symbol",           "Machine Name",
                                            "Computer Name",    "Ma.No.in Visu",    "Group",
                                            "Group 1 for Visu", "Group 2 for Visu", "Group 3 for Visu",
                                            "Group 4 for Visu", "Group 5 for Visu", "Group 6 for Visu",
                                            "Remote Control",   "Status from PLC"};

constexpr int HeadingPaddingPx = 4;

// A column-width grip: a thin line between two headings that takes the sizing pointer.
class Grip : public QWidget {
public:
    explicit Grip(QWidget* parent) : QWidget(parent) { setCursor(Qt::SizeHorCursor); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(ui::colour(ui::Colour::GripLine));
        const int x = width() / 2;
        p.drawLine(x, 3, x, height() - 4);
    }
};
} // namespace

void EditierenT::buildHeadings() {
    for (int c = 0; c < TableColumns; ++c) {
        auto* heading = new QLabel(QString::fromLatin1(Headings[c]), this);
        heading->setObjectName(QStringLiteral("LabelBeschriftung%1").arg(c));
        heading->setProperty("cell", QStringLiteral("heading"));
        heading->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        watch(heading, Part::Heading, 0, c);
        heading_[static_cast<size_t>(c)] = heading;
    }
    for (int c = 0; c < TableColumns; ++c) {
        auto* grip = new Grip(this);
        grip->setObjectName(QStringLiteral("ImageBeschriftung%1").arg(c));
        grip->resize(ui::twipsToPixelsX(GripWidth), ui::twipsToPixelsY(HeadingHeight));
        watch(grip, Part::Grip, 0, c);
        grip_[static_cast<size_t>(c)] = grip;
    }
}

int EditierenT::ErsteSpalte() const { return hScroll_->value(); }

int EditierenT::windowWidthTwips() const { return ui::pixelsToTwipsX(width()); }

void EditierenT::SpaltenAnordnen(bool headingsOnly) {
    const int first = ErsteSpalte();
    columns_ = layColumns(layout_.TableSize, first, windowWidthTwips());
    SpaltenAnzahl = columns_.count;
    for (int c = 0; c < TableColumns; ++c) {
        const Column& column = columns_.columns[static_cast<size_t>(c)];
        QLabel* heading = heading_[static_cast<size_t>(c)];
        QWidget* grip = grip_[static_cast<size_t>(c)];
        if (column.shown) {
            heading->setGeometry(ui::twipsRect(column.left, 0, column.width, HeadingHeight));
            fitHeading(c);
            grip->move(ui::twipsToPixelsX(column.gripLeft), 0);
            grip->raise();
        }
        heading->setVisible(column.shown);
        grip->setVisible(column.shown);
        if (headingsOnly) continue;
        for (int r = 0; r < RowCount; ++r) {
            if (column.shown)
                ZelleAnordnen(r, c);
            else
                rows_[static_cast<size_t>(r)].cells[static_cast<size_t>(c)]->hide();
        }
    }
    for (Row& row : rows_) row.container->resize(ui::twipsToPixelsX(columns_.rowWidth), row.container->height());
    vScroll_->raise();
    {
        const QSignalBlocker quiet(hScroll_);
        hScroll_->setMaximum(columns_.scrollMaximum);
    }
    // The range shrank below the first column shown: show from where the bar now stands.
    if (ErsteSpalte() != first) SpaltenAnordnen(headingsOnly);
}

void EditierenT::fitHeading(int c) {
    // A heading narrower than its caption shows it in a smaller size rather than cut off; the
    // room is the width less the padding and the grip over its right edge.
    QLabel* heading = heading_[static_cast<size_t>(c)];
    int& fitted = fittedWidth_[static_cast<size_t>(c)];
    if (heading->width() == fitted) return;
    fitted = heading->width();
    heading->setFont(headingFont_);
    ui::fitCaption(heading, HeadingPaddingPx + ui::twipsToPixelsX(GripWidth / 2) + 1);
}

void EditierenT::gripEvent(int c, QEvent::Type type, QMouseEvent* mouse) {

    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
        hideLists();
        ZiehStartX = twipsX(mouse->position());
        Ziehen = true;
    } else if (type == QEvent::MouseMove && Ziehen) {
        const Column& column = columns_.columns[static_cast<size_t>(c)];
        layout_.TableSize[static_cast<size_t>(c)] = draggedWidth(twipsX(mouse->position()), ZiehStartX, column.width);
        SpaltenAnordnen(true);
    } else if (type == QEvent::MouseButtonRelease && Ziehen) {
        ZiehStartX = 0;
        Ziehen = false;
        SpaltenAnordnen(false);
    }
}

} // namespace editors
