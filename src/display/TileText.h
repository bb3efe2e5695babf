#pragma once
// One line of a tile's text, laid out once and drawn many times. A tile repaints on every report
// that changes it, while its name and connection label rarely change: the text is elided and
// shaped when its text, font or width change, and every other paint draws the kept glyphs.

#include <QFont>
#include <QStaticText>
#include <QString>

class QPainter;
class QRect;

namespace display {

class TileText {
public:
    // Lays `text` out in `font`, elided at the right to `maxWidth` pixels; a negative width
    // never elides. Does nothing when all three are what they were.
    void set(const QString& text, const QFont& font, int maxWidth);
    // Draws the text left-aligned and centred vertically in `rect`, in the painter's pen.
    void draw(QPainter& p, const QRect& rect) const;
    // How wide the drawn text is, in pixels.
    qreal width() const { return shown_.size().width(); }
    const QString& shownText() const { return shownText_; }

private:
    bool laidOut_ = false;
    QString text_;
    QFont font_;
    int maxWidth_ = -1;
    QString shownText_;
    QStaticText shown_;
    int lineHeight_ = 0;
};

} // namespace display
