#pragma once
// The group tile: a group's name and the status of its most urgent machine.

#include <QString>
#include <QWidget>

#include <cstdint>

class GroupModul : public QWidget {
    Q_OBJECT
public:
    explicit GroupModul(int index, QWidget* parent = nullptr);

    void setGroupName(const QString& name);
    void setStatus(int16_t status);
    void setFontName(const QString& fontName);
    void setLcId(int32_t lcId);
    void setDisplayMode(int16_t mode);

    int index() const { return index_; }
    const QString& groupName() const { return name_; }
    int16_t status() const { return status_; }
    const QString& fontName() const { return fontName_; }
    int32_t lcId() const { return lcId_; }
    int16_t displayMode() const { return displayMode_; }

signals:
    void Click(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    template <typename T>
    void assign(T& field, const T& value);

    int index_;
    QString name_;
    int16_t status_ = 0;
    QString fontName_;
    int32_t lcId_ = 0;
    int16_t displayMode_ = 1;
};
