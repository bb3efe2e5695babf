#pragma once
// The machine tile: shows one machine slot's name, symbol, status and connection. The program
// only writes its properties; each write that changes what is shown repaints it once.

#include "display/Tile.h"
#include "display/TileText.h"

#include <QFont>
#include <QPixmap>

namespace ui {
class SymbolImages;
}

class QPainter;

namespace display {

class LineModul : public Tile {
    Q_OBJECT
public:
    LineModul(int index, ui::SymbolImages* symbols, QWidget* parent = nullptr);

    void setMachineName(const QString& name) { assign(name_, name); }
    void setSymbol(int16_t symbol) { assign(symbol_, symbol); }
    void setMachineEnabled(bool enabled) { assign(enabled_, enabled); }
    void setStatusText(const QString& text) { assign(statusText_, text); }
    void setStatusLcId(int32_t lcId) { assign(statusLcId_, lcId); }
    void setConnectionState(base::ShownConnection state) { assign(connectionState_, state); }
    void setOnline(bool online) { assign(online_, online); }
    void setLcId(int32_t lcId) { assign(lcId_, lcId); }
    // A rebind after scrolling: every property was written just before, so nothing is left to do.
    void setNewMachine(bool) {}

    const QString& machineName() const { return name_; }
    int16_t symbol() const { return symbol_; }
    bool machineEnabled() const { return enabled_; }
    const QString& statusText() const { return statusText_; }
    int32_t statusLcId() const { return statusLcId_; }
    base::ShownConnection connectionState() const { return connectionState_; }
    bool online() const { return online_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Fonts {
        QFont name;   // the machine name, in the station's language
        QFont status; // the status text, in the language the machine reports
        QFont tag;    // the connection label and the edit mark
    };
    // What the fonts are made from; they are made again only when one of these changed.
    struct FontSource {
        int height = -1;
        QString family;
        QString widgetFamily;
        int32_t lcId = 0;
        int32_t statusLcId = 0;
        bool operator==(const FontSource& o) const {
            return height == o.height && lcId == o.lcId && statusLcId == o.statusLcId && family == o.family &&
                   widgetFamily == o.widgetFamily;
        }
    };
    const Fonts& fonts();
    void paintUnused(QPainter& p, const QRect& body, const Fonts& f);
    QRect paintSymbol(QPainter& p, const QRect& body, int bandWidth);
    void paintStatusText(QPainter& p, const QRect& textRect, const QFont& font, bool edit);
    void paintIndicator(QPainter& p, const QRect& tagRect, int dot, const QFont& tagFont, bool edit);
    void paintIndicatorPicture(QPainter& p, const QRect& area, int dot, const QFont& tagFont) const;
    // What the indicator's picture is made from.
    struct IndicatorSource {
        base::ShownConnection state = base::ShownConnection::NotConnected;
        QSize size;
        int dot = 0;
        QFont font;
        qreal ratio = 1;
        bool operator==(const IndicatorSource& o) const {
            return state == o.state && size == o.size && dot == o.dot && ratio == o.ratio && font == o.font;
        }
    };

    ui::SymbolImages* symbols_;
    FontSource fontSource_;
    Fonts fonts_;
    // The texts and the symbol as last drawn, kept for the next paint.
    TileText nameText_;
    TileText statusTextShown_;
    QPixmap symbolScaled_;
    qint64 symbolFrom_ = 0; // the cache key of the picture symbolScaled_ was made from
    QSize symbolBox_;       // and the box it was scaled into
    qreal symbolRatio_ = 1; // at this device pixel ratio
    QPixmap indicator_;
    IndicatorSource indicatorSource_;
    int16_t symbol_ = -1;
    bool enabled_ = false;
    QString statusText_;
    int32_t statusLcId_ = 0;
    base::ShownConnection connectionState_ = base::ShownConnection::NotConnected;
    bool online_ = false;
};

} // namespace display
