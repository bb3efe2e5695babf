#include "display/LineModul.h"

#include "display/TileStyle.h"
#include "ui/DialogFont.h"
#include "ui/SymbolImages.h"

#include <QMouseEvent>
#include <QPainter>

using namespace tile_style;

LineModul::LineModul(int index, ui::SymbolImages* symbols, QWidget* parent)
    : QWidget(parent), index_(index), symbols_(symbols) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
}

template <typename T>
void LineModul::assign(T& field, const T& value) {
    if (field == value) return;
    field = value;
    ++updateRequests_;
    update();
}

void LineModul::setMachineName(const QString& name) { assign(name_, name); }
void LineModul::setSymbol(int16_t symbol) { assign(symbol_, symbol); }
void LineModul::setMachineEnabled(bool enabled) { assign(enabled_, enabled); }
void LineModul::setStatus(int16_t status) { assign(status_, status); }
void LineModul::setStatusText(const QString& text) { assign(statusText_, text); }
void LineModul::setStatusLcId(int32_t lcId) { assign(statusLcId_, lcId); }
void LineModul::setConnectionState(int16_t state) { assign(connectionState_, state); }
void LineModul::setOnline(bool online) { assign(online_, online); }
void LineModul::setDisplayMode(int16_t mode) { assign(displayMode_, mode); }
void LineModul::setFontName(const QString& fontName) { assign(fontName_, fontName); }
void LineModul::setLcId(int32_t lcId) { assign(lcId_, lcId); }
void LineModul::setNewMachine(bool) {
    // A rebind after scrolling: every property was written just before, so nothing is left to do.
}

void LineModul::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Click(index_);
}

void LineModul::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect r = rect();
    const int h = r.height();
    const int margin = std::max(2, h / 28);
    const QRect body = r.adjusted(margin, margin, -margin, -margin);
    p.fillRect(r, Window);

    QFont nameFont(fontName_.isEmpty() ? font().family() : fontName_);
    nameFont.setPixelSize(std::max(9, h * 14 / 57));
    nameFont.setBold(true);
    // The name is in the station's language, the status text in the language the machine reports.
    nameFont.setFamilies(ui::familiesForLcId(nameFont.family(), lcId_));
    QFont smallFont = nameFont;
    smallFont.setFamilies(ui::familiesForLcId(fontName_.isEmpty() ? font().family() : fontName_, statusLcId_));
    smallFont.setBold(false);
    smallFont.setPixelSize(std::max(8, h * 12 / 57));
    QFont tagFont(font().family());
    tagFont.setPixelSize(std::max(7, h * 9 / 57));
    tagFont.setBold(true);
    tagFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);

    const bool edit = displayMode_ == 0;
    if (!enabled_) {
        // An unused slot: a flat, dashed outline with the slot's name, if any, greyed out.
        p.fillRect(body, edit ? EditSurface : UnusedSurface);
        p.setPen(QPen(edit ? EditFrame : Frame, 1, Qt::DashLine));
        p.drawRect(body.adjusted(0, 0, -1, -1));
        p.setFont(smallFont);
        p.setPen(QColor(0x80, 0x80, 0x80));
        const QString label = name_.isEmpty() ? QStringLiteral("unused slot") : name_ + QStringLiteral("  (unused)");
        p.drawText(body.adjusted(10, 0, -10, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   p.fontMetrics().elidedText(label, Qt::ElideRight, body.width() - 20));
        if (edit) {
            p.setFont(tagFont);
            p.setPen(EditFrame);
            p.drawText(body.adjusted(0, 0, -6, -3), Qt::AlignRight | Qt::AlignBottom, QStringLiteral("EDIT"));
        }
        return;
    }

    const StatusLook look = lookFor(edit ? int16_t(0) : status_);
    p.fillRect(body, edit ? EditSurface : Surface);
    // Status band on the left edge; urgent states widen it.
    const int bandWidth = look.alarm ? std::max(8, h / 6) : std::max(5, h / 10);
    p.fillRect(QRect(body.left(), body.top(), bandWidth, body.height()), edit ? EditFrame : look.band);

    // Symbol picture, scaled to fit a square beside the band.
    const int symbolSide = body.height() - 8;
    const QRect symbolBox(body.left() + bandWidth + 5, body.top() + 4, symbolSide, symbolSide);
    const QPixmap picture = symbols_ ? symbols_->picture(symbol_) : QPixmap();
    if (!picture.isNull()) {
        const QPixmap scaled = picture.scaled(symbolBox.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        p.drawPixmap(symbolBox.center() - QPoint(scaled.width() / 2, scaled.height() / 2), scaled);
    } else {
        p.setPen(QPen(QColor(0xB0, 0xB0, 0xB0), 1, Qt::DotLine));
        p.drawRect(symbolBox.adjusted(0, 0, -1, -1));
    }

    const int textLeft = symbolBox.right() + 8;
    const int tagWidth = std::max(40, h * 3 / 4);
    const QRect nameRect(textLeft, body.top() + 3, body.right() - textLeft - tagWidth - 4, body.height() / 2 - 3);
    p.setFont(nameFont);
    p.setPen(Text);
    p.drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter,
               p.fontMetrics().elidedText(name_, Qt::ElideRight, nameRect.width()));

    // Status text, on a coloured chip when the state needs attention.
    p.setFont(smallFont);
    const QRect textRect(textLeft, body.top() + body.height() / 2 + 1, body.right() - textLeft - 6,
                         body.height() / 2 - 4);
    const QString shownText = edit ? QString() : statusText_;
    if (look.chip.isValid() && !edit) {
        const int chipWidth = std::min(textRect.width(), p.fontMetrics().horizontalAdvance(shownText) + 12);
        p.fillRect(QRect(textRect.left() - 3, textRect.top(), std::max(chipWidth, 24), textRect.height()), look.chip);
        p.setPen(look.chipText);
    } else {
        p.setPen(SubText);
    }
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
               p.fontMetrics().elidedText(shownText, Qt::ElideRight, textRect.width() - 6));

    // Connection indicator, top right: filled when connected, ring when waiting, struck when off.
    p.setRenderHint(QPainter::Antialiasing, true);
    const int dot = std::max(7, h / 7);
    const QRect tagRect(body.right() - tagWidth, body.top() + 4, tagWidth - 4, dot + 2);
    const QRect dotRect(tagRect.left(), tagRect.top() + 1, dot, dot);
    if (!edit) {
        const QColor dark(0x40, 0x40, 0x40);
        if (connectionState_ == 2) {
            p.setPen(Qt::NoPen);
            p.setBrush(dark);
            p.drawEllipse(dotRect);
        } else if (connectionState_ == 1) {
            p.setPen(QPen(QColor(0xC8, 0x8A, 0x00), 2));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(dotRect.adjusted(1, 1, -1, -1));
        } else {
            p.setPen(QPen(dark, 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(dotRect.adjusted(1, 1, -1, -1));
            p.drawLine(dotRect.bottomLeft() + QPoint(1, -1), dotRect.topRight() + QPoint(-1, 1));
        }
        p.setFont(tagFont);
        p.setPen(dark);
        p.drawText(tagRect.adjusted(dot + 3, -2, 0, 2), Qt::AlignLeft | Qt::AlignVCenter,
                   connectionLabel(connectionState_));
    } else {
        p.setFont(tagFont);
        p.setPen(EditFrame);
        p.drawText(tagRect.adjusted(0, -2, 0, 2), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("EDIT"));
    }
    p.setRenderHint(QPainter::Antialiasing, false);

    // Frame: dashed blue in edit mode, the status colour for urgent states, else a thin grey line.
    if (edit) {
        p.setPen(QPen(EditFrame, 1, Qt::DashLine));
    } else if (look.alarm) {
        p.setPen(QPen(look.band, 2));
    } else {
        p.setPen(QPen(Frame, 1));
    }
    p.setBrush(Qt::NoBrush);
    p.drawRect(look.alarm && !edit ? body.adjusted(1, 1, -1, -1) : body.adjusted(0, 0, -1, -1));

    if (!online_ && !edit) {
        // Not connected: the whole tile is washed out so that it reads as stale.
        p.fillRect(body, QColor(0xC0, 0xC0, 0xC0, 150));
    }
}
