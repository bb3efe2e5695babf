#include "display/TileText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextOption>
#include <QTransform>

namespace display {

void TileText::set(const QString& text, const QFont& font, int maxWidth, Qt::LayoutDirection direction) {
    if (laidOut_ && maxWidth == maxWidth_ && direction == direction_ && text == text_ && font == font_) return;
    laidOut_ = true;
    text_ = text;
    font_ = font;
    maxWidth_ = maxWidth;
    direction_ = direction;
    // One line, whatever the text holds: a line break drawn inside a tile would overlap the
    // text below it, and a tab has no stop to go to.
    QString line = text;
    for (QChar& c : line)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t') || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    QTextOption option;
    option.setTextDirection(direction);
    option.setWrapMode(QTextOption::NoWrap);
    shown_.setTextFormat(Qt::PlainText); // a machine's name or status is never markup
    shown_.setTextOption(option);
    shownText_ = line;
    shown_.setText(line);
    shown_.prepare(QTransform(), font);
    fullWidth_ = shown_.size().width();
    // Most texts fit: they are shaped once, and only one that does not is elided and shaped again.
    const QFontMetricsF metrics(font);
    if (maxWidth >= 0 && fullWidth_ > maxWidth) {
        shownText_ = metrics.elidedText(line, Qt::ElideRight, maxWidth);
        shown_.setText(shownText_);
        shown_.prepare(QTransform(), font);
    }
    lineHeight_ = metrics.height();
}

void TileText::draw(QPainter& p, const QRect& rect) const {
    if (shownText_.isEmpty()) return;
    p.setFont(font_);
    p.drawStaticText(QPointF(rect.left(), rect.top() + (rect.height() - lineHeight_) / 2), shown_);
}

} // namespace display
