#pragma once
// What every configuration dialog shares: a fixed size in twips, placement centred over its owner,
// the stays-on-top rule of stations that ask for it, the shared dialog font, and the ways to close
// it (Esc and the title bar's close button act as Cancel). Tests answer any dialog through one hook.

#include "base/States.h"

#include <QDialog>

#include <functional>
#include <initializer_list>

class QPushButton;

namespace editors {

class ModalDialog : public QDialog {
    Q_OBJECT
public:
    // A dialog of the given client size in twips; `stayOnTop` keeps it above all other windows
    // from now until it closes through OK or Cancel.
    ModalDialog(QWidget* owner, const QString& objectName, const QString& caption, int widthTwips, int heightTwips,
                bool stayOnTop);

    // Shows the dialog modally, centred over its owner (when it has one); returns when it closed.
    void run();

    // Runs `answer` with every dialog once it is shown modally, until reset with an empty function.
    // Tests answer dialogs with it.
    static void setAnswer(std::function<void(ModalDialog&)> answer);

protected:
    // A light grey button with a caption, at a rectangle in twips, in the dialog font.
    QPushButton* makeButton(const char* objectName, const QString& caption, int left, int top, int width, int height);
    // Gives the shared dialog font to these controls.
    void useDialogFont(std::initializer_list<QWidget*> controls);

    // The Cancel action; Esc and closing by the title bar run it too.
    virtual void cancel() = 0;
    // Ends the dialog after OK or Cancel: leaves the stays-on-top state first.
    void finish();

    void reject() override { cancel(); }

private:
    bool stayOnTop_;
};

} // namespace editors
