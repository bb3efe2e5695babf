#include "display/LineModul.h"

#include "display/TileStyle.h"
#include "ui/DialogFont.h"
#include "ui/SymbolImages.h"

#include <QPainter>

using namespace base;

namespace display {

using namespace tile_style;

struct LineModul::Fonts {
    QFont name;   // the machine name, in the station's language
    QFont status; // the status text, in the language the machine reports
    QFont tag;    // the connection label and the edit mark
};

LineModul::LineModul(int index, ui::SymbolImages* symbols, QWidget* parent) : Tile(index, parent), symbols_(symbols) {}

LineModul::Fonts LineModul::fonts() const {
    const int h = height();
    Fonts f;
    f.name = QFont(family());
    f.name.setPixelSize(std::max(9, h * 14 / 57));
    f.name.setBold(true);
    f.name.setFamilies(ui::familiesForLcId(f.name.family(), lcId_));
    f.status = f.name;
    f.status.setFamilies(ui::familiesForLcId(family(), statusLcId_));
    f.status.setBold(false);
    f.status.setPixelSize(std::max(8, h * 12 / 57));
    f.tag = QFont(font().family());
    f.tag.setPixelSize(std::max(7, h * 9 / 57));
    f.tag.setBold(true);
    f.tag.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    return f;
}

void LineModul::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect r = rect();
    const int h = r.height();
    const int margin = std::max(2, h / 28);
    const QRect body = r.adjusted(margin, margin, -margin, -margin);
    p.fillRect(r, Window);
    const Fonts f = fonts();
    const bool edit = editing();
    if (!enabled_) {
        paintUnused(p, body, f);
        return;
    }

    const StatusLook look = lookFor(edit ? machine_status::Off : status_);
    p.fillRect(body, edit ? EditSurface : Surface);
    // Status band on the left edge; urgent states widen it.
    const int bandWidth = look.alarm ? std::max(8, h / 6) : std::max(5, h / 10);
    p.fillRect(QRect(body.left(), body.top(), bandWidth, body.height()), edit ? EditFrame : look.band);
    const QRect symbolBox = paintSymbol(p, body, bandWidth);

    const int textLeft = symbolBox.right() + 8;
    const int tagWidth = std::max(40, h * 3 / 4);
    const QRect nameRect(textLeft, body.top() + 3, body.right() - textLeft - tagWidth - 4, body.height() / 2 - 3);
    p.setFont(f.name);
    p.setPen(Text);
    p.drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter,
               p.fontMetrics().elidedText(name_, Qt::ElideRight, nameRect.width()));

    const QRect textRect(textLeft, body.top() + body.height() / 2 + 1, body.right() - textLeft - 6,
                         body.height() / 2 - 4);
    paintStatusText(p, textRect, f.status, edit);

    const int dot = std::max(7, h / 7);
    paintIndicator(p, QRect(body.right() - tagWidth, body.top() + 4, tagWidth - 4, dot + 2), dot, f.tag, edit);

    // Frame: dashed blue in edit mode, the status colour for urgent states, else a thin grey line.
    if (edit)
        p.setPen(QPen(EditFrame, 1, Qt::DashLine));
    else if (look.alarm)
        p.setPen(QPen(look.band, 2));
    else
        p.setPen(QPen(Frame, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(look.alarm && !edit ? body.adjusted(1, 1, -1, -1) : body.adjusted(0, 0, -1, -1));

    // Not switched on: the whole tile is washed out so that it reads as stale.
    if (!online_ && !edit) p.fillRect(body, StaleWash);
}

void LineModul::paintUnused(QPainter& p, const QRect& body, const Fonts& f) {
    // An unused slot: a flat, dashed outline with the slot's name, if any, greyed out.
    const bool edit = editing();
    p.fillRect(body, edit ? EditSurface : UnusedSurface);
    p.setPen(QPen(edit ? EditFrame : Frame, 1, Qt::DashLine));
    p.drawRect(body.adjusted(0, 0, -1, -1));
    p.setFont(f.status);
    p.setPen(EmptyText);
    const QString label = name_.isEmpty() ? QStringLiteral("unused slot") : name_ + QStringLiteral("  (unused)");
    p.drawText(body.adjusted(10, 0, -10, 0), Qt::AlignVCenter | Qt::AlignLeft,
               p.fontMetrics().elidedText(label, Qt::ElideRight, body.width() - 20));
    if (edit) {
        p.setFont(f.tag);
        p.setPen(EditFrame);
        p.drawText(body.adjusted(0, 0, -6, -3), Qt::AlignRight | Qt::AlignBottom, QStringLiteral("EDIT"));
    }
}

QRect LineModul::paintSymbol(QPainter& p, const QRect& body, int bandWidth) {
    // The symbol picture, scaled to fit a square beside the band.
    const int side = body.height() - 8;
    const QRect box(body.left() + bandWidth + 5, body.top() + 4, side, side);
    const QPixmap picture = symbols_ ? symbols_->picture(symbol_) : QPixmap();
    if (!picture.isNull()) {
        const QPixmap scaled = picture.scaled(box.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        p.drawPixmap(box.center() - QPoint(scaled.width() / 2, scaled.height() / 2), scaled);
    } else {
        p.setPen(QPen(SymbolPlaceholder, 1, Qt::DotLine));
        p.drawRect(box.adjusted(0, 0, -1, -1));
    }
    return box;
}

void LineModul::paintStatusText(QPainter& p, const QRect& textRect, const QFont& font, bool edit) {
    // The status text, on a coloured chip when the state needs attention; none in edit mode.
    p.setFont(font);
    const StatusLook look = lookFor(status_);
    const QString shown = edit ? QString() : statusText_;
    if (look.chip.isValid() && !edit) {
        const int chipWidth = std::min(textRect.width(), p.fontMetrics().horizontalAdvance(shown) + 12);
        p.fillRect(QRect(textRect.left() - 3, textRect.top(), std::max(chipWidth, 24), textRect.height()), look.chip);
        p.setPen(look.chipText);
    } else {
        p.setPen(SubText);
    }
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
               p.fontMetrics().elidedText(shown, Qt::ElideRight, textRect.width() - 6));
}

void LineModul::paintIndicator(QPainter& p, const QRect& tagRect, int dot, const QFont& tagFont, bool edit) {
    // Connection indicator, top right: filled when connected, ring when waiting, struck when off.
    p.setFont(tagFont);
    if (edit) {
        p.setPen(EditFrame);
        p.drawText(tagRect.adjusted(0, -2, 0, 2), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("EDIT"));
        return;
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRect dotRect(tagRect.left(), tagRect.top() + 1, dot, dot);
    switch (connectionState_) {
    case ShownConnection::Connected:
        p.setPen(Qt::NoPen);
        p.setBrush(Indicator);
        p.drawEllipse(dotRect);
        break;
    case ShownConnection::Waiting:
        p.setPen(QPen(IndicatorWaiting, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(dotRect.adjusted(1, 1, -1, -1));
        break;
    default:
        p.setPen(QPen(Indicator, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(dotRect.adjusted(1, 1, -1, -1));
        p.drawLine(dotRect.bottomLeft() + QPoint(1, -1), dotRect.topRight() + QPoint(-1, 1));
        break;
    }
    p.setPen(Indicator);
    p.drawText(tagRect.adjusted(dot + 3, -2, 0, 2), Qt::AlignLeft | Qt::AlignVCenter,
               connectionLabel(connectionState_));
    p.setRenderHint(QPainter::Antialiasing, false);
}

} // namespace display
