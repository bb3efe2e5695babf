// The History window's controls: the filter row, the table, the time-in-state bar and the
// buttons, in the station's grey look.
#include "records/HistoryWindow.h"

#include "records/ChangeDelegate.h"
#include "records/HistoryModel.h"
#include "records/HistoryTexts.h"
#include "records/StateBar.h"
#include "records/StateBarView.h"
#include "ui/DialogFont.h"
#include "ui/Palette.h"
#include "ui/Style.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

namespace records {

namespace {
constexpr int ControlHeight = 30;
constexpr int RowHeight = 28;
// The status chips in the bar's order: running, then by urgency, then off.
constexpr int ChipOrder[StatusChips] = {1, 6, 2, 3, 4, 5, 0};

const char* const WindowStyle =
    "QTableView { background: @white; alternate-background-color: @listSurface; color: @cellText;"
    " border: 1px solid @edge; selection-background-color: @focus; selection-color: @onDark; outline: none; }"
    "QTableView::item { padding: 0 6px; border: none; }"
    "QHeaderView::section { background: @heading; color: @onDark; padding: 0 6px; border: none;"
    " border-right: 1px solid @gripLine; height: 30px; }"
    "QLineEdit, QComboBox, QDateTimeEdit { background: @white; color: @text; }"
    "QComboBox:disabled, QDateTimeEdit:disabled { background: @surface; color: @textDisabled; }"
    "QLabel[role=\"field\"] { color: @text; }"
    "QFrame#TimeInStatePanel { background: @tileSurface; border: 1px solid @tileFrame; border-radius: 3px; }"
    "QLabel[role=\"status\"] { color: @tileSubText; }";

QLabel* fieldLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setProperty("role", QStringLiteral("field"));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QPushButton* button(const char* name, const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    b->setMinimumSize(130, ControlHeight + 2);
    ui::setButtonColour(b, false);
    return b;
}
} // namespace

void HistoryWindow::buildControls() {
    ui::setGreyBackground(this);
    setStyleSheet(ui::styleSheet(QString::fromLatin1(WindowStyle)));
    resize(1320, 820);
    setMinimumSize(1000, 560);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(10);
    layout->addLayout(buildFilterRow());

    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("Rows"));
    table_->setModel(model_);
    table_->setItemDelegateForColumn(static_cast<int>(Column::Change), new ChangeDelegate(table_));
    table_->setAlternatingRowColors(true);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setShowGrid(false);
    table_->setWordWrap(false);
    table_->setTextElideMode(Qt::ElideRight);
    table_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    table_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(RowHeight);
    QHeaderView* header = table_->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(40);
    header->setSectionResizeMode(static_cast<int>(Column::Text), QHeaderView::Stretch);
    layout->addWidget(table_, 1);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("TimeInStatePanel"));
    auto* inPanel = new QVBoxLayout(panel);
    inPanel->setContentsMargins(12, 8, 12, 4);
    inPanel->setSpacing(8);
    stateCaption_ = new QLabel(panel);
    stateCaption_->setObjectName(QStringLiteral("TimeInStateCaption"));
    inPanel->addWidget(stateCaption_);
    bar_ = new StateBarView(panel);
    inPanel->addWidget(bar_);
    layout->addWidget(panel);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(8);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLine"));
    status_->setProperty("role", QStringLiteral("status"));
    bottom->addWidget(status_, 1);
    export_ = button("ExportCsv", QStringLiteral("Export CSV\u2026"), this);
    close_ = button("Close", QStringLiteral("Close"), this);
    bottom->addWidget(export_);
    bottom->addWidget(close_);
    layout->addLayout(bottom);
    connect(export_, &QPushButton::clicked, this, &HistoryWindow::exportCsv);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    applyFonts();
}

QLayout* HistoryWindow::buildFilterRow() {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);

    machine_ = new QComboBox(this);
    machine_->setObjectName(QStringLiteral("MachineFilter"));
    machine_->setMaxVisibleItems(24);
    range_ = new QComboBox(this);
    range_->setObjectName(QStringLiteral("RangeFilter"));
    for (int r = 0; r < RangeChoices; ++r) range_->addItem(rangeCaption(static_cast<RangeChoice>(r)));
    from_ = new QDateTimeEdit(this);
    from_->setObjectName(QStringLiteral("From"));
    to_ = new QDateTimeEdit(this);
    to_->setObjectName(QStringLiteral("To"));
    for (QDateTimeEdit* edit : {from_, to_}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
        edit->setCalendarPopup(true);
        edit->setMinimumWidth(170);
        connect(edit, &QDateTimeEdit::editingFinished, this, [this, edit] { setRangeEnd(edit); });
    }
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("TextFilter"));
    text_->setPlaceholderText(QStringLiteral("Status text contains\u2026"));
    text_->setClearButtonEnabled(true);
    connections_ = new QCheckBox(QStringLiteral("Connection events"), this);
    connections_->setObjectName(QStringLiteral("ConnectionFilter"));
    for (QWidget* w : std::initializer_list<QWidget*>{machine_, range_, from_, to_, text_})
        w->setMinimumHeight(ControlHeight);

    auto* chips = new QHBoxLayout;
    chips->setSpacing(4);
    for (const int status : ChipOrder) {
        auto* chip = new QToolButton(this);
        chip->setObjectName(QStringLiteral("Status%1").arg(status));
        chip->setText(statusName(status));
        chip->setCheckable(true);
        chip->setFocusPolicy(Qt::TabFocus);
        chip->setMinimumHeight(ControlHeight);
        setStatusChip(chip, status);
        chip->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed); // never narrower than its caption
        statusChips_[static_cast<size_t>(status)] = chip;
        chips->addWidget(chip);
        connect(chip, &QToolButton::toggled, this, &HistoryWindow::readControls);
    }
    chips->addStretch(1);

    auto* rangeRow = new QHBoxLayout;
    rangeRow->setSpacing(8);
    rangeRow->addWidget(range_, 1);
    rangeRow->addWidget(fieldLabel(QStringLiteral("from"), this));
    rangeRow->addWidget(from_);
    rangeRow->addWidget(fieldLabel(QStringLiteral("to"), this));
    rangeRow->addWidget(to_);
    auto* textRow = new QHBoxLayout;
    textRow->setSpacing(12);
    textRow->addWidget(text_, 1);
    textRow->addWidget(connections_);

    // Machine and range on the first row, the status chips on a row of their own (they need their
    // full captions), the text search below them: all of it fits a 1024-pixel screen.
    grid->addWidget(fieldLabel(QStringLiteral("Machine"), this), 0, 0);
    grid->addWidget(machine_, 0, 1);
    grid->addWidget(fieldLabel(QStringLiteral("Range"), this), 0, 2);
    grid->addLayout(rangeRow, 0, 3);
    grid->addWidget(fieldLabel(QStringLiteral("Status"), this), 1, 0);
    grid->addLayout(chips, 1, 1, 1, 3);
    grid->addWidget(fieldLabel(QStringLiteral("Text"), this), 2, 0);
    grid->addLayout(textRow, 2, 1, 1, 3);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 4);

    connect(machine_, &QComboBox::currentIndexChanged, this, &HistoryWindow::readControls);
    connect(range_, &QComboBox::currentIndexChanged, this, &HistoryWindow::readControls);
    connect(connections_, &QCheckBox::toggled, this, &HistoryWindow::readControls);
    connect(text_, &QLineEdit::textEdited, textPause_, qOverload<>(&QTimer::start));
    connect(text_, &QLineEdit::returnPressed, this, &HistoryWindow::readControls);
    return grid;
}

void HistoryWindow::setRangeEnd(QDateTimeEdit* edit) {
    if (filter_.range != RangeChoice::FromTo) return;
    Filter f = filter_;
    (edit == from_ ? f.fromMs : f.toMs) = edit->dateTime().toMSecsSinceEpoch();
    if (f.fromMs != filter_.fromMs || f.toMs != filter_.toMs) setFilter(f);
}

void HistoryWindow::setStatusChip(QToolButton* chip, int status) {
    chip->setStyleSheet(ui::styleSheet(
        QStringLiteral(
            "QToolButton { background: @surface; color: @textQuiet; border: 1px dashed @edgeQuiet; border-radius: 3px;"
            " padding: 2px 10px; }"
            "QToolButton:checked { background: %1; color: %2; border: 1px solid @tileFrame; }"
            "QToolButton:focus { border: 1px solid @focus; }")
            .arg(statusColour(status).name(), chipTextColour(status).name())));
}

void HistoryWindow::applyFonts() {
    // Every control is given the font itself: a control that the style sheet styles does not
    // take its font from the window.
    const QFont& font = ui::dialogFont();
    setFont(font);
    for (QWidget* control : findChildren<QWidget*>()) control->setFont(font);
    QFont cells = font;
    cells.setBold(false);
    table_->setFont(cells);
    table_->horizontalHeader()->setFont(font);
    QFont figures = font;
    figures.setBold(false);
    bar_->setFont(figures);
    status_->setFont(figures);

    // Columns as wide as their longest usual text in that font; the status text takes the rest.
    const QFontMetrics metrics(cells);
    QHeaderView* header = table_->horizontalHeader();
    const auto fit = [&](Column column, const QString& sample) {
        header->resizeSection(static_cast<int>(column), metrics.horizontalAdvance(sample) + 28);
    };
    fit(Column::Time, QStringLiteral("2024-03-05 14:07:09"));
    fit(Column::Slot, QStringLiteral("Slot"));
    fit(Column::Machine, QStringLiteral("Fill level inspection"));
    fit(Column::Group, QStringLiteral("32 - Line 2 section 1"));
    fit(Column::Event, QStringLiteral("Not connected"));
    fit(Column::Lasted, QStringLiteral("Previous state lasted"));
    header->resizeSection(static_cast<int>(Column::Change), ChangeDelegate::changeWidth(metrics) + 12);
}

} // namespace records
