#include "editors/EditierenLang.h"

#include "ui/Palette.h"

#include "ui/Twips.h"

#include <QListWidget>
#include <QPushButton>

using namespace lang;

namespace editors {

EditierenLang::EditierenLang(const LanguageTable& languages, int32_t currentLcId, bool ostrelPresent, QWidget* owner)
    : ModalDialog(owner, QStringLiteral("EditierenLang"), QStringLiteral("Choose Language"), 4410, 8925,
                  ostrelPresent) {
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("List"));
    list_->setGeometry(ui::twipsRect(30, 30, 4355, 7980));
    list_->setStyleSheet(
        ui::styleSheet(QStringLiteral("QListWidget { background: @surface; border: 1px solid @edge; }"
                                      "QListWidget::item { padding: 2px 4px; }"
                                      "QListWidget::item:selected { background: @focus; color: @onDark; }")));
    useDialogFont({list_});
    commandOK_ = makeButton("CommandOK", QStringLiteral("OK"), 45, 8520, 1200, 360);
    commandCancel_ = makeButton("CommandCancel", QStringLiteral("Cancel"), 1275, 8520, 1200, 360);

    for (int i = 1; i <= languages.LanguageCount; ++i) list_->addItem(languages.Languages[static_cast<size_t>(i)].Name);
    if (const int current = preselection(languages, currentLcId); current > 0) list_->setCurrentRow(current - 1);

    connect(commandOK_, &QPushButton::clicked, this, &EditierenLang::CommandOK_Click);
    connect(commandCancel_, &QPushButton::clicked, this, &EditierenLang::CommandCancel_Click);
    connect(list_, &QListWidget::itemDoubleClicked, this, &EditierenLang::CommandOK_Click);
}

int EditierenLang::preselection(const LanguageTable& languages, int32_t lcId) {
    if (const int i = languages.find(lcId)) return i;
    return languages.find(1033);
}

void EditierenLang::CommandOK_Click() {
    const QListWidgetItem* item = list_->currentItem();
    LangErgebnis = (item && item->isSelected()) ? static_cast<int16_t>(list_->currentRow() + 1) : int16_t(0);
    finish();
}

void EditierenLang::CommandCancel_Click() {
    LangErgebnis = 0;
    finish();
}

int16_t EditierenLang::choose() {
    run();
    return LangErgebnis;
}

} // namespace editors
