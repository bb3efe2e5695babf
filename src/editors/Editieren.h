#pragma once
// "Edit Maschine": the modal editor of one machine slot. The caller sets EditIndex, runs it and
// reads EditErgebnis (0 cancelled, 1 confirmed with a change, 2 confirmed without one); on OK the
// slot's record in the layout holds the dialog's values. EditErgebnis is never reset on opening.
// The dialog is created once and reloads every control from the record at each opening.

#include "base/GeneralSettings.h"
#include "base/LineLayout.h"
#include "editors/MachineForm.h"
#include "editors/ModalDialog.h"

#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace editors {

class SymbolAuswahl;
class UnicodeTextBox;

class Editieren : public ModalDialog {
    Q_OBJECT
public:
    Editieren(base::LineLayout& layout, const base::GeneralSettings& settings, QString programDirectory,
              QWidget* owner);
    ~Editieren() override;

    int16_t EditIndex = 0;
    base::DialogResult EditErgebnis = base::DialogResult::Cancelled;
    int16_t EditSymbol = -1;

    // Loads the controls from slot EditIndex and shows the dialog modally.
    base::DialogResult edit();

    // The symbol picker this editor opens (created on first use).
    SymbolAuswahl& symbolPicker();
    MachineForm form() const;

    QCheckBox* checkEnabled() const { return checkEnabled_; }
    QPushButton* commandSymbol() const { return commandSymbol_; }
    QLabel* bild() const { return bild_; }
    UnicodeTextBox* textMachineName() const { return textMachineName_; }
    QLineEdit* textComputerName() const { return textComputerName_; }
    QComboBox* comboMachineNumber() const { return comboMachineNumber_; }
    QComboBox* comboGruppe() const { return comboGruppe_; }
    QComboBox* comboGruppeVisu(int k) const { return comboGruppeVisu_[static_cast<size_t>(k - 1)]; }
    QCheckBox* checkRemoteControl() const { return checkRemoteControl_; }
    QCheckBox* checkStatusPLC() const { return checkStatusPLC_; }
    QPushButton* commandOK() const { return commandOK_; }
    QPushButton* commandCancel() const { return commandCancel_; }

protected:
    void cancel() override { CommandCancel_Click(); }

private:
    void load();
    void applyEnabledRule();
    // Bild shows the picture of EditSymbol; one without a picture file leaves Bild empty, or as it
    // was with `keepWithoutPicture`.
    void showSymbol(bool keepWithoutPicture);
    void CommandSymbol_Click();
    void CommandOK_Click();
    void CommandCancel_Click();

    base::LineLayout& layout_;
    const base::GeneralSettings& settings_;
    QString programDirectory_;
    std::unique_ptr<SymbolAuswahl> symbolPicker_;

    QCheckBox* checkEnabled_ = nullptr;
    QPushButton* commandSymbol_ = nullptr;
    QLabel* bild_ = nullptr;
    UnicodeTextBox* textMachineName_ = nullptr;
    QLineEdit* textComputerName_ = nullptr;
    QComboBox* comboMachineNumber_ = nullptr;
    QComboBox* comboGruppe_ = nullptr;
    std::array<QComboBox*, base::VisuGroupPositions> comboGruppeVisu_{};
    QCheckBox* checkRemoteControl_ = nullptr;
    QCheckBox* checkStatusPLC_ = nullptr;
    QPushButton* commandOK_ = nullptr;
    QPushButton* commandCancel_ = nullptr;
};

} // namespace editors
