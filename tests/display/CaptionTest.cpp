#include "display/MainWindow.h"
#include "editors/Editieren.h"
#include "editors/EditierenGroup.h"
#include "editors/EditierenLang.h"
#include "editors/SymbolAuswahl.h"
#include "ui/Captions.h"
#include "ui/DialogFont.h"

#include "WindowRig.h"

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

TEST(Captions, FitTheirControlsInTheMainWindowAndTheDialogs) {
    WindowRig rig;
    VelkoZuraVeradadClient& window = rig.start("[General]\r\nFontName=Arial\r\n");
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
