#pragma once
// What every configuration dialog shares: a size in twips, placement centred over its owner, the
// stays-on-top rule of stations that ask for it, the shared dialog font, and the keys. Esc and the
// title bar's close button act as Cancel; Enter confirms only through a focused button, never
// from a text box. Tests answer any dialog through one hook.

#include "base/States.h"

#include <QDialog>
#include <QList>
#include <QPointer>

#include <functional>
#include <initializer_list>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace editors {

// The font of the dialogs' name boxes: the station's font name, 10 pt, weight 700.
QFont editFont(const QString& fontName);

class ModalDialog : public QDialog {
    Q_OBJECT
public:
    enum class Frame { Fixed, Resizable };

    // A dialog of the given client size in twips; `stayOnTop` keeps it above all other windows
    // from every opening until it closes through OK or Cancel.
    ModalDialog(QWidget* owner, const QString& objectName, const QString& caption, int widthTwips, int heightTwips,
                bool stayOnTop, Frame frame = Frame::Fixed);

    // Shows the dialog modally, centred over its owner (when it has one), topmost when asked and
    // with the shared dialog font as it is now; returns when it closed.
    void run();

    // Runs `answer` with every dialog once it is shown modally, until reset with an empty function.
    // Tests answer dialogs with it.
    static void setAnswer(std::function<void(ModalDialog&)> answer);

    // Esc, the title bar's close button and a test's answer all cancel through here.
    void reject() override { cancel(); }

protected:
    // Controls at a rectangle in twips, in the dialog font, their captions fitted.
    QPushButton* makeButton(const char* objectName, const QString& caption, int left, int top, int width, int height);
    QLabel* makeLabel(const char* objectName, const QString& caption, int left, int top, int width, int height);
    QCheckBox* makeCheckBox(const char* objectName, const QString& caption, int left, int top, int width, int height);
    QComboBox* makeComboBox(const char* objectName, int left, int top, int width, int height);
    // Gives the shared dialog font to these controls, now and at every opening.
    void useDialogFont(std::initializer_list<QWidget*> controls);

    // The Cancel action; Esc and closing by the title bar run it too.
    virtual void cancel() = 0;
    // Ends the dialog after OK or Cancel: leaves the stays-on-top state first.
    void finish();

    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    template <typename Control>
    Control* place(Control* control, const char* objectName, int left, int top, int width, int height);
    // The shared dialog font again for every control that has it, when it changed since.
    void refreshDialogFont();

    bool stayOnTop_;
    QList<QPointer<QWidget>> dialogFontControls_;
    QFont givenFont_; // the dialog font last given to them
};

} // namespace editors
