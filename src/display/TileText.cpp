#include "display/TileText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTransform>

namespace display {

void TileText::set(const QString& text, const QFont& font, int maxWidth) {
    if (laidOut_ && maxWidth == maxWidth_ && text == text_ && font == font_) return;
    laidOut_ = true;
    text_ = text;
    font_ = font;
    maxWidth_ = maxWidth;
    const QFontMetrics metrics(font);
    // One line, whatever the text holds: a line break drawn inside a tile would overlap the
    // text below it.
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    shown_.setTextFormat(Qt::PlainText); // a machine's name or status is never markup
    shownText_ = line;
    shown_.setText(line);
    shown_.prepare(QTransform(), font);
    // Most texts fit: they are shaped once, and only one that does not is elided and shaped again.
    if (maxWidth >= 0 && shown_.size().width() > maxWidth) {
        shownText_ = metrics.elidedText(line, Qt::ElideRight, maxWidth);
        shown_.setText(shownText_);
        shown_.prepare(QTransform(), font);
    }
    lineHeight_ = metrics.height();
}

void TileText::draw(QPainter& p, const QRect& rect) const {
    if (shownText_.isEmpty()) return;
    p.setFont(font_);
    const int top = rect.top() + (rect.height() - lineHeight_) / 2;
    p.drawStaticText(QPoint(rect.left(), top), shown_);
}

} // namespace display
