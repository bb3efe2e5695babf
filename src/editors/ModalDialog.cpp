#include "editors/ModalDialog.h"

#include "ui/Captions.h"
#include "ui/DialogFont.h"
#include "ui/DialogPlacement.h"
#include "ui/Style.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace editors {

namespace {
std::function<void(ModalDialog&)>& answerHook() {
    static std::function<void(ModalDialog&)> hook;
    return hook;
}
} // namespace

QFont editFont(const QString& fontName) {
    QFont font(fontName);
    font.setBold(false);
    font.setPointSize(10);
    font.setWeight(QFont::Bold);
    return font;
}

ModalDialog::ModalDialog(QWidget* owner, const QString& objectName, const QString& caption, int widthTwips,
                         int heightTwips, bool stayOnTop, Frame frame)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         (frame == Frame::Fixed ? Qt::MSWindowsFixedSizeDialogHint : Qt::WindowFlags())),
      stayOnTop_(stayOnTop) {
    setObjectName(objectName);
    setWindowTitle(caption);
    setModal(true);
    setSizeGripEnabled(false);
    const QSize size(ui::twipsToPixelsX(widthTwips), ui::twipsToPixelsY(heightTwips));
    if (frame == Frame::Fixed)
        setFixedSize(size);
    else
        resize(size);
    ui::setGreyBackground(this);
    givenFont_ = ui::dialogFont();
}

void ModalDialog::setAnswer(std::function<void(ModalDialog&)> answer) { answerHook() = std::move(answer); }

void ModalDialog::run() {
    // The dialog is kept between openings, and OK and Cancel leave the stays-on-top state: it is
    // taken again at every opening, as is a dialog font changed by a new input language.
    if (stayOnTop_) ui::setTopmost(this, true);
    refreshDialogFont();
    ui::centreOver(this, parentWidget());
    if (const auto& answer = answerHook()) QTimer::singleShot(0, this, [this, answer] { answer(*this); });
    exec();
}

// A control of this dialog at a rectangle in twips, in the dialog font.
template <typename Control>
Control* ModalDialog::place(Control* control, const char* objectName, int left, int top, int width, int height) {
    control->setObjectName(QLatin1String(objectName));
    control->setGeometry(ui::twipsRect(left, top, width, height));
    useDialogFont({control});
    return control;
}

QPushButton* ModalDialog::makeButton(const char* objectName, const QString& caption, int left, int top, int width,
                                     int height) {
    auto* button = place(new QPushButton(caption, this), objectName, left, top, width, height);
    ui::setButtonColour(button, false);
    // Enter confirms only through the button that has the focus (see keyPressEvent).
    button->setAutoDefault(false);
    ui::fitCaption(button);
    return button;
}

QLabel* ModalDialog::makeLabel(const char* objectName, const QString& caption, int left, int top, int width,
                               int height) {
    auto* label = place(new QLabel(caption, this), objectName, left, top, width, height);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ui::fitCaption(label);
    return label;
}

QCheckBox* ModalDialog::makeCheckBox(const char* objectName, const QString& caption, int left, int top, int width,
                                     int height) {
    auto* box = place(new QCheckBox(caption, this), objectName, left, top, width, height);
    ui::fitCaption(box);
    return box;
}

QComboBox* ModalDialog::makeComboBox(const char* objectName, int left, int top, int width, int height) {
    auto* box = place(new QComboBox(this), objectName, left, top, width, height);
    box->setMaxVisibleItems(17);
    // The wheel turns a list only once it has the focus: scrolling over the dialog changes nothing.
    box->setFocusPolicy(Qt::StrongFocus);
    box->installEventFilter(this);
    return box;
}

void ModalDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // A focused button takes Enter as a click; anywhere else Enter does nothing, so typing a
        // name and pressing Enter never confirms the dialog.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled()) button->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool ModalDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        if (auto* box = qobject_cast<QComboBox*>(watched); box && !box->hasFocus()) {
            event->ignore();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ModalDialog::useDialogFont(std::initializer_list<QWidget*> controls) {
    for (QWidget* control : controls) {
        control->setFont(givenFont_);
        dialogFontControls_ << control;
    }
}

void ModalDialog::refreshDialogFont() {
    if (ui::dialogFont() == givenFont_) return;
    givenFont_ = ui::dialogFont();
    for (const QPointer<QWidget>& control : dialogFontControls_) {
        if (!control) continue;
        control->setFont(givenFont_);
        ui::fitCaption(control);
    }
}

void ModalDialog::finish() {
    if (stayOnTop_) ui::setTopmost(this, false);
    QDialog::done(QDialog::Accepted);
}

} // namespace editors
