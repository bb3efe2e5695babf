#include "editors/EditierenGroup.h"

#include "ui/Palette.h"

#include "editors/UnicodeTextBox.h"
#include "ui/Twips.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

using namespace base;

namespace editors {

EditierenGroup::EditierenGroup(LineLayout& layout, const GeneralSettings& settings, QWidget* owner)
    : ModalDialog(owner, QStringLiteral("EditierenGroup"), QStringLiteral("Edit Group"), 8160, 1860,
                  settings.ostrelPresent),
      layout_(layout), settings_(settings) {
    makeLabel("LabelGroupName", QStringLiteral("Group Name"), 120, 180, 3900, 360);
    textGroupName_ = new UnicodeTextBox(0, this);
    textGroupName_->setObjectName(QStringLiteral("TextGroupName"));
    textGroupName_->setGeometry(ui::twipsRect(4065, 180, 2505, 360));
    commandOK_ = makeButton("CommandOK", QStringLiteral("OK"), 60, 1155, 1200, 360);
    commandCancel_ = makeButton("CommandCancel", QStringLiteral("Cancel"), 1290, 1155, 1200, 360);
    connect(commandOK_, &QPushButton::clicked, this, &EditierenGroup::CommandOK_Click);
    connect(commandCancel_, &QPushButton::clicked, this, &EditierenGroup::CommandCancel_Click);
}

DialogResult EditierenGroup::edit() {
    textGroupName_->setBoxFont(editFont(settings_.fontName));
    textGroupName_->setLcId(settings_.lcId);
    textGroupName_->setUnicodeText(layout_.groupName(EditIndex));
    textGroupName_->setFocus();
    run();
    return EditErgebnis;
}

void EditierenGroup::CommandOK_Click() {
    const QString name = textGroupName_->UnicodeText();
    if (name != layout_.groupName(EditIndex)) {
        layout_.setGroupName(EditIndex, name);
        EditErgebnis = DialogResult::ConfirmedChanged;
    } else {
        EditErgebnis = DialogResult::ConfirmedUnchanged;
    }
    finish();
}

void EditierenGroup::CommandCancel_Click() {
    EditErgebnis = DialogResult::Cancelled;
    finish();
}

EditierenGroupT::EditierenGroupT(LineLayout& layout, const GeneralSettings& settings, QWidget* owner)
    : ModalDialog(owner, QStringLiteral("EditierenGroupT"), QStringLiteral("Edit Group"), 4410, 8925,
                  settings.ostrelPresent),
      layout_(layout), settings_(settings) {
    labelBeschriftung_ = makeLabel("LabelBeschriftung", QStringLiteral("Group Name"), 310, 0, 3600, 300);
    labelBeschriftung_->setAutoFillBackground(true);
    labelBeschriftung_->setStyleSheet(
        ui::styleSheet(QStringLiteral("QLabel { background: @heading; color: @onDark; padding-left: 4px; }")));
    QFont markFont(QStringLiteral("Arial"));
    markFont.setPointSize(6);
    for (int r = 0; r < RowCount; ++r) {
        auto* row = new QWidget(this);
        row->setObjectName(QStringLiteral("PictureZeile%1").arg(r));
        row->setGeometry(ui::twipsRect(0, 480 + 465 * r, 3930, 465));
        auto* mark = new QPushButton(row);
        mark->setObjectName(QStringLiteral("Marke%1").arg(r));
        mark->setGeometry(ui::twipsRect(0, 0, 270, 405));
        mark->setFont(markFont);
        mark->setFocusPolicy(Qt::NoFocus);
        mark->setAutoDefault(false);
        mark->setStyleSheet(ui::styleSheet(
            QStringLiteral("QPushButton { background: @surface; color: @text; border: 1px solid @edgeQuiet;"
                           " padding: 0; }")));
        auto* box = new UnicodeTextBox(r, row);
        box->setObjectName(QStringLiteral("TextGroupName%1").arg(r));
        box->setDesign(UnicodeTextBoxDesign::tableCell());
        box->setGeometry(ui::twipsRect(270, -30 + 15, 3540, 360));
        connect(box, &UnicodeTextBox::Change, this, [this](int r) {
            // Every edit is kept in the working copy at once, so scrolling never loses one.
            GruppenNamen[static_cast<size_t>(ErsteGruppe + r)] = textGroupName_[static_cast<size_t>(r)]->UnicodeText();
        });
        marke_[static_cast<size_t>(r)] = mark;
        textGroupName_[static_cast<size_t>(r)] = box;
    }
    vScroll_ = new QScrollBar(Qt::Vertical, this);
    vScroll_->setObjectName(QStringLiteral("VScroll"));
    vScroll_->setGeometry(ui::twipsRect(3930, 300, 300, 7630));
    vScroll_->setRange(0, (GroupCount - RowCount) / TableScrollStep);
    vScroll_->setPageStep(1);
    connect(vScroll_, &QScrollBar::valueChanged, this, [this](int value) {
        ErsteGruppe = value * TableScrollStep;
        GruppenAnzeigen();
    });
    commandOK_ = makeButton("CommandOK", QStringLiteral("OK"), 45, 8520, 1200, 360);
    commandCancel_ = makeButton("CommandCancel", QStringLiteral("Cancel"), 1275, 8520, 1200, 360);
    connect(commandOK_, &QPushButton::clicked, this, &EditierenGroupT::CommandOK_Click);
    connect(commandCancel_, &QPushButton::clicked, this, &EditierenGroupT::CommandCancel_Click);
}

DialogResult EditierenGroupT::edit() {
    ErsteGruppe = 0;
    for (int g = 0; g < GroupCount; ++g) GruppenNamen[static_cast<size_t>(g)] = layout_.groupName(g);
    {
        const QSignalBlocker quiet(vScroll_);
        vScroll_->setValue(0);
    }
    GruppenAnzeigen();
    run();
    return EditErgebnis;
}

void EditierenGroupT::GruppenAnzeigen() {
    const QFont font = editFont(settings_.fontName);
    for (int r = 0; r < RowCount; ++r) {
        marke_[static_cast<size_t>(r)]->setText(QString::number(ErsteGruppe + r + 1));
        UnicodeTextBox* box = textGroupName_[static_cast<size_t>(r)];
        box->setBoxFont(font);
        box->setLcId(settings_.lcId);
        // Setting the text raises Change, which stores the same text again.
        box->setUnicodeText(GruppenNamen[static_cast<size_t>(ErsteGruppe + r)]);
    }
}

void EditierenGroupT::CommandOK_Click() {
    for (int g = 0; g < GroupCount; ++g) layout_.setGroupName(g, GruppenNamen[static_cast<size_t>(g)]);
    EditErgebnis = DialogResult::ConfirmedChanged;
    finish();
}

void EditierenGroupT::CommandCancel_Click() {
    EditErgebnis = DialogResult::Cancelled;
    finish();
}

} // namespace editors
