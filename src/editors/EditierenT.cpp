// The machine table editor: the dialog that ties the rows, the headings and the pick lists
// together: opening, loading, the fonts, filling the rows, the events of its parts, OK and Cancel.
#include "editors/EditierenT.h"

#include "editors/MachineForm.h"
#include "editors/SymbolAuswahl.h"
#include "editors/UnicodeTextBox.h"
#include "ui/DialogFont.h"
#include "ui/Palette.h"
#include "ui/SymbolImages.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <cmath>

using namespace base;

namespace editors {

using namespace machine_table;

namespace {

// The look of the table's cells: grey boxes with a thin line under each, the pick boxes with a
// small mark that says a list opens from them.
const char* const TableStyle =
    "QLineEdit[cell=\"text\"], QLineEdit[cell=\"pick\"] { background: @surface; color: @cellText; border: none;"
    " border-bottom: 1px solid @rule; padding: 0 3px; }"
    "QLineEdit[cell=\"pick\"] { border-right: 6px solid @pickMark; }"
    "QLineEdit[cell=\"text\"]:disabled, QLineEdit[cell=\"pick\"]:disabled { color: @textDisabled; }"
    "QLineEdit[cell=\"text\"]:focus, QLineEdit[cell=\"pick\"]:focus { border-bottom: 2px solid @focus; }"
    "QListWidget { background: @listSurface; border: 1px solid @listEdge; }"
    "QListWidget::item:selected { background: @focus; color: @onDark; }"
    "QLabel[cell=\"heading\"] { background: @heading; color: @onDark; padding-left: 4px; }";
} // namespace

EditierenT::EditierenT(LineLayout& layout, const GeneralSettings& settings, QString programDirectory,
                       ui::SymbolImages& symbols, QWidget* owner)
    : ModalDialog(owner, QStringLiteral("EditierenT"), QStringLiteral("Edit Maschine"), WindowWidth, WindowHeight,
                  settings.ostrelPresent),
      layout_(layout), settings_(settings), programDirectory_(std::move(programDirectory)), symbols_(symbols) {
    setStyleSheet(ui::styleSheet(QString::fromLatin1(TableStyle)));
    watch(this, Part::Background);
    buildHeadings();
    for (int r = 0; r < RowCount; ++r) buildRow(r);

    vScroll_ = new QScrollBar(Qt::Vertical, this);
    vScroll_->setObjectName(QStringLiteral("VScroll"));
    vScroll_->setGeometry(ui::twipsRect(VScrollLeft, HeadingHeight, 300, 7630));
    vScroll_->setRange(0, LastScrollStep);
    vScroll_->setSingleStep(1);
    vScroll_->setPageStep(2);
    connect(vScroll_, &QScrollBar::valueChanged, this, [this](int value) {
        hideLists();
        ErsteMaschine = value * SlotsPerStep;
        MaschinenAnzeigen();
    });
    hScroll_ = new QScrollBar(Qt::Horizontal, this);
    hScroll_->setObjectName(QStringLiteral("HScroll"));
    hScroll_->setGeometry(ui::twipsRect(0, HScrollTop, WindowWidth, 300));
    hScroll_->setSingleStep(1);
    hScroll_->setPageStep(1);
    connect(hScroll_, &QScrollBar::valueChanged, this, [this] {
        hideLists();
        SpaltenAnordnen(false);
    });

    commandOK_ = makeButton("CommandOK", QStringLiteral("OK"), 45, 8520, 1200, 360);
    commandCancel_ = makeButton("CommandCancel", QStringLiteral("Cancel"), 1275, 8520, 1200, 360);
    connect(commandOK_, &QPushButton::clicked, this, &EditierenT::CommandOK_Click);
    connect(commandCancel_, &QPushButton::clicked, this, &EditierenT::CommandCancel_Click);

    buildLists();
    setTabOrder();
}

EditierenT::~EditierenT() = default;

void EditierenT::watch(QObject* object, Part part, int row, int index) {
    targets_.insert(object, Target{part, row, index});
    if (object != this) object->installEventFilter(this);
}

void EditierenT::setTabOrder() {
    // Row by row through the cells; cells scrolled out of view are skipped because they are hidden.
    QWidget* previous = nullptr;
    const auto chain = [&previous](QWidget* next) {
        if (previous) QWidget::setTabOrder(previous, next);
        previous = next;
    };
    for (const Row& row : rows_) {
        chain(row.enabled);
        chain(row.name);
        chain(row.address);
        chain(row.machineNumber);
        chain(row.group);
        for (QLineEdit* box : row.visuGroups) chain(box);
        chain(row.remoteControl);
        chain(row.statusPLC);
    }
    chain(commandOK_);
    chain(commandCancel_);
}

SymbolAuswahl& EditierenT::symbolPicker() {
    if (!symbolPicker_) symbolPicker_ = std::make_unique<SymbolAuswahl>(programDirectory_, settings_.ostrelPresent);
    return *symbolPicker_;
}

MachineRecord& EditierenT::record(int r) { return table.EditMaschinen[static_cast<size_t>(ErsteMaschine + r)]; }

DialogResult EditierenT::edit() {
    load();
    run();
    return EditErgebnis;
}

void EditierenT::load() {
    applyFonts();
    ErsteMaschine = 0;
    SpaltenAnzahl = 0;
    groupEntries_ = groupEntries(layout_);
    for (QListWidget* list : {listGruppe_, listGruppeVisu_}) {
        list->clear();
        list->addItems(groupEntries_);
    }
    fillCommandList();
    table.load(layout_);
    {
        const QSignalBlocker quietV(vScroll_);
        const QSignalBlocker quietH(hScroll_);
        vScroll_->setValue(0);
        hScroll_->setValue(0);
    }
    hideLists();
    SpaltenAnordnen(false);
    MaschinenAnzeigen();
}

void EditierenT::applyFonts() {
    // The headings and boxes keep their designed size and weight in the dialog font's face; the
    // machine names use the station's edit font and locale. Set again only when they changed.
    const QString face = ui::dialogFont().family();
    const QFont edit = editFont(settings_.fontName);
    if (rows_[0].name->lcId() != settings_.lcId || edit != editFont_)
        for (Row& row : rows_) {
            row.name->setBoxFont(edit);
            row.name->setLcId(settings_.lcId);
        }
    if (face == fontFace_ && edit == editFont_) return;
    fontFace_ = face;
    editFont_ = edit;
    QFont design(face);
    design.setPointSizeF(9.75);
    design.setBold(true);
    headingFont_ = design;
    fittedWidth_.fill(-1);
    for (Row& row : rows_) {
        for (QLineEdit* box : {row.address, row.machineNumber, row.group}) box->setFont(design);
        for (QLineEdit* box : row.visuGroups) box->setFont(design);
        QFont mark = row.marke->font();
        mark.setFamily(face);
        row.marke->setFont(mark);
    }
    for (QListWidget* list : {listGruppe_, listGruppeVisu_}) list->setFont(ui::dialogFont());
    for (QWidget* control : {static_cast<QWidget*>(listMachineNumber_), static_cast<QWidget*>(listMarke_),
                             static_cast<QWidget*>(commandOK_), static_cast<QWidget*>(commandCancel_)}) {
        QFont font = control->font();
        font.setFamily(face);
        control->setFont(font);
    }
}

void EditierenT::MaschinenAnzeigen() {
    Fuellen = true;
    for (int r = 0; r < RowCount; ++r) {
        Row& row = rows_[static_cast<size_t>(r)];
        const MachineRecord& m = record(r);
        row.marke->setText(QString::number(ErsteMaschine + r));
        showSymbol(r);
        row.enabled->setChecked(m.Enabled);
        row.name->setUnicodeText(m.Text);
        row.address->setText(m.Address);
        row.machineNumber->setText(entryText(machineEntries_, machine_form::positionForMachine(m.Machine), m.Machine));
        row.group->setText(entryText(groupEntries_, machine_form::positionForGroup(m.Group), m.Group));
        for (size_t j = 0; j < VisuGroupPositions; ++j)
            row.visuGroups[j]->setText(
                entryText(groupEntries_, machine_form::positionForGroup(m.VisuGroup[j]), m.VisuGroup[j]));
        for (QLineEdit* box : {row.address, row.machineNumber, row.group}) box->setCursorPosition(0);
        for (QLineEdit* box : row.visuGroups) box->setCursorPosition(0);
        row.remoteControl->setChecked(m.RemoteControl);
        row.statusPLC->setChecked(m.StatusPLC);
        applyEnabledRule(r);
    }
    Fuellen = false;
}

void EditierenT::Bild_Click(int r) {
    hideLists();
    SymbolAuswahl& picker = symbolPicker();
    picker.SymbolNr = record(r).Symbol;
    if (picker.pick() != 1) return;
    record(r).Symbol = picker.SymbolNr;
    showSymbol(r);
}

bool EditierenT::eventFilter(QObject* watched, QEvent* event) {
    const auto it = targets_.constFind(watched);
    if (it == targets_.constEnd()) return ModalDialog::eventFilter(watched, event);
    const Target target = *it;
    const QEvent::Type type = event->type();
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    const bool release = type == QEvent::MouseButtonRelease;
    const bool move = type == QEvent::MouseMove;
    if (type == QEvent::KeyPress) return keyPressed(target, static_cast<QKeyEvent*>(event));
    if (!press && !release && !move) return ModalDialog::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    switch (target.part) {
    case Part::Heading:
    case Part::Row:
    case Part::Cell:
    case Part::Address:
        if (press) hideLists();
        return false;
    case Part::Grip: gripEvent(target.index, type, mouse); return true;
    case Part::Marke:
        if (release) openCommandList(target.row);
        return false;
    case Part::Bild:
        if (release && mouse->button() == Qt::LeftButton && widget->isEnabled()) Bild_Click(target.row);
        return false;
    case Part::MachineNumber:
    case Part::Group:
    case Part::VisuGroup:
        if (release && widget->isEnabled()) openPickList(target.part, target.row, target.index);
        return false;
    case Part::PickList:
        if (press && mouse->button() == Qt::RightButton) {
            hideLists();
            return true;
        }
        return false;
    case Part::CommandList:
        if (move)
            selectCommand(table.commandAt(twipsY(mouse->position())));
        else if (type == QEvent::MouseButtonPress)
            commandListPressed(mouse->button());
        return true; // the list's own selection handling stays out of the way
    case Part::Background:
    case Part::PickListKeys: return false;
    }
    return false;
}

void EditierenT::mousePressEvent(QMouseEvent* event) {
    hideLists(); // a press on the window's background
    ModalDialog::mousePressEvent(event);
}

void EditierenT::wheelEvent(QWheelEvent* event) {
    // Over the rows one notch of the wheel is one step of the vertical scroll bar.
    const int y = twipsY(event->position());
    if (y < HeadingHeight || y >= HScrollTop) {
        ModalDialog::wheelEvent(event);
        return;
    }
    wheelDelta_ += event->angleDelta().y();
    const int steps = wheelDelta_ / 120;
    wheelDelta_ -= steps * 120;
    if (steps != 0) vScroll_->setValue(vScroll_->value() - steps);
    event->accept();
}

void EditierenT::CommandOK_Click() {
    hideLists();
    table.storeInto(layout_);
    EditErgebnis = DialogResult::ConfirmedChanged;
    finish();
}

void EditierenT::CommandCancel_Click() {
    hideLists();
    EditErgebnis = DialogResult::Cancelled;
    finish();
}

QRect EditierenT::placeRect(const Place& place) {
    return ui::twipsRect(place.left, place.top, place.width, place.height);
}

// Pointer positions arrive in pixels; the layout works in twips.
int EditierenT::twipsX(const QPointF& position) {
    return ui::pixelsToTwipsX(static_cast<int>(std::floor(position.x())));
}
int EditierenT::twipsY(const QPointF& position) {
    return ui::pixelsToTwipsY(static_cast<int>(std::floor(position.y())));
}

} // namespace editors
