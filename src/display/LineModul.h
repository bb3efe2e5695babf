#pragma once
// The machine tile: shows one machine slot's name, symbol, status and connection. The program
// only writes its properties; each write that changes what is shown repaints it once.

#include "display/Tile.h"

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
    struct Fonts;
    Fonts fonts() const;
    void paintUnused(QPainter& p, const QRect& body, const Fonts& f);
    QRect paintSymbol(QPainter& p, const QRect& body, int bandWidth);
    void paintStatusText(QPainter& p, const QRect& textRect, const QFont& font, bool edit);
    void paintIndicator(QPainter& p, const QRect& tagRect, int dot, const QFont& tagFont, bool edit);

    ui::SymbolImages* symbols_;
    int16_t symbol_ = -1;
    bool enabled_ = false;
    QString statusText_;
    int32_t statusLcId_ = 0;
    base::ShownConnection connectionState_ = base::ShownConnection::NotConnected;
    bool online_ = false;
};

} // namespace display
