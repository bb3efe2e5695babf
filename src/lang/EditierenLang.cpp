#include "lang/EditierenLang.h"

#include "ui/DialogFont.h"
#include "ui/DialogPlacement.h"
#include "ui/Style.h"
#include "ui/Twips.h"

#include <QListWidget>
#include <QPushButton>

EditierenLang::EditierenLang(const LanguageTable& languages, int32_t currentLcId, bool ostrelPresent, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      ostrelPresent_(ostrelPresent) {
    setObjectName(QStringLiteral("EditierenLang"));
    setWindowTitle(QStringLiteral("Choose Language"));
    setModal(true);
    setFixedSize(ui::twipsToPixelsX(4410), ui::twipsToPixelsY(8925));
    ui::setGreyBackground(this);
    if (ostrelPresent_) ui::setTopmost(this, true);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("List"));
    list_->setGeometry(ui::twipsRect(30, 30, 4355, 7980));
    list_->setStyleSheet(QStringLiteral("QListWidget { background: #c0c0c0; border: 1px solid #7a7a7a; }"
                                        "QListWidget::item { padding: 2px 4px; }"
                                        "QListWidget::item:selected { background: #2f5f9a; color: white; }"));
    commandOK_ = new QPushButton(QStringLiteral("OK"), this);
    commandOK_->setObjectName(QStringLiteral("CommandOK"));
    commandOK_->setGeometry(ui::twipsRect(45, 8520, 1200, 360));
    commandCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    commandCancel_->setObjectName(QStringLiteral("CommandCancel"));
    commandCancel_->setGeometry(ui::twipsRect(1275, 8520, 1200, 360));
    for (QPushButton* button : {commandOK_, commandCancel_}) ui::setButtonColour(button, false);
    for (QWidget* w : {static_cast<QWidget*>(list_), static_cast<QWidget*>(commandOK_), static_cast<QWidget*>(commandCancel_)})
        w->setFont(ui::dialogFont());

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

void EditierenLang::finish() {
    if (ostrelPresent_) ui::setTopmost(this, false);
    accept();
}
