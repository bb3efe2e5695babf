#include "editors/ModalDialog.h"

#include "ui/Captions.h"
#include "ui/DialogFont.h"
#include "ui/DialogPlacement.h"
#include "ui/Style.h"
#include "ui/Twips.h"

#include <QPushButton>
#include <QTimer>

namespace editors {

namespace {
std::function<void(ModalDialog&)>& answerHook() {
    static std::function<void(ModalDialog&)> hook;
    return hook;
}
} // namespace

ModalDialog::ModalDialog(QWidget* owner, const QString& objectName, const QString& caption, int widthTwips,
                         int heightTwips, bool stayOnTop)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      stayOnTop_(stayOnTop) {
    setObjectName(objectName);
    setWindowTitle(caption);
    setModal(true);
    setFixedSize(ui::twipsToPixelsX(widthTwips), ui::twipsToPixelsY(heightTwips));
    ui::setGreyBackground(this);
    if (stayOnTop_) ui::setTopmost(this, true);
}

void ModalDialog::setAnswer(std::function<void(ModalDialog&)> answer) { answerHook() = std::move(answer); }

void ModalDialog::run() {
    ui::centreOver(this, parentWidget());
    if (const auto& answer = answerHook()) QTimer::singleShot(0, this, [this, answer] { answer(*this); });
    exec();
}

QPushButton* ModalDialog::makeButton(const char* objectName, const QString& caption, int left, int top, int width,
                                     int height) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(objectName));
    button->setGeometry(ui::twipsRect(left, top, width, height));
    ui::setButtonColour(button, false);
    button->setFont(ui::dialogFont());
    ui::fitCaption(button);
    return button;
}

void ModalDialog::useDialogFont(std::initializer_list<QWidget*> controls) {
    for (QWidget* control : controls) control->setFont(ui::dialogFont());
}

void ModalDialog::finish() {
    if (stayOnTop_) ui::setTopmost(this, false);
    QDialog::done(QDialog::Accepted);
}

} // namespace editors
