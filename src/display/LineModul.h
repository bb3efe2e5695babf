#pragma once
// The machine tile: shows one machine slot's name, symbol, status and connection. The program
// only writes its properties; each write that changes what is shown repaints it once.

#include <QString>
#include <QWidget>

#include <cstdint>

namespace ui {
class SymbolImages;
}

class LineModul : public QWidget {
    Q_OBJECT
public:
    LineModul(int index, ui::SymbolImages* symbols, QWidget* parent = nullptr);

    void setMachineName(const QString& name);
    void setSymbol(int16_t symbol);
    void setMachineEnabled(bool enabled);
    void setStatus(int16_t status);
    void setStatusText(const QString& text);
    void setStatusLcId(int32_t lcId);
    void setConnectionState(int16_t state);
    void setOnline(bool online);
    void setDisplayMode(int16_t mode);
    void setFontName(const QString& fontName);
    void setLcId(int32_t lcId);
    void setNewMachine(bool newMachine);

    int index() const { return index_; }
    const QString& machineName() const { return name_; }
    int16_t symbol() const { return symbol_; }
    bool machineEnabled() const { return enabled_; }
    int16_t status() const { return status_; }
    const QString& statusText() const { return statusText_; }
    int32_t statusLcId() const { return statusLcId_; }
    int16_t connectionState() const { return connectionState_; }
    bool online() const { return online_; }
    int16_t displayMode() const { return displayMode_; }
    const QString& fontName() const { return fontName_; }
    int32_t lcId() const { return lcId_; }
    // Counts repaints that a property write asked for (tests check that unchanged values cost none).
    int updateRequests() const { return updateRequests_; }

signals:
    void Click(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    template <typename T>
    void assign(T& field, const T& value);

    int index_;
    ui::SymbolImages* symbols_;
    QString name_;
    int16_t symbol_ = -1;
    bool enabled_ = false;
    int16_t status_ = 0;
    QString statusText_;
    int32_t statusLcId_ = 0;
    int16_t connectionState_ = 0;
    bool online_ = false;
    int16_t displayMode_ = 1;
    QString fontName_;
    int32_t lcId_ = 0;
    int updateRequests_ = 0;
};
