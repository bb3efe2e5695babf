#include "ui/Captions.h"

#include "ui/Style.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QStyle>
#include <QWidget>

namespace ui {

void installFontSubstitutions() {
    const QStringList families = {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
    for (const char* face : {"Arial", "Arial Unicode MS", "Lucida Sans Unicode"})
        QFont::insertSubstitutions(QLatin1String(face), families);
}

QString captionOf(const QWidget* control) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    return QString();
}

int captionWidth(const QWidget* control) {
    // Check boxes draw their box and a gap before the caption; push buttons the frame and padding
    // of the shared button style; labels nothing.
    if (qobject_cast<const QCheckBox*>(control)) {
        const QStyle* style = control->style();
        return control->width() - style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, control) -
               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, control);
    }
    if (qobject_cast<const QPushButton*>(control)) return control->width() - 2 * (ButtonBorderPx + ButtonPaddingXPx);
    return control->width();
}

void fitCaption(QWidget* control, int margin) {
    const QString caption = captionOf(control);
    if (caption.isEmpty()) return;
    QFont font = control->font();
    const int room = captionWidth(control) - margin;
    double size = font.pointSizeF() > 0 ? font.pointSizeF() : 8.0;
    while (QFontMetrics(font).horizontalAdvance(caption) > room && size > 7.0) {
        size = std::max(7.0, size - 0.5);
        font.setPointSizeF(size);
    }
    if (font != control->font()) control->setFont(font);
}

} // namespace ui
