#include "records/VersionsWindow.h"

#include "platform/Os.h"
#include "records/VersionTexts.h"
#include "ui/DialogFont.h"
#include "ui/DialogPlacement.h"
#include "ui/Palette.h"
#include "ui/Style.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace records {

namespace {
const char* const WindowStyle =
    "QTreeWidget, QPlainTextEdit { background: @white; color: @cellText; border: 1px solid @edge;"
    " selection-background-color: @focus; selection-color: @onDark; outline: none; }"
    "QTreeWidget::item { padding: 4px 2px; }"
    "QPlainTextEdit { padding: 4px; }"
    "QHeaderView::section { background: @heading; color: @onDark; padding: 0 6px; border: none;"
    " border-right: 1px solid @gripLine; height: 30px; }"
    "QLabel[role=\"heading\"] { color: @text; font-weight: bold; }";

QString timeText(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QPushButton* button(const char* name, const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    b->setMinimumSize(130, 32);
    ui::setButtonColour(b, false);
    return b;
}
} // namespace

VersionsWindow::VersionsWindow(store::Store& store, Options options, QWidget* owner)
    : QWidget(owner, Qt::Window), store_(store), options_(std::move(options)) {
    setObjectName(QStringLiteral("VersionsWindow"));
    if (!options_.confirm)
        options_.confirm = [](QWidget* parent, const QString& question) {
            return QMessageBox::question(parent, QStringLiteral("Restore settings version"), question) ==
                   QMessageBox::Yes;
        };
    if (!options_.chooseFile)
        options_.chooseFile = [](QWidget* parent, const QString& suggested) {
            return QFileDialog::getSaveFileName(parent, QStringLiteral("Save settings version"),
                                                QDir::home().filePath(suggested), QStringLiteral("Settings (*.ini)"));
        };
    if (!options_.tell)
        options_.tell = [](QWidget* parent, const QString& message) {
            QMessageBox::information(parent, QStringLiteral("Settings versions"), message);
        };
    build();
    connect(&store_, &store::Store::versionsReady, this, &VersionsWindow::listReady);
    connect(&store_, &store::Store::versionReady, this, &VersionsWindow::versionReady);
    // A save while the window is open shows in its list.
    connect(&store_, &store::Store::versionsWritten, this, [this] {
        if (isVisible()) listRequest_ = store_.requestVersions();
    });
    ui::setTopmost(this, options_.stayOnTop);
}

VersionsWindow::~VersionsWindow() = default;

void VersionsWindow::build() {
    setWindowTitle(QStringLiteral("Settings versions"));
    ui::setGreyBackground(this);
    setStyleSheet(ui::styleSheet(QString::fromLatin1(WindowStyle)));
    setFont(ui::dialogFont());
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("Versions"));
    list_->setHeaderLabels(
        {QStringLiteral("Saved"), QStringLiteral("User"), QStringLiteral("From"), QStringLiteral("Changes")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAlternatingRowColors(true);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->header()->setSectionResizeMode(2, QHeaderView::Stretch);
    changes_ = new QPlainTextEdit(this);
    changes_->setObjectName(QStringLiteral("Changes"));
    changes_->setReadOnly(true);
    changes_->setLineWrapMode(QPlainTextEdit::NoWrap);
    heading_ = new QLabel(QStringLiteral("Select a version to see what it changed."), this);
    heading_->setProperty("role", QStringLiteral("heading"));
    restore_ = button("CommandRestore", QStringLiteral("Restore…"), this);
    saveAs_ = button("CommandSaveAs", QStringLiteral("Save as…"), this);
    auto* close = button("CommandClose", QStringLiteral("Close"), this);

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(heading_);
    rightLayout->addWidget(changes_, 1);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(list_);
    splitter->addWidget(right);
    splitter->setSizes({500, 600});
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(restore_);
    buttons->addWidget(saveAs_);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);

    connect(list_, &QTreeWidget::currentItemChanged, this, [this] {
        if (QTreeWidgetItem* item = list_->currentItem()) select(item->data(0, Qt::UserRole).toLongLong());
    });
    connect(restore_, &QPushButton::clicked, this, &VersionsWindow::restoreSelected);
    connect(saveAs_, &QPushButton::clicked, this, &VersionsWindow::saveSelectedAs);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    updateButtons();
}

void VersionsWindow::showVersions() {
    if (!placed_) {
        ui::placeOnScreen(this, parentWidget(), QSize(1100, 640));
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
    listRequest_ = store_.requestVersions();
    updateButtons();
}

void VersionsWindow::listReady(quint64 request, const std::vector<store::Version>& versions) {
    if (request != listRequest_) return;
    versions_ = versions;
    const qint64 keep = wanted_ ? wanted_ : selected_.id;
    list_->clear();
    QTreeWidgetItem* current = nullptr;
    for (const store::Version& v : versions_) {
        QString origin = v.origin;
        if (v.restoredFrom > 0) origin += QStringLiteral(" of version %1").arg(v.restoredFrom);
        auto* item =
            new QTreeWidgetItem(list_, {timeText(v.timeMs), v.user, origin,
                                        v.size > store::Version::MaxContentBytes ? QStringLiteral("(too large to keep)")
                                                                                 : QString::number(v.changeCount)});
        item->setData(0, Qt::UserRole, v.id);
        item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        if (v.id == keep) current = item;
    }
    wanted_ = 0;
    if (!current && list_->topLevelItemCount() > 0) current = list_->topLevelItem(0);
    if (current) list_->setCurrentItem(current);
}

void VersionsWindow::select(qint64 id) {
    if (id <= 0) return;
    if (selected_.id == id && !selected_.content.isNull()) return;
    versionRequest_ = store_.requestVersion(id);
}

void VersionsWindow::versionReady(quint64 request, const store::Version& version) {
    if (request != versionRequest_) return;
    selected_ = version;
    showSelected();
    updateButtons();
}

void VersionsWindow::showSelected() {
    if (selected_.id <= 0) {
        heading_->setText(QStringLiteral("Select a version to see what it changed."));
        changes_->clear();
        return;
    }
    heading_->setText(QStringLiteral("Version %1, %2 by %3 from %4")
                          .arg(selected_.id)
                          .arg(timeText(selected_.timeMs), selected_.user, selected_.origin));
    const QStringList lines = changeLines(selected_);
    if (selected_.size > store::Version::MaxContentBytes)
        changes_->setPlainText(QStringLiteral("The file was larger than 1 MiB: only its size (%1 bytes) and hash %2 "
                                              "were kept.")
                                   .arg(selected_.size)
                                   .arg(QString::fromLatin1(selected_.sha256)));
    else
        changes_->setPlainText(lines.isEmpty() ? QStringLiteral("No key changed (only lines the reader does not see).")
                                               : lines.join(QLatin1Char('\n')));
}

QString VersionsWindow::changesText() const { return changes_->toPlainText(); }

void VersionsWindow::editModeChanged() { updateButtons(); }

void VersionsWindow::updateButtons() {
    const bool kept = selected_.id > 0 && !selected_.content.isEmpty();
    restore_->setEnabled(kept && options_.editMode && options_.editMode());
    restore_->setToolTip(options_.editMode && options_.editMode() ? QString()
                                                                  : QStringLiteral("Restoring needs edit mode"));
    saveAs_->setEnabled(kept);
}

void VersionsWindow::restoreSelected() {
    // Edit mode is checked again: it may have ended since the button was enabled.
    if (!options_.editMode || !options_.editMode()) {
        options_.tell(this, QStringLiteral("A version can be restored only in edit mode."));
        updateButtons();
        return;
    }
    if (selected_.id <= 0 || selected_.content.isEmpty()) return;
    const QByteArray current = options_.currentFile ? options_.currentFile() : QByteArray();
    const QStringList lines = previewLines(restorePreview(current, selected_.content), selected_.content);
    QString question = QStringLiteral("Restore the line layout of version %1 (%2)?\n\n")
                           .arg(selected_.id)
                           .arg(timeText(selected_.timeMs));
    if (lines.isEmpty()) {
        question += QStringLiteral("The layout is the same as now.");
    } else {
        const int shown = std::min<int>(lines.size(), 40);
        question += lines.mid(0, shown).join(QLatin1Char('\n'));
        if (lines.size() > shown) question += QStringLiteral("\n… and %1 more").arg(lines.size() - shown);
    }
    if (!options_.confirm(this, question)) return;
    QString reason;
    if (!options_.restore || !options_.restore(selected_, &reason)) {
        options_.tell(this, QStringLiteral("The version was not restored: ") + reason);
        return;
    }
    emit restored();
    listRequest_ = store_.requestVersions();
}

void VersionsWindow::saveSelectedAs() {
    if (selected_.id <= 0 || selected_.content.isEmpty()) return;
    const QString suggested = QStringLiteral("settings-version-%1.ini").arg(selected_.id);
    const QString file = options_.chooseFile(this, suggested);
    if (file.isEmpty()) return;
    QString error;
    if (!platform::os().replaceFile(file, selected_.content, &error))
        options_.tell(this, QStringLiteral("The version was not saved to %1: %2").arg(file, error));
}

} // namespace records
