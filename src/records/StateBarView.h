#pragma once
// The time-in-state bar: one bar in the tiles' colours, each state as wide as its share of the
// range, and below it a legend of every state with its time and share, always in the same places
// so that the figures can be read at a glance while they are refreshed.

#include "store/Query.h"

#include <QWidget>

namespace records {

class StateBarView : public QWidget {
    Q_OBJECT
public:
    explicit StateBarView(QWidget* parent = nullptr);

    void setFigures(const store::TimeInState& figures);
    const store::TimeInState& figures() const { return figures_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static int legendColumns(int width);

    store::TimeInState figures_;
};

} // namespace records
