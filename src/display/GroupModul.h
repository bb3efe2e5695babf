#pragma once
// The group tile: a group's name and the status of its most urgent machine.

#include "display/Tile.h"
#include "display/TileText.h"

namespace display {

class GroupModul : public Tile {
    Q_OBJECT
public:
    explicit GroupModul(int index, QWidget* parent = nullptr) : Tile(index, parent) {}

    void setGroupName(const QString& name) { assign(name_, name); }
    // The group tile keeps the locale id; its name is drawn in the tile's font whatever the locale.
    void setLcId(int32_t lcId) { lcId_ = lcId; }

    const QString& groupName() const { return name_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TileText nameText_; // the name as last drawn
};

} // namespace display
