// The machine table editor's rows: the cells of one row, their controls and what they store in
// the working copy, the Enabled rule, the symbol picture, and a cell's place in its row.
#include "editors/EditierenT.h"

#include "editors/UnicodeTextBox.h"
#include "ui/DialogFont.h"
#include "ui/Palette.h"
#include "ui/SymbolImages.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

using namespace base;

namespace editors {

using namespace machine_table;

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
    const auto checkBox = [&](Cell c, const char* name) {
        auto* box = new QCheckBox(row.cells[static_cast<size_t>(column(c))]);
        box->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(name)).arg(r));
        return box;
    };
    row.enabled = checkBox(Cell::Enabled, "CheckEnabled");
    connect(row.enabled, &QCheckBox::clicked, this, [this, r](bool on) {
        hideLists();
        record(r).Enabled = on;
        applyEnabledRule(r);
    });
    row.bild = new QLabel(row.cells[column(Cell::Symbol)]);
    row.bild->setObjectName(QStringLiteral("Bild%1").arg(r));
    row.bild->setScaledContents(true);
    watch(row.bild, Part::Bild, r);

    row.name = new UnicodeTextBox(r, row.cells[column(Cell::MachineName)]);
    row.name->setObjectName(QStringLiteral("TextMachineName%1").arg(r));
    row.name->setDesign(UnicodeTextBoxDesign::tableCell());
    connect(row.name, &UnicodeTextBox::Change, this, [this](int r) {
        // Also while the rows are filled: the box then holds exactly the record's text.
        record(r).Text = rows_[static_cast<size_t>(r)].name->UnicodeText();
    });
    connect(row.name, &UnicodeTextBox::Enter, this, [this] { hideLists(); });

    row.address = new QLineEdit(row.cells[column(Cell::ComputerName)]);
    row.address->setObjectName(QStringLiteral("TextComputerName%1").arg(r));
    row.address->setProperty("cell", QStringLiteral("text"));
    row.address->setMaxLength(std::numeric_limits<int>::max());
    connect(row.address, &QLineEdit::textEdited, this, [this, r](const QString& text) { record(r).Address = text; });
    watch(row.address, Part::Address, r);

    row.machineNumber = makePickBox(row.cells[column(Cell::MachineNumber)], Part::MachineNumber, r, r);
    row.machineNumber->setObjectName(QStringLiteral("TextMachineNumber%1").arg(r));
    row.group = makePickBox(row.cells[column(Cell::Group)], Part::Group, r, r);
    row.group->setObjectName(QStringLiteral("TextGruppe%1").arg(r));
    for (int j = 1; j <= VisuGroupPositions; ++j) {
        const int index = r * VisuGroupPositions + j - 1;
        QLineEdit* box =
            makePickBox(row.cells[static_cast<size_t>(column(visuGroupCell(j)))], Part::VisuGroup, r, index);
        box->setObjectName(QStringLiteral("TextGruppeVisu%1").arg(index));
        row.visuGroups[static_cast<size_t>(j - 1)] = box;
    }
    row.remoteControl = checkBox(Cell::RemoteControl, "CheckRemoteControl");
    connect(row.remoteControl, &QCheckBox::clicked, this, [this, r](bool on) {
        hideLists();
        record(r).RemoteControl = on;
    });
    row.statusPLC = checkBox(Cell::StatusPLC, "CheckStatusPLC");
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

void EditierenT::ZelleAnordnen(int r, int c) {
    const Column& column = columns_.columns[static_cast<size_t>(c)];
    Row& row = rows_[static_cast<size_t>(r)];
    QWidget* cell = row.cells[static_cast<size_t>(c)];
    cell->setGeometry(placeRect(cellPlace(column)));
    const Cell kind = cellAt(c);
    const Place place = cellControlPlace(kind, column.width);
    QWidget* control = nullptr;
    switch (kind) {
    case Cell::Enabled: control = row.enabled; break;
    case Cell::Symbol: control = row.bild; break;
    case Cell::MachineName: control = row.name; break;
    case Cell::ComputerName: control = row.address; break;
    case Cell::MachineNumber: control = row.machineNumber; break;
    case Cell::Group: control = row.group; break;
    case Cell::RemoteControl: control = row.remoteControl; break;
    case Cell::StatusPLC: control = row.statusPLC; break;
    default: control = row.visuGroups[static_cast<size_t>(c - machine_table::column(Cell::VisuGroup1))]; break;
    }
    control->setGeometry(placeRect(place));
    cell->show();
}

} // namespace editors
