#include "display/LineModul.h"

#include "display/TileStyle.h"
#include "ui/DialogFont.h"
#include "ui/SymbolImages.h"

#include <QPainter>
#include <QPixmapCache>

using namespace base;

namespace display {

using namespace tile_style;

namespace {
// A picture of `size` device-independent pixels, transparent to begin with.
QPixmap transparentPixmap(QSize size, qreal ratio) {
    QPixmap picture(size * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    return picture;
}

// The tiles that look alike share one picture: a symbol scaled to a size, an indicator.
template <typename Make> QPixmap sharedPicture(const QString& key, const Make& make) {
    QPixmap picture;
    if (QPixmapCache::find(key, &picture)) return picture;
    picture = make();
    QPixmapCache::insert(key, picture);
    return picture;
}

// Fills the outermost `width` pixels of `r`.
void fillFrame(QPainter& p, const QRect& r, int width, const QColor& colour) {
    p.fillRect(QRect(r.left(), r.top(), r.width(), width), colour);
    p.fillRect(QRect(r.left(), r.bottom() - width + 1, r.width(), width), colour);
    p.fillRect(QRect(r.left(), r.top() + width, width, r.height() - 2 * width), colour);
    p.fillRect(QRect(r.right() - width + 1, r.top() + width, width, r.height() - 2 * width), colour);
}
} // namespace

LineModul::LineModul(int index, ui::SymbolImages* symbols, QWidget* parent) : Tile(index, parent), symbols_(symbols) {}

const LineModul::Fonts& LineModul::fonts() {
    const int h = height();
    FontSource source{h, family(), font().family(), lcId_, statusLcId_};
    if (source == fontSource_) return fonts_;
    fontSource_ = std::move(source);
    Fonts& f = fonts_;
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
    return fonts_;
}

void LineModul::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect r = rect();
    const int h = r.height();
    const int margin = std::max(2, h / 28);
    const QRect body = r.adjusted(margin, margin, -margin, -margin);
    p.fillRect(r, Window);
    const Fonts& f = fonts();
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
    p.setPen(Text);
    nameText_.set(name_, f.name, nameRect.width(), layoutDirection());
    nameText_.draw(p, nameRect);

    const QRect textRect(textLeft, body.top() + body.height() / 2 + 1, body.right() - textLeft - 6,
                         body.height() / 2 - 4);
    paintStatusText(p, textRect, f.status, edit);

    const int dot = std::max(7, h / 7);
    paintIndicator(p, QRect(body.right() - tagWidth, body.top() + 4, tagWidth - 4, dot + 2), dot, f.tag, edit);

    // Frame: dashed blue in edit mode, the status colour for urgent states, else a thin grey line.
    // The solid frames are filled, not stroked: a stroked outline costs a good part of the paint.
    if (edit) {
        p.setPen(QPen(EditFrame, 1, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(body.adjusted(0, 0, -1, -1));
    } else {
        fillFrame(p, body, look.alarm ? 2 : 1, look.alarm ? look.band : Frame);
    }

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
    // Smooth scaling of a large picture, and a dotted outline, cost more than the rest of the
    // paint: both are made again only for another picture or another size.
    const qint64 from = picture.isNull() ? 0 : picture.cacheKey();
    const qreal ratio = devicePixelRatioF();
    if (symbolScaled_.isNull() || symbolFrom_ != from || symbolBox_ != box.size() || symbolRatio_ != ratio) {
        symbolFrom_ = from;
        symbolBox_ = box.size();
        symbolRatio_ = ratio;
        const QString key =
            QStringLiteral("tile-symbol:%1:%2x%3@%4").arg(from).arg(box.width()).arg(box.height()).arg(ratio);
        symbolScaled_ = sharedPicture(key, [&] {
            if (!picture.isNull()) return picture.scaled(box.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
            // No picture: a dotted box holds its place.
            QPixmap outline = transparentPixmap(box.size(), ratio);
            QPainter q(&outline);
            q.setPen(QPen(SymbolPlaceholder, 1, Qt::DotLine));
            q.drawRect(QRect(QPoint(0, 0), box.size()).adjusted(0, 0, -1, -1));
            return outline;
        });
    }
    const QSize shown = symbolScaled_.deviceIndependentSize().toSize();
    p.drawPixmap(box.center() - QPoint(shown.width() / 2, shown.height() / 2), symbolScaled_);
    return box;
}

void LineModul::paintStatusText(QPainter& p, const QRect& textRect, const QFont& font, bool edit) {
    // The status text, on a coloured chip when the state needs attention; none in edit mode.
    if (edit) return;
    const StatusLook look = lookFor(status_);
    statusTextShown_.set(statusText_, font, textRect.width() - 6, layoutDirection());
    if (look.chip.isValid()) {
        const int chipWidth = std::min(textRect.width(), qRound(statusTextShown_.fullWidth()) + 12);
        p.fillRect(QRect(textRect.left() - 3, textRect.top(), std::max(chipWidth, 24), textRect.height()), look.chip);
        p.setPen(look.chipText);
    } else {
        p.setPen(SubText);
    }
    statusTextShown_.draw(p, textRect);
}

void LineModul::paintIndicator(QPainter& p, const QRect& tagRect, int dot, const QFont& tagFont, bool edit) {
    // The connection indicator, top right; the edit mark in its place in edit mode.
    if (edit) {
        p.setFont(tagFont);
        p.setPen(EditFrame);
        p.drawText(tagRect.adjusted(0, -2, 0, 2), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("EDIT"));
        return;
    }
    // The indicator only changes with the connection: it is drawn once into a picture that
    // every other paint copies.
    const QRect area = tagRect.adjusted(0, -2, 0, 2);
    const IndicatorSource source{connectionState_, area.size(), dot, tagFont, devicePixelRatioF()};
    if (indicator_.isNull() || !(source == indicatorSource_)) {
        indicatorSource_ = source;
        const QSize size = area.size(); // a label too wide for it is cut off at its edge
        const QString key = QStringLiteral("tile-indicator:%1:%2x%3:%4:%5@%6")
                                .arg(static_cast<int>(connectionState_))
                                .arg(size.width())
                                .arg(size.height())
                                .arg(dot)
                                .arg(tagFont.key())
                                .arg(source.ratio);
        indicator_ = sharedPicture(key, [&] {
            QPixmap picture = transparentPixmap(size, source.ratio);
            QPainter q(&picture);
            paintIndicatorPicture(q, QRect(QPoint(0, 0), size), dot, tagFont);
            return picture;
        });
    }
    p.drawPixmap(area.topLeft(), indicator_);
}

void LineModul::paintIndicatorPicture(QPainter& p, const QRect& area, int dot, const QFont& tagFont) const {
    // Filled when connected, a ring while waiting, struck through when off; the label beside it.
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRect dotRect(area.left(), area.top() + 3, dot, dot);
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
    TileText label;
    label.set(connectionLabel(connectionState_), tagFont, -1, layoutDirection());
    label.draw(p, area.adjusted(dot + 3, 0, 0, 0));
}

} // namespace display
