#include "editors/EditierenT.h"

#include "editors/MachineForm.h"
#include "editors/SymbolAuswahl.h"
#include "editors/UnicodeTextBox.h"
#include "ui/Captions.h"
#include "ui/DialogFont.h"
#include "ui/Palette.h"
#include "ui/Style.h"
#include "ui/SymbolImages.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <cmath>
#include <limits>

using namespace machine_table;

namespace {
constexpr int WindowWidth = 11910;
constexpr int WindowHeight = 8925;

// The column headings, in column order.
const char* const Headings[TableColumns] = {"Enabled",          "Symbol",           "Machine Name",
                                            "Computer Name",    "Ma.No.in Visu",    "Group",
                                            "Group 1 for Visu", "Group 2 for Visu", "Group 3 for Visu",
                                            "Group 4 for Visu", "Group 5 for Visu", "Group 6 for Visu",
                                            "Remote Control",   "Status from PLC"};

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
constexpr int HeadingPaddingPx = 4;

// A column-width grip: a thin line between two headings that takes the sizing pointer.
class Grip : public QWidget {
public:
    explicit Grip(QWidget* parent) : QWidget(parent) { setCursor(Qt::SizeHorCursor); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(ui::colour(ui::Colour::GripLine));
        const int x = width() / 2;
        p.drawLine(x, 3, x, height() - 4);
    }
};

QRect twipsRect(const Place& place) { return ui::twipsRect(place.left, place.top, place.width, place.height); }

// Pointer positions arrive in pixels; the layout works in twips.
int twipsX(const QPointF& position) { return ui::pixelsToTwipsX(static_cast<int>(std::floor(position.x()))); }
int twipsY(const QPointF& position) { return ui::pixelsToTwipsY(static_cast<int>(std::floor(position.y()))); }
} // namespace

EditierenT::EditierenT(LineLayout& layout, const GeneralSettings& settings, QString programDirectory,
                       ui::SymbolImages& symbols, QWidget* owner)
    : ModalDialog(owner, QStringLiteral("EditierenT"), QStringLiteral("Edit Maschine"), WindowWidth, WindowHeight,
                  settings.ostrelPresent),
      layout_(layout), settings_(settings), programDirectory_(std::move(programDirectory)), symbols_(symbols) {
    setStyleSheet(ui::styleSheet(QString::fromLatin1(TableStyle)));
    watch(this, Part::Background);
    for (int c = 0; c < TableColumns; ++c) {
        auto* heading = new QLabel(QString::fromLatin1(Headings[c]), this);
        heading->setObjectName(QStringLiteral("LabelBeschriftung%1").arg(c));
        heading->setProperty("cell", QStringLiteral("heading"));
        heading->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        watch(heading, Part::Heading, 0, c);
        heading_[static_cast<size_t>(c)] = heading;
    }
    for (int c = 0; c < TableColumns; ++c) {
        auto* grip = new Grip(this);
        grip->setObjectName(QStringLiteral("ImageBeschriftung%1").arg(c));
        grip->resize(ui::twipsToPixelsX(GripWidth), ui::twipsToPixelsY(HeadingHeight));
        watch(grip, Part::Grip, 0, c);
        grip_[static_cast<size_t>(c)] = grip;
    }
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

    listGruppe_ = makeList("ListGruppe", 3240, 6330, 2400, 3420);
    listGruppeVisu_ = makeList("ListGruppeVisu", 5700, 6330, 2400, 3420);
    listMachineNumber_ = makeList("ListMachineNumber", 2460, 7200, 675, 2460);
    listMarke_ = makeList("ListMarke", 8145, 6360, 2400, 1020);
    machineEntries_ = machine_form::machineNumberEntries();
    listMachineNumber_->addItems(machineEntries_);
    for (QListWidget* list : {listGruppe_, listGruppeVisu_, listMachineNumber_}) {
        watch(list->viewport(), Part::PickList);
        watch(list, Part::PickListKeys);
        connect(list, &QListWidget::itemClicked, this, [this, list] { pickListClicked(list); });
        connect(list, &QListWidget::itemActivated, this, [this, list] { pickListClicked(list); });
    }
    // The command list follows the pointer itself: the entry under it is selected.
    listMarke_->viewport()->setMouseTracking(true);
    listMarke_->setFocusPolicy(Qt::NoFocus);
    listMarke_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    watch(listMarke_->viewport(), Part::CommandList);
    setTabOrder();
}

EditierenT::~EditierenT() = default;

void EditierenT::watch(QObject* object, Part part, int row, int index) {
    targets_.insert(object, Target{part, row, index});
    if (object != this) object->installEventFilter(this);
}

void EditierenT::buildRow(int r) {
    Row& row = rows_[static_cast<size_t>(r)];
    row.container = new QWidget(this);
    row.container->setObjectName(QStringLiteral("PictureZeile%1").arg(r));
    row.container->setGeometry(ui::twipsRect(0, rowTop(r), WindowWidth, RowHeight));
    watch(row.container, Part::Row, r);

    row.marke = new QPushButton(QStringLiteral("99"), row.container);
    row.marke->setObjectName(QStringLiteral("Marke%1").arg(r));
    row.marke->setGeometry(ui::twipsRect(0, 0, MarkeWidth, 405));
    QFont markFont(ui::dialogFont().family());
    markFont.setPointSize(6);
    row.marke->setFont(markFont);
    row.marke->setFocusPolicy(Qt::NoFocus);
    row.marke->setAutoDefault(false);
    row.marke->setStyleSheet(
        ui::styleSheet(QStringLiteral("QPushButton { background: @surface; color: @text; border: 1px solid @edgeQuiet;"
                                      " padding: 0; } QPushButton:hover { border-color: @edgeHover; }")));
    watch(row.marke, Part::Marke, r);

    for (int c = 0; c < TableColumns; ++c) {
        auto* cell = new QWidget(row.container);
        cell->setObjectName(QStringLiteral("PicZ%1").arg(r * TableColumns + c));
        cell->hide();
        watch(cell, Part::Cell, r, c);
        row.cells[static_cast<size_t>(c)] = cell;
    }
    const auto checkBox = [&](int c, const char* name) {
        auto* box = new QCheckBox(row.cells[static_cast<size_t>(c)]);
        box->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(name)).arg(r));
        return box;
    };
    row.enabled = checkBox(0, "CheckEnabled");
    connect(row.enabled, &QCheckBox::clicked, this, [this, r](bool on) {
        hideLists();
        record(r).Enabled = on;
        applyEnabledRule(r);
    });
    row.bild = new QLabel(row.cells[1]);
    row.bild->setObjectName(QStringLiteral("Bild%1").arg(r));
    row.bild->setScaledContents(true);
    watch(row.bild, Part::Bild, r);

    row.name = new UnicodeTextBox(r, row.cells[2]);
    row.name->setObjectName(QStringLiteral("TextMachineName%1").arg(r));
    row.name->setDesign(UnicodeTextBoxDesign::tableCell());
    connect(row.name, &UnicodeTextBox::Change, this, [this](int r) {
        // Also while the rows are filled: the box then holds exactly the record's text.
        record(r).Text = rows_[static_cast<size_t>(r)].name->UnicodeText();
    });
    connect(row.name, &UnicodeTextBox::Enter, this, [this] { hideLists(); });

    row.address = new QLineEdit(row.cells[3]);
    row.address->setObjectName(QStringLiteral("TextComputerName%1").arg(r));
    row.address->setProperty("cell", QStringLiteral("text"));
    row.address->setMaxLength(std::numeric_limits<int>::max());
    connect(row.address, &QLineEdit::textEdited, this, [this, r](const QString& text) { record(r).Address = text; });
    watch(row.address, Part::Address, r);

    row.machineNumber = makePickBox(row.cells[4], Part::MachineNumber, r, r);
    row.machineNumber->setObjectName(QStringLiteral("TextMachineNumber%1").arg(r));
    row.group = makePickBox(row.cells[5], Part::Group, r, r);
    row.group->setObjectName(QStringLiteral("TextGruppe%1").arg(r));
    for (int j = 1; j <= VisuGroupPositions; ++j) {
        const int index = r * VisuGroupPositions + j - 1;
        QLineEdit* box = makePickBox(row.cells[static_cast<size_t>(5 + j)], Part::VisuGroup, r, index);
        box->setObjectName(QStringLiteral("TextGruppeVisu%1").arg(index));
        row.visuGroups[static_cast<size_t>(j - 1)] = box;
    }
    row.remoteControl = checkBox(12, "CheckRemoteControl");
    connect(row.remoteControl, &QCheckBox::clicked, this, [this, r](bool on) {
        hideLists();
        record(r).RemoteControl = on;
    });
    row.statusPLC = checkBox(13, "CheckStatusPLC");
    connect(row.statusPLC, &QCheckBox::clicked, this, [this, r](bool on) {
        hideLists();
        record(r).StatusPLC = on;
    });
}

QLineEdit* EditierenT::makePickBox(QWidget* cell, Part part, int r, int index) {
    // Shows a value chosen from a list: it takes no typing, and any mouse button opens the list.
    auto* box = new QLineEdit(cell);
    box->setProperty("cell", QStringLiteral("pick"));
    box->setReadOnly(true);
    box->setCursor(Qt::ArrowCursor);
    box->setContextMenuPolicy(Qt::NoContextMenu);
    watch(box, part, r, index);
    return box;
}

QListWidget* EditierenT::makeList(const char* objectName, int left, int top, int width, int height) {
    auto* list = new QListWidget(this);
    list->setObjectName(QLatin1String(objectName));
    list->setGeometry(ui::twipsRect(left, top, width, height));
    list->setFont(ui::dialogFont());
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->hide();
    return list;
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
    const QFont edit = editors::editFont(settings_.fontName);
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

void EditierenT::fillCommandList() {
    listMarke_->clear();
    const int entryHeight = ui::twipsToPixelsY(CommandEntryHeight);
    for (const QString& entry : table.commandEntries()) {
        auto* item = new QListWidgetItem(entry, listMarke_);
        item->setSizeHint(QSize(0, entryHeight));
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

void EditierenT::showSymbol(int r) {
    // A record whose symbol has no picture shows an empty place, never the picture of the record
    // the row showed before.
    const int16_t symbol = record(r).Symbol;
    const QPixmap picture = symbols_.picture(symbol);
    rows_[static_cast<size_t>(r)].bild->setPixmap(picture);
}

void EditierenT::applyEnabledRule(int r) {
    Row& row = rows_[static_cast<size_t>(r)];
    const bool on = row.enabled->isChecked();
    for (QWidget* control :
         {static_cast<QWidget*>(row.bild), static_cast<QWidget*>(row.name), static_cast<QWidget*>(row.address),
          static_cast<QWidget*>(row.machineNumber), static_cast<QWidget*>(row.remoteControl),
          static_cast<QWidget*>(row.statusPLC), static_cast<QWidget*>(row.group)})
        control->setEnabled(on);
    for (QLineEdit* box : row.visuGroups) box->setEnabled(on);
}

int EditierenT::ErsteSpalte() const { return hScroll_->value(); }

int EditierenT::windowWidthTwips() const { return ui::pixelsToTwipsX(width()); }

void EditierenT::SpaltenAnordnen(bool headingsOnly) {
    const int first = ErsteSpalte();
    columns_ = layColumns(layout_.TableSize, first, windowWidthTwips());
    SpaltenAnzahl = columns_.count;
    for (int c = 0; c < TableColumns; ++c) {
        const Column& column = columns_.columns[static_cast<size_t>(c)];
        QLabel* heading = heading_[static_cast<size_t>(c)];
        QWidget* grip = grip_[static_cast<size_t>(c)];
        if (column.shown) {
            heading->setGeometry(ui::twipsRect(column.left, 0, column.width, HeadingHeight));
            fitHeading(c);
            grip->move(ui::twipsToPixelsX(column.gripLeft), 0);
            grip->raise();
        }
        heading->setVisible(column.shown);
        grip->setVisible(column.shown);
        if (headingsOnly) continue;
        for (int r = 0; r < RowCount; ++r) {
            if (column.shown)
                ZelleAnordnen(r, c);
            else
                rows_[static_cast<size_t>(r)].cells[static_cast<size_t>(c)]->hide();
        }
    }
    for (Row& row : rows_) row.container->resize(ui::twipsToPixelsX(columns_.rowWidth), row.container->height());
    vScroll_->raise();
    {
        const QSignalBlocker quiet(hScroll_);
        hScroll_->setMaximum(columns_.scrollMaximum);
    }
    // The range shrank below the first column shown: show from where the bar now stands.
    if (ErsteSpalte() != first) SpaltenAnordnen(headingsOnly);
}

void EditierenT::fitHeading(int c) {
    // A heading narrower than its caption shows it in a smaller size rather than cut off; the
    // room is the width less the padding and the grip over its right edge.
    QLabel* heading = heading_[static_cast<size_t>(c)];
    int& fitted = fittedWidth_[static_cast<size_t>(c)];
    if (heading->width() == fitted) return;
    fitted = heading->width();
    heading->setFont(headingFont_);
    ui::fitCaption(heading, HeadingPaddingPx + ui::twipsToPixelsX(GripWidth / 2) + 1);
}

void EditierenT::ZelleAnordnen(int r, int c) {
    const Column& column = columns_.columns[static_cast<size_t>(c)];
    Row& row = rows_[static_cast<size_t>(r)];
    QWidget* cell = row.cells[static_cast<size_t>(c)];
    cell->setGeometry(twipsRect(cellPlace(column)));
    const Place place = cellControlPlace(c, column.width);
    QWidget* control = nullptr;
    switch (c) {
    case 0: control = row.enabled; break;
    case 1: control = row.bild; break;
    case 2: control = row.name; break;
    case 3: control = row.address; break;
    case 4: control = row.machineNumber; break;
    case 5: control = row.group; break;
    case 12: control = row.remoteControl; break;
    case 13: control = row.statusPLC; break;
    default: control = row.visuGroups[static_cast<size_t>(c - 6)]; break;
    }
    control->setGeometry(twipsRect(place));
    cell->show();
}

void EditierenT::hideLists() {
    for (QListWidget* list : {listGruppe_, listGruppeVisu_, listMachineNumber_, listMarke_}) list->hide();
}

QListWidget* EditierenT::listFor(Part part) const {
    return part == Part::MachineNumber ? listMachineNumber_ : part == Part::Group ? listGruppe_ : listGruppeVisu_;
}

void EditierenT::openPickList(Part part, int r, int index) {
    QListWidget* list = listFor(part);
    for (QListWidget* other : {listGruppe_, listGruppeVisu_, listMachineNumber_, listMarke_})
        if (other != list) other->hide();
    const MachineRecord& m = record(r);
    int column = 4, boxWidth = 0, position = -1;
    switch (part) {
    case Part::MachineNumber:
        numberRow_ = r;
        position = machine_form::positionForMachine(m.Machine);
        break;
    case Part::Group:
        groupRow_ = r;
        column = 5;
        position = machine_form::positionForGroup(m.Group);
        break;
    default: {
        visuIndex_ = index;
        const int j = index - VisuGroupPositions * r + 1;
        column = 5 + j;
        position = machine_form::positionForGroup(m.VisuGroup[static_cast<size_t>(j - 1)]);
        break;
    }
    }
    const Column& cellColumn = columns_.columns[static_cast<size_t>(column)];
    const Place cell = cellPlace(cellColumn);
    boxWidth = column == 4 ? cell.width : cellControlPlace(column, cellColumn.width).width;
    const int x = cell.left + boxWidth / 2;
    const int y = rowTop(r) + RowHeight / 2;
    const Place place = listPlace(x, y, ui::pixelsToTwipsX(list->width()), ui::pixelsToTwipsY(list->height()));
    list->move(ui::twipsToPixelsX(place.left), ui::twipsToPixelsY(place.top));
    if (position >= 0 && position < list->count()) {
        list->setCurrentRow(position);
        list->scrollToItem(list->item(position), QAbstractItemView::PositionAtCenter);
    } else {
        // A stored value the list has no entry for: nothing is selected until one is clicked.
        list->clearSelection();
        list->setCurrentRow(-1);
    }
    list->show();
    list->raise();
}

void EditierenT::pickListClicked(QListWidget* list) {
    if (Fuellen) return;
    const int position = list->currentRow();
    if (position < 0) return;
    const QString text = list->currentItem()->text();
    if (list == listMachineNumber_) {
        rows_[static_cast<size_t>(numberRow_)].machineNumber->setText(text);
        record(numberRow_).Machine = machine_form::machineForPosition(position, record(numberRow_).Machine);
    } else if (list == listGruppe_) {
        rows_[static_cast<size_t>(groupRow_)].group->setText(text);
        record(groupRow_).Group = machine_form::groupForPosition(position, record(groupRow_).Group);
    } else {
        const int r = visuIndex_ / VisuGroupPositions;
        const size_t j = static_cast<size_t>(visuIndex_ - VisuGroupPositions * r);
        rows_[static_cast<size_t>(r)].visuGroups[j]->setText(text);
        int16_t& value = record(r).VisuGroup[j];
        value = machine_form::groupForPosition(position, value);
    }
    const bool fromKeyboard = pickBox_ && focusWidget() == list;
    list->hide();
    if (fromKeyboard) pickBox_->setFocus();
}

void EditierenT::openCommandList(int r) {
    for (QListWidget* list : {listGruppe_, listGruppeVisu_, listMachineNumber_}) list->hide();
    const int x = MarkeWidth / 2;
    int y = rowTop(r) + RowHeight / 2;
    const int height = ui::pixelsToTwipsY(listMarke_->height());
    if (y + height > HScrollTop) y -= height;
    MarkeZeile = r;
    listMarke_->move(ui::twipsToPixelsX(x), ui::twipsToPixelsY(y));
    selectCommand(Command::Copy);
    listMarke_->show();
    listMarke_->raise();
}

void EditierenT::selectCommand(Command command) {
    commandSelected_ = command;
    for (int i = 0; i < listMarke_->count(); ++i) listMarke_->item(i)->setSelected(i == static_cast<int>(command));
}

void EditierenT::commandListPressed(Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        hideLists();
        return;
    }
    if (button != Qt::LeftButton) return;
    listMarke_->hide();
    const Command command = commandSelected_;
    if (command == Command::None) return;
    if (table.run(command, ErsteMaschine + MarkeZeile)) MaschinenAnzeigen();
    if (command == Command::Copy) fillCommandList();
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
    case Part::Grip: {
        const int c = target.index;
        if (press) {
            hideLists();
            ZiehStartX = twipsX(mouse->position());
            Ziehen = true;
        } else if (move && Ziehen) {
            const Column& column = columns_.columns[static_cast<size_t>(c)];
            layout_.TableSize[static_cast<size_t>(c)] =
                draggedWidth(twipsX(mouse->position()), ZiehStartX, column.width);
            SpaltenAnordnen(true);
        } else if (release && Ziehen) {
            ZiehStartX = 0;
            Ziehen = false;
            SpaltenAnordnen(false);
        }
        return true;
    }
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

bool EditierenT::keyPressed(const Target& target, QKeyEvent* key) {
    // From the keyboard: F4, Alt+Down or Space on a pick box opens its list with the stored value
    // selected; in the list the arrows choose, Enter stores, Esc closes it without closing the
    // dialog; either way the box has the focus again.
    const bool opens = key->key() == Qt::Key_F4 || key->key() == Qt::Key_Space ||
                       (key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier));
    switch (target.part) {
    case Part::MachineNumber:
    case Part::Group:
    case Part::VisuGroup: {
        if (!opens) return false;
        openPickList(target.part, target.row, target.index);
        pickBox_ = focusWidget();
        listFor(target.part)->setFocus();
        return true;
    }
    case Part::PickListKeys:
        if (key->key() == Qt::Key_Escape) {
            hideLists();
            if (pickBox_) pickBox_->setFocus();
            return true;
        }
        return false;
    default: return false;
    }
}

void EditierenT::keyPressEvent(QKeyEvent* event) {
    // Esc with a list open closes the list, and only that, however it was opened: the dialog's
    // edits stay. (A list opened from the keyboard has the focus and takes its Esc itself.)
    if (event->key() == Qt::Key_Escape) {
        bool open = false;
        for (QListWidget* list : {listGruppe_, listGruppeVisu_, listMachineNumber_, listMarke_})
            open = open || list->isVisible();
        if (open) {
            hideLists();
            event->accept();
            return;
        }
    }
    ModalDialog::keyPressEvent(event);
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
