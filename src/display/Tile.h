#pragma once
// What the machine and group tiles share: their index, the click they raise, the request for their
// context menu (a right click, the Menu key, Shift+F10 or a press held still on a touch screen),
// the properties both have (name, status, font name, locale id, display mode), and property writes
// that repaint only when the value changed.

#include "base/States.h"

#include <QString>
#include <QWidget>

#include <cstdint>

class QTimer;

namespace display {

class Tile : public QWidget {
    Q_OBJECT
public:
    Tile(int index, QWidget* parent);

    void setStatus(int16_t status) { assign(status_, status); }
    void setFontName(const QString& fontName) { assign(fontName_, fontName); }
    void setDisplayMode(base::DisplayMode mode) { assign(displayMode_, mode); }

    int index() const { return index_; }
    int16_t status() const { return status_; }
    const QString& fontName() const { return fontName_; }
    int32_t lcId() const { return lcId_; }
    base::DisplayMode displayMode() const { return displayMode_; }
    bool editing() const { return displayMode_ == base::DisplayMode::Edit; }

    // How long a press held still opens the context menu instead of clicking.
    static constexpr int HoldMs = 700;

signals:
    void Click(int index);
    // The tile's context menu is wanted at `globalPos`.
    void menuRequested(int index, QPoint globalPos);

protected:
    template <typename T> void assign(T& field, const T& value) {
        if (field == value) return;
        field = value;
        update();
    }
    // The family of the tile's own font name, or the widget's font when none is set.
    QString family() const { return fontName_.isEmpty() ? font().family() : fontName_; }

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    QString name_;
    int16_t status_ = base::machine_status::Off;
    QString fontName_;
    int32_t lcId_ = 0;
    base::DisplayMode displayMode_ = base::DisplayMode::Operating;

private:
    int index_;
    QTimer* hold_ = nullptr;
    QPoint pressPos_;
    bool held_ = false; // the press became the menu: its release is no click
};

} // namespace display
