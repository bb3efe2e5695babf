#pragma once
// One line of a tile's text, laid out once and drawn many times. A tile repaints on every report
// that changes it, while its name and connection label rarely change: the text is elided and
// shaped when its text, font, width or direction change, and every other paint draws the kept
// glyphs.

#include <QFont>
#include <QStaticText>
#include <QString>

class QPainter;
class QRect;

namespace display {

class TileText {
public:
    // Lays `text` out in `font` and `direction` (the tile's, as a painter would), elided at the
    // right to `maxWidth` pixels; a negative width never elides. Does nothing when all of them
    // are what they were.
    void set(const QString& text, const QFont& font, int maxWidth, Qt::LayoutDirection direction = Qt::LeftToRight);
    // Draws the text left-aligned and centred vertically in `rect`, in the painter's pen.
    void draw(QPainter& p, const QRect& rect) const;
    // How wide the whole text is, before any eliding, in pixels.
    qreal fullWidth() const { return fullWidth_; }

private:
    bool laidOut_ = false;
    QString text_;
    QFont font_;
    int maxWidth_ = -1;
    Qt::LayoutDirection direction_ = Qt::LeftToRight;
    QString shownText_;
    QStaticText shown_;
    qreal fullWidth_ = 0;
    qreal lineHeight_ = 0;
};

} // namespace display
