#pragma once
// The machine table editor: all 64 machine slots in 16 rows and 14 columns. Its parts are defined in
// files of their own: EditierenTRows.cpp (the cells of a row), EditierenTHeadings.cpp (headings,
// grips, the column layout), EditierenTLists.cpp (the pick lists and their keys); this dialog's
// file ties them together. It edits a working
// copy; OK copies the whole copy back into the layout and gives EditErgebnis 1 (changed or not),
// Cancel drops it and gives 0. Column widths are the layout's TableSize, changed in place while
// dragging and kept after Cancel. The dialog object lives for the whole run and reloads every row
// at each opening; the row clipboard survives between openings.

#include "base/GeneralSettings.h"
#include "base/LineLayout.h"
#include "editors/MachineTable.h"
#include "editors/ModalDialog.h"

#include <QEvent>
#include <QFont>
#include <QHash>

#include <array>
#include <memory>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QScrollBar;
namespace ui {
class SymbolImages;
}

namespace editors {

class SymbolAuswahl;
class UnicodeTextBox;

class EditierenT : public ModalDialog {
    Q_OBJECT
public:
    // `symbols` is the picture cache the rows share with the main window's tiles.
    EditierenT(base::LineLayout& layout, const base::GeneralSettings& settings, QString programDirectory,
               ui::SymbolImages& symbols, QWidget* owner);
    ~EditierenT() override;

    base::DialogResult EditErgebnis = base::DialogResult::Cancelled;
    machine_table::WorkingCopy table; // EditMaschinen, KopieMaschine, Kopiert
    int ErsteSpalte() const;          // first column shown: the horizontal bar's value
    int ErsteMaschine = 0;            // slot shown in row 0
    int SpaltenAnzahl = 0;            // columns laid out
    bool Fuellen = false;             // the rows are being filled
    bool Ziehen = false;              // a column width is being dragged
    int ZiehStartX = 0;
    int MarkeZeile = 0;

    // Loads the working copy and the rows and shows the dialog modally.
    base::DialogResult edit();

    // The symbol picker a row's picture opens (created on first use).
    SymbolAuswahl& symbolPicker();

    // Lays out headings and grips, and unless `headingsOnly` the cells of every row.
    void SpaltenAnordnen(bool headingsOnly);

    // Controls, for tests and the screenshots.
    QLabel* heading(int c) const { return heading_[static_cast<size_t>(c)]; }
    QWidget* grip(int c) const { return grip_[static_cast<size_t>(c)]; }
    QWidget* row(int r) const { return rows_[static_cast<size_t>(r)].container; }
    QWidget* cell(int r, int c) const { return rows_[static_cast<size_t>(r)].cells[static_cast<size_t>(c)]; }
    QPushButton* marke(int r) const { return rows_[static_cast<size_t>(r)].marke; }
    QCheckBox* checkEnabled(int r) const { return rows_[static_cast<size_t>(r)].enabled; }
    QLabel* bild(int r) const { return rows_[static_cast<size_t>(r)].bild; }
    UnicodeTextBox* textMachineName(int r) const { return rows_[static_cast<size_t>(r)].name; }
    QLineEdit* textComputerName(int r) const { return rows_[static_cast<size_t>(r)].address; }
    QLineEdit* textMachineNumber(int r) const { return rows_[static_cast<size_t>(r)].machineNumber; }
    QLineEdit* textGruppe(int r) const { return rows_[static_cast<size_t>(r)].group; }
    QLineEdit* textGruppeVisu(int r, int j) const {
        return rows_[static_cast<size_t>(r)].visuGroups[static_cast<size_t>(j - 1)];
    }
    QCheckBox* checkRemoteControl(int r) const { return rows_[static_cast<size_t>(r)].remoteControl; }
    QCheckBox* checkStatusPLC(int r) const { return rows_[static_cast<size_t>(r)].statusPLC; }
    QScrollBar* vScroll() const { return vScroll_; }
    QScrollBar* hScroll() const { return hScroll_; }
    QListWidget* listGruppe() const { return listGruppe_; }
    QListWidget* listGruppeVisu() const { return listGruppeVisu_; }
    QListWidget* listMachineNumber() const { return listMachineNumber_; }
    QListWidget* listMarke() const { return listMarke_; }
    QPushButton* commandOK() const { return commandOK_; }
    QPushButton* commandCancel() const { return commandCancel_; }

protected:
    void cancel() override { CommandCancel_Click(); }
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // What a watched control is; the index is a row, a column or a visualisation-group box.
    enum class Part {
        Background,
        Heading,
        Grip,
        Row,
        Cell,
        Marke,
        Bild,
        Address,
        MachineNumber,
        Group,
        VisuGroup,
        PickList,
        PickListKeys,
        CommandList
    };
    struct Target {
        Part part;
        int row = 0;
        int index = 0;
    };
    struct Row {
        QWidget* container = nullptr;
        QPushButton* marke = nullptr;
        std::array<QWidget*, base::TableColumns> cells{};
        QCheckBox* enabled = nullptr;
        QLabel* bild = nullptr;
        UnicodeTextBox* name = nullptr;
        QLineEdit* address = nullptr;
        QLineEdit* machineNumber = nullptr;
        QLineEdit* group = nullptr;
        std::array<QLineEdit*, base::VisuGroupPositions> visuGroups{};
        QCheckBox* remoteControl = nullptr;
        QCheckBox* statusPLC = nullptr;
    };

    // Built by the constructor, each in the file of its part.
    void buildHeadings();
    void buildLists();
    void buildRow(int r);
    QLineEdit* makePickBox(QWidget* cell, Part part, int r, int index);
    QListWidget* makeList(const char* objectName, int left, int top, int width, int height);
    void watch(QObject* object, Part part, int row = 0, int index = 0);
    void load();
    void applyFonts();
    void fillCommandList();
    void selectCommand(machine_table::Command command);
    int windowWidthTwips() const;
    void MaschinenAnzeigen();
    void ZelleAnordnen(int r, int c);
    void fitHeading(int c);
    void applyEnabledRule(int r);
    void showSymbol(int r);
    base::MachineRecord& record(int r);
    void hideLists();
    QListWidget* listFor(Part part) const; // the pick list of a box's kind
    void openPickList(Part part, int r, int index);
    void pickListClicked(QListWidget* list);
    bool keyPressed(const Target& target, QKeyEvent* key);
    // A mouse event on column c's grip: a press starts dragging its width, a move sets it, a
    // release ends it.
    void gripEvent(int c, QEvent::Type type, QMouseEvent* mouse);
    static QRect placeRect(const machine_table::Place& place);
    static int twipsX(const QPointF& position);
    static int twipsY(const QPointF& position);
    void openCommandList(int r);
    void commandListPressed(Qt::MouseButton button);
    void Bild_Click(int r);
    void CommandOK_Click();
    void CommandCancel_Click();
    void setTabOrder();

    base::LineLayout& layout_;
    const base::GeneralSettings& settings_;
    QString programDirectory_;
    ui::SymbolImages& symbols_;
    std::unique_ptr<SymbolAuswahl> symbolPicker_;
    machine_table::ColumnLayout columns_;
    QString fontFace_; // the fonts last given to the controls
    QFont editFont_;
    QFont headingFont_;
    std::array<int, base::TableColumns> fittedWidth_{}; // heading widths their captions were fitted to
    machine_table::Command commandSelected_ = machine_table::Command::None;
    QStringList groupEntries_;
    QStringList machineEntries_;
    int groupRow_ = 0;  // GruppeZeile
    int numberRow_ = 0; // NummerZeile
    int visuIndex_ = 0; // VisuIndex: row * 6 + position - 1
    int wheelDelta_ = 0;
    QWidget* pickBox_ = nullptr; // the box whose list the keyboard opened

    std::array<QLabel*, base::TableColumns> heading_{};
    std::array<QWidget*, base::TableColumns> grip_{};
    std::array<Row, machine_table::RowCount> rows_{};
    QScrollBar* vScroll_ = nullptr;
    QScrollBar* hScroll_ = nullptr;
    QListWidget* listGruppe_ = nullptr;
    QListWidget* listGruppeVisu_ = nullptr;
    QListWidget* listMachineNumber_ = nullptr;
    QListWidget* listMarke_ = nullptr;
    QPushButton* commandOK_ = nullptr;
    QPushButton* commandCancel_ = nullptr;
    QHash<QObject*, Target> targets_;
};

} // namespace editors
