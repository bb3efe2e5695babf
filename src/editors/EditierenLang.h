#pragma once
// "Choose Language": the modal list of the language table, from which the operator picks the
// input language. LangErgebnis is the 1-based entry chosen, 0 when cancelled or nothing selected.

#include "editors/ModalDialog.h"
#include "lang/LanguageTable.h"

class QListWidget;
class QPushButton;

namespace editors {

class EditierenLang : public ModalDialog {
    Q_OBJECT
public:
    EditierenLang(const lang::LanguageTable& languages, int32_t currentLcId, bool ostrelPresent,
                  QWidget* owner = nullptr);

    int16_t LangErgebnis = 0;

    // Shows the list modally; returns LangErgebnis.
    int16_t choose();

    QListWidget* list() const { return list_; }
    QPushButton* commandOK() const { return commandOK_; }
    QPushButton* commandCancel() const { return commandCancel_; }

    // The entry preselected for a locale: its first entry, else the first 1033 entry, else none (0).
    static int preselection(const lang::LanguageTable& languages, int32_t lcId);

protected:
    void cancel() override { CommandCancel_Click(); }

private:
    void CommandOK_Click();
    void CommandCancel_Click();

    QListWidget* list_ = nullptr;
    QPushButton* commandOK_ = nullptr;
    QPushButton* commandCancel_ = nullptr;
};

} // namespace editors
