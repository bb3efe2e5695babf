#pragma once
// The two group dialogs. "Edit Group" renames one group: EditErgebnis is 1 when the name changed,
// 2 when it did not, 0 on Cancel. The group table edits all 32 names in 16 rows at three scroll
// positions; every edit goes to its working copy at once, OK copies all of it back and always
// gives 1. Both keep EditErgebnis between openings and reload from the layout at each opening.

#include "base/GeneralSettings.h"
#include "base/LineLayout.h"
#include "editors/ModalDialog.h"

#include <array>

class QLabel;
class QScrollBar;

namespace editors {

class UnicodeTextBox;

class EditierenGroup : public ModalDialog {
    Q_OBJECT
public:
    EditierenGroup(base::LineLayout& layout, const base::GeneralSettings& settings, QWidget* owner);

    int16_t EditIndex = 0;
    base::DialogResult EditErgebnis = base::DialogResult::Cancelled;

    // Loads the name of group EditIndex and shows the dialog modally.
    base::DialogResult edit();

    UnicodeTextBox* textGroupName() const { return textGroupName_; }
    QPushButton* commandOK() const { return commandOK_; }
    QPushButton* commandCancel() const { return commandCancel_; }

protected:
    void cancel() override { CommandCancel_Click(); }

private:
    void CommandOK_Click();
    void CommandCancel_Click();

    base::LineLayout& layout_;
    const base::GeneralSettings& settings_;
    UnicodeTextBox* textGroupName_ = nullptr;
    QPushButton* commandOK_ = nullptr;
    QPushButton* commandCancel_ = nullptr;
};

class EditierenGroupT : public ModalDialog {
    Q_OBJECT
public:
    static constexpr int RowCount = 16;
    static constexpr int TableScrollStep = 8; // groups moved per scroll step

    EditierenGroupT(base::LineLayout& layout, const base::GeneralSettings& settings, QWidget* owner);

    base::DialogResult EditErgebnis = base::DialogResult::Cancelled;
    std::array<QString, base::GroupCount> GruppenNamen;
    int ErsteGruppe = 0;

    // Copies the group names, shows the first rows and shows the dialog modally.
    base::DialogResult edit();

    QPushButton* marke(int row) const { return marke_[static_cast<size_t>(row)]; }
    UnicodeTextBox* textGroupName(int row) const { return textGroupName_[static_cast<size_t>(row)]; }
    QScrollBar* vScroll() const { return vScroll_; }
    QPushButton* commandOK() const { return commandOK_; }
    QPushButton* commandCancel() const { return commandCancel_; }

protected:
    void cancel() override { CommandCancel_Click(); }

private:
    void GruppenAnzeigen();
    void CommandOK_Click();
    void CommandCancel_Click();

    base::LineLayout& layout_;
    const base::GeneralSettings& settings_;
    QLabel* labelBeschriftung_ = nullptr;
    std::array<QPushButton*, RowCount> marke_{};
    std::array<UnicodeTextBox*, RowCount> textGroupName_{};
    QScrollBar* vScroll_ = nullptr;
    QPushButton* commandOK_ = nullptr;
    QPushButton* commandCancel_ = nullptr;
};

} // namespace editors
