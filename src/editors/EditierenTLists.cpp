// The machine table editor's lists: the pick lists of machine number, group and visualisation
// group, the row command list, and their keys.
#include "editors/EditierenT.h"

#include "editors/MachineForm.h"
#include "ui/DialogFont.h"
#include "ui/Twips.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>

using namespace base;

namespace editors {

using namespace machine_table;

void EditierenT::buildLists() {
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

void EditierenT::fillCommandList() {
    listMarke_->clear();
    const int entryHeight = ui::twipsToPixelsY(CommandEntryHeight);
    for (const QString& entry : table.commandEntries()) {
        auto* item = new QListWidgetItem(entry, listMarke_);
        item->setSizeHint(QSize(0, entryHeight));
    }
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
    Cell cell = Cell::MachineNumber;
    int position = -1;
    switch (part) {
    case Part::MachineNumber:
        numberRow_ = r;
        position = machine_form::positionForMachine(m.Machine);
        break;
    case Part::Group:
        groupRow_ = r;
        cell = Cell::Group;
        position = machine_form::positionForGroup(m.Group);
        break;
    default: {
        visuIndex_ = index;
        const int j = index - VisuGroupPositions * r + 1;
        cell = visuGroupCell(j);
        position = machine_form::positionForGroup(m.VisuGroup[static_cast<size_t>(j - 1)]);
        break;
    }
    }
    const Column& cellColumn = columns_.columns[static_cast<size_t>(column(cell))];
    const Place place = cellPlace(cellColumn);
    const int boxWidth = cell == Cell::MachineNumber ? place.width : cellControlPlace(cell, cellColumn.width).width;
    const int x = place.left + boxWidth / 2;
    const int y = rowTop(r) + RowHeight / 2;
    const Place at = listPlace(x, y, ui::pixelsToTwipsX(list->width()), ui::pixelsToTwipsY(list->height()));
    list->move(ui::twipsToPixelsX(at.left), ui::twipsToPixelsY(at.top));
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

} // namespace editors
