#include "editors/Editieren.h"

#include "editors/SymbolAuswahl.h"
#include "editors/UnicodeTextBox.h"
#include "platform/Platform.h"
#include "ui/SymbolImages.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

using namespace base;

namespace editors {

namespace {
// A list that shows a stored value it has no entry for as that value's number, with no entry
// selected.
void select(QComboBox* box, int position, int16_t stored) {
    box->setCurrentIndex(position);
    box->setPlaceholderText(position < 0 ? QString::number(stored) : QString());
}
} // namespace

Editieren::Editieren(LineLayout& layout, const GeneralSettings& settings, QString programDirectory, QWidget* owner)
    : ModalDialog(owner, QStringLiteral("Editieren"), QStringLiteral("Edit Maschine"), 9450, 7770,
                  settings.ostrelPresent),
      layout_(layout), settings_(settings), programDirectory_(std::move(programDirectory)) {
    checkEnabled_ = makeCheckBox("CheckEnabled", QStringLiteral("Enabled"), 45, 60, 3210, 330);
    commandSymbol_ = makeButton("CommandSymbol", QStringLiteral("Symbol"), 45, 690, 1200, 360);
    bild_ = new QLabel(this);
    bild_->setObjectName(QStringLiteral("Bild"));
    bild_->move(ui::twipsToPixelsX(45), ui::twipsToPixelsY(1095));
    bild_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    makeLabel("LabelMachineName", QStringLiteral("Machine Name"), 1515, 690, 3900, 360);
    textMachineName_ = new UnicodeTextBox(0, this);
    textMachineName_->setObjectName(QStringLiteral("TextMachineName"));
    textMachineName_->setGeometry(ui::twipsRect(5460, 690, 2505, 360));
    makeLabel("LabelComputerName", QStringLiteral("Computer Name"), 1515, 1170, 3900, 360);
    textComputerName_ = new QLineEdit(this);
    textComputerName_->setObjectName(QStringLiteral("TextComputerName"));
    textComputerName_->setGeometry(ui::twipsRect(5460, 1170, 2505, 360));
    textComputerName_->setMaxLength(std::numeric_limits<int>::max());
    useDialogFont({textComputerName_});
    makeLabel("LabelMachineNumber", QStringLiteral("Machine Number in Visualisation"), 1515, 1650, 3900, 360);
    comboMachineNumber_ = makeComboBox("ComboMachineNumber", 5460, 1650, 675, 360);
    makeLabel("LabelGruppe", QStringLiteral("Group"), 1515, 2130, 3900, 360);
    comboGruppe_ = makeComboBox("ComboGruppe", 5460, 2130, 2505, 360);
    checkRemoteControl_ = makeCheckBox("CheckRemoteControl", QStringLiteral("Remote Control"), 1515, 2610, 3900, 360);
    checkStatusPLC_ = makeCheckBox("CheckStatusPLC", QStringLiteral("Status from PLC"), 1515, 3090, 3900, 360);
    for (int k = 1; k <= VisuGroupPositions; ++k) {
        const int top = 4050 + 480 * (k - 1);
        makeLabel(QStringLiteral("LabelGruppeVisu%1").arg(k).toLatin1().constData(),
                  QStringLiteral("Group %1 for Visu").arg(k), 1515, top, 3900, 360);
        comboGruppeVisu_[static_cast<size_t>(k - 1)] =
            makeComboBox(QStringLiteral("ComboGruppeVisu%1").arg(k).toLatin1().constData(), 5460, top, 2505, 360);
    }
    commandOK_ = makeButton("CommandOK", QStringLiteral("OK"), 45, 6930, 1200, 360);
    commandCancel_ = makeButton("CommandCancel", QStringLiteral("Cancel"), 1275, 6930, 1200, 360);

    comboMachineNumber_->addItems(machine_form::machineNumberEntries());
    connect(checkEnabled_, &QCheckBox::clicked, this, &Editieren::applyEnabledRule);
    connect(commandSymbol_, &QPushButton::clicked, this, &Editieren::CommandSymbol_Click);
    connect(commandOK_, &QPushButton::clicked, this, &Editieren::CommandOK_Click);
    connect(commandCancel_, &QPushButton::clicked, this, &Editieren::CommandCancel_Click);
}

Editieren::~Editieren() = default;

SymbolAuswahl& Editieren::symbolPicker() {
    if (!symbolPicker_) symbolPicker_ = std::make_unique<SymbolAuswahl>(programDirectory_, settings_.ostrelPresent);
    return *symbolPicker_;
}

DialogResult Editieren::edit() {
    load();
    run();
    return EditErgebnis;
}

void Editieren::load() {
    const MachineRecord& record = layout_.Machines[static_cast<size_t>(EditIndex)];
    const QStringList groups = machine_form::groupEntries(layout_);
    for (QComboBox* box : {comboGruppe_, comboGruppeVisu_[0], comboGruppeVisu_[1], comboGruppeVisu_[2],
                           comboGruppeVisu_[3], comboGruppeVisu_[4], comboGruppeVisu_[5]}) {
        box->clear();
        box->addItems(groups);
    }
    const MachineForm form = MachineForm::from(record);
    select(comboMachineNumber_, form.machinePosition, record.Machine);
    select(comboGruppe_, form.groupPosition, record.Group);
    for (size_t k = 0; k < VisuGroupPositions; ++k)
        select(comboGruppeVisu_[k], form.visuGroupPositions[k], record.VisuGroup[k]);

    textMachineName_->setBoxFont(editFont(settings_.fontName));
    textMachineName_->setLcId(settings_.lcId);
    textMachineName_->setUnicodeText(record.Text);
    textComputerName_->setText(record.Address);
    checkRemoteControl_->setChecked(record.RemoteControl);
    checkStatusPLC_->setChecked(record.StatusPLC);
    EditSymbol = record.Symbol;
    showSymbol(false);
    checkEnabled_->setChecked(record.Enabled);
    applyEnabledRule();
}

void Editieren::showSymbol(bool keepWithoutPicture) {
    // At an opening a number without a picture shows an empty place; a picked one keeps the
    // picture shown before it.
    const QPixmap picture = ui::readSymbolPicture(ui::symbolPath(programDirectory_, EditSymbol));
    if (picture.isNull() && keepWithoutPicture) return;
    bild_->setPixmap(picture);
    bild_->resize(picture.isNull() ? QSize(0, 0) : picture.size());
}

void Editieren::applyEnabledRule() {
    const bool on = checkEnabled_->isChecked();
    for (QWidget* control : {static_cast<QWidget*>(commandSymbol_), static_cast<QWidget*>(textMachineName_),
                             static_cast<QWidget*>(textComputerName_), static_cast<QWidget*>(comboMachineNumber_),
                             static_cast<QWidget*>(checkRemoteControl_), static_cast<QWidget*>(checkStatusPLC_),
                             static_cast<QWidget*>(comboGruppe_)})
        control->setEnabled(on);
    for (QComboBox* box : comboGruppeVisu_) box->setEnabled(on);
}

void Editieren::CommandSymbol_Click() {
    SymbolAuswahl& picker = symbolPicker();
    picker.SymbolNr = EditSymbol;
    if (picker.pick() != 1) return;
    EditSymbol = picker.SymbolNr;
    showSymbol(true);
}

MachineForm Editieren::form() const {
    MachineForm f;
    f.address = textComputerName_->text();
    f.text = textMachineName_->UnicodeText();
    f.symbol = EditSymbol;
    f.remoteControl = checkRemoteControl_->isChecked();
    f.statusPLC = checkStatusPLC_->isChecked();
    f.machinePosition = comboMachineNumber_->currentIndex();
    f.enabled = checkEnabled_->isChecked();
    f.groupPosition = comboGruppe_->currentIndex();
    for (size_t k = 0; k < VisuGroupPositions; ++k) f.visuGroupPositions[k] = comboGruppeVisu_[k]->currentIndex();
    return f;
}

void Editieren::CommandOK_Click() {
    EditErgebnis = form().applyTo(layout_.Machines[static_cast<size_t>(EditIndex)]) ? DialogResult::ConfirmedChanged
                                                                                    : DialogResult::ConfirmedUnchanged;
    finish();
}

void Editieren::CommandCancel_Click() {
    EditErgebnis = DialogResult::Cancelled;
    finish();
}

} // namespace editors
