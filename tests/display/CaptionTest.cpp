#include "display/MainWindow.h"
#include "editors/Editieren.h"
#include "editors/EditierenGroup.h"
#include "editors/EditierenLang.h"
#include "editors/SymbolAuswahl.h"
#include "ui/Captions.h"
#include "ui/DialogFont.h"
#include "ui/Twips.h"

#include "StationRig.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>

using namespace editors;
using namespace display;

namespace {
// Every button's and label's caption fits the width its control leaves for it.
void expectCaptionsFit(const QWidget& window) {
    int checked = 0;
    for (const QWidget* control : window.findChildren<QWidget*>()) {
        const QString caption = ui::captionOf(control);
        if (caption.isEmpty()) continue;
        ++checked;
        EXPECT_LE(QFontMetrics(control->font()).horizontalAdvance(caption), ui::captionWidth(control))
            << window.objectName().toStdString() << "." << control->objectName().toStdString() << " \""
            << caption.toStdString() << "\" at " << control->font().pointSizeF() << " pt";
        EXPECT_GE(control->font().pointSizeF(), 7.0) << control->objectName().toStdString();
    }
    EXPECT_GT(checked, 0);
}
} // namespace

TEST(Captions, TheDefinedFacesMapToAMetricCompatibleFamily) {
    ASSERT_DOUBLE_EQ(ui::logicalDpiX(), 96.0);
    for (const char* face : {"Arial", "Arial Unicode MS", "Lucida Sans Unicode"})
        EXPECT_EQ(QFontInfo(QFont(QLatin1String(face), 10)).family(), "Liberation Sans") << face;
}

TEST(Captions, FitTheirControlsInTheMainWindowAndTheDialogs) {
    StationRig rig;
    rig.start("[General]\r\nFontName=Arial\r\n");
    VelkoZuraVeradadClient& window = *rig.window;
    expectCaptionsFit(window);
    // The connect button fits both of its captions; the language button its whole caption.
    rig.station->CommandStart_Click();
    EXPECT_EQ(window.commandStart()->text(), "Connect");
    expectCaptionsFit(window);
    EXPECT_EQ(window.commandLang()->text(), "Input Language");

    EditierenLang dialog(rig.station->languages(), 1033, false, &window);
    expectCaptionsFit(dialog);
    EXPECT_EQ(dialog.commandCancel()->font().family(), ui::dialogFont().family());
    expectCaptionsFit(window.machineEditor());
    expectCaptionsFit(window.machineEditor().symbolPicker());
    expectCaptionsFit(window.groupEditor());
    expectCaptionsFit(window.groupTableEditor());
}

TEST(Captions, OnlyACaptionThatOverflowsShrinksAndNeverBelowSevenPoints) {
    QPushButton fits(QStringLiteral("OK"));
    fits.setGeometry(0, 0, 100, 30);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(10);
    fits.setFont(font);
    ui::fitCaption(&fits);
    EXPECT_DOUBLE_EQ(fits.font().pointSizeF(), 10.0);

    QPushButton tight(QStringLiteral("Input Language"));
    tight.setGeometry(0, 0, 100, 30);
    tight.setFont(font);
    ui::fitCaption(&tight);
    const double size = tight.font().pointSizeF();
    EXPECT_LT(size, 10.0);
    EXPECT_DOUBLE_EQ(size * 2, std::round(size * 2)); // in half points
    EXPECT_LE(QFontMetrics(tight.font()).horizontalAdvance(tight.text()), ui::captionWidth(&tight));
    QFont larger = tight.font();
    larger.setPointSizeF(size + 0.5);
    EXPECT_GT(QFontMetrics(larger).horizontalAdvance(tight.text()), ui::captionWidth(&tight)); // the largest that fits

    QLabel hopeless(QStringLiteral("A caption far too long for its very small label"));
    hopeless.setGeometry(0, 0, 40, 20);
    hopeless.setFont(font);
    ui::fitCaption(&hopeless);
    EXPECT_DOUBLE_EQ(hopeless.font().pointSizeF(), 7.0);
}
