#include "records/HistoryWindow.h"

#include "records/HistoryModel.h"
#include "records/HistoryTexts.h"
#include "records/StateBarView.h"
#include "records/TimeInStateSum.h"
#include "ui/DialogFont.h"
#include "ui/DialogPlacement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

namespace records {

HistoryWindow::HistoryWindow(store::Store& store, const base::LineLayout& layout, Options options, QWidget* owner)
    : QWidget(owner, Qt::Window), store_(store), layout_(layout), options_(std::move(options)) {
    setObjectName(QStringLiteral("HistoryWindow"));
    if (!options_.clockMs) options_.clockMs = [] { return QDateTime::currentMSecsSinceEpoch(); };
    if (!options_.chooseFile)
        options_.chooseFile = [](QWidget* parent, const QString& suggested) {
            return QFileDialog::getSaveFileName(parent, QStringLiteral("Export history"),
                                                QDir::home().filePath(suggested), QStringLiteral("CSV files (*.csv)"));
        };
    model_ = new HistoryModel(store_, this);
    sum_ = new TimeInStateSum(store_, this);
    refresh_ = new QTimer(this);
    refresh_->setInterval(options_.refreshMs);
    textPause_ = new QTimer(this);
    textPause_->setSingleShot(true);
    textPause_->setInterval(300);
    buildControls();
    connect(refresh_, &QTimer::timeout, this, &HistoryWindow::refresh);
    connect(textPause_, &QTimer::timeout, this, &HistoryWindow::readControls);
    connect(model_, &HistoryModel::changed, this, &HistoryWindow::showCounts);
    connect(sum_, &TimeInStateSum::ready, this, &HistoryWindow::timeInStateReady);
    connect(&store_, &store::Store::exportProgress, this, &HistoryWindow::exportProgress);
    connect(&store_, &store::Store::exportFinished, this, &HistoryWindow::exportFinished);
    // New rows come at the top: a table scrolled away from it stays on the rows it shows.
    connect(model_, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        QScrollBar* bar = table_->verticalScrollBar();
        if (first == 0 && model_->rows() > last + 1 && bar->value() > 0)
            bar->setValue(bar->value() + (last + 1) * table_->verticalHeader()->defaultSectionSize());
    });
    setStayOnTop(options_.stayOnTop);
    writeControls();
}

HistoryWindow::~HistoryWindow() {
    if (exportRequest_) store_.cancelExport(exportRequest_);
}

qint64 HistoryWindow::now() const { return options_.clockMs(); }

void HistoryWindow::showForMachine(int slot) { showFor(MachineChoice::machine(slot)); }
void HistoryWindow::showForGroup(int group) { showFor(MachineChoice::group(group)); }
void HistoryWindow::showLine() { showFor(MachineChoice::line()); }

void HistoryWindow::showFor(const MachineChoice& choice) {
    filter_.machine = choice;
    writeControls();
    applyFonts();
    if (!placed_) {
        ui::placeOnScreen(this, parentWidget(), size());
        placed_ = true;
    }
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
    reload();
}

void HistoryWindow::setStayOnTop(bool stayOnTop) {
    options_.stayOnTop = stayOnTop;
    ui::setTopmost(this, stayOnTop);
}

void HistoryWindow::setFilter(const Filter& filter) {
    filter_ = filter;
    writeControls();
    reload();
}

void HistoryWindow::fillMachineList() {
    choices_ = machineChoices(layout_, filter_.machine);
    const QSignalBlocker quiet(machine_);
    machine_->clear();
    int current = 0;
    for (size_t i = 0; i < choices_.size(); ++i) {
        machine_->addItem(choiceCaption(choices_[i], layout_));
        if (choices_[i] == filter_.machine) current = static_cast<int>(i);
    }
    machine_->setCurrentIndex(current);
}

void HistoryWindow::writeControls() {
    fillMachineList();
    {
        const QSignalBlocker quiet(range_);
        range_->setCurrentIndex(static_cast<int>(filter_.range));
    }
    const TimeRange range = resolveRange(filter_, now());
    for (QDateTimeEdit* edit : {from_, to_}) {
        const QSignalBlocker quiet(edit);
        edit->setEnabled(filter_.range == RangeChoice::FromTo);
        edit->setDateTime(QDateTime::fromMSecsSinceEpoch(edit == from_ ? range.fromMs : range.toMs));
    }
    for (int s = 0; s < StatusChips; ++s) {
        const QSignalBlocker quiet(statusChips_[static_cast<size_t>(s)]);
        statusChips_[static_cast<size_t>(s)]->setChecked(filter_.statuses & (1u << s));
    }
    {
        const QSignalBlocker quiet(connections_);
        connections_->setChecked(filter_.connections);
    }
    if (text_->text() != filter_.text) {
        const QSignalBlocker quiet(text_);
        text_->setText(filter_.text);
    }
    const QString name = choiceName(filter_.machine, layout_);
    setWindowTitle(filter_.machine.kind == MachineChoice::Kind::Line ? QStringLiteral("Line history")
                                                                     : QStringLiteral("History of ") + name);
}

void HistoryWindow::readControls() {
    textPause_->stop();
    Filter f = filter_;
    const int choice = machine_->currentIndex();
    if (choice >= 0 && choice < static_cast<int>(choices_.size())) f.machine = choices_[static_cast<size_t>(choice)];
    const auto range = static_cast<RangeChoice>(range_->currentIndex());
    if (range == RangeChoice::FromTo && f.range != RangeChoice::FromTo) {
        // Switching to a fixed range starts from the range shown so far.
        const TimeRange shown = resolveRange(f, now());
        f.fromMs = shown.fromMs;
        f.toMs = shown.toMs;
    }
    f.range = range;
    f.statuses = 0;
    for (int s = 0; s < StatusChips; ++s)
        if (statusChips_[static_cast<size_t>(s)]->isChecked()) f.statuses |= 1u << s;
    f.connections = connections_->isChecked();
    f.text = text_->text();
    setFilter(f);
}

void HistoryWindow::reload() {
    model_->load(toQuery(filter_, layout_, now()));
    requestTimeInState();
    showCounts();
    updateTimer();
}

void HistoryWindow::updateTimer() {
    if (isVisible() && filter_.range != RangeChoice::FromTo) {
        if (!refresh_->isActive()) refresh_->start();
    } else {
        refresh_->stop();
    }
}

void HistoryWindow::refresh() {
    const TimeRange range = resolveRange(filter_, now());
    if (!range.endsNow) return;
    model_->poll(range.fromMs);
    // A round still on its way is not asked again: a slow file never piles requests up.
    if (!sum_->busy()) requestTimeInState();
}

void HistoryWindow::requestTimeInState() {
    const TimeRange range = resolveRange(filter_, now());
    const std::vector<int> slotList =
        range.toMs > range.fromMs ? stateSlots(filter_.machine, layout_) : std::vector<int>{};
    sum_->request(slotList, range.fromMs, range.toMs);
}

void HistoryWindow::timeInStateReady(const store::TimeInState& figures, int machines) {
    bar_->setFigures(figures);
    QString what = choiceName(filter_.machine, layout_);
    if (filter_.machine.kind != MachineChoice::Kind::Machine)
        what += machines == 1 ? QStringLiteral(", 1 machine") : QStringLiteral(", %1 machines added up").arg(machines);
    const TimeRange range = resolveRange(filter_, now());
    const QString when = range.endsNow ? rangeCaption(filter_.range).toLower()
                                       : QStringLiteral("%1 to %2").arg(timeText(range.fromMs), timeText(range.toMs));
    stateCaption_->setText(QStringLiteral("Time in state \u2013 %1 \u2013 %2").arg(what, when));
}

const store::TimeInState& HistoryWindow::timeInState() const { return bar_->figures(); }

void HistoryWindow::showCounts() {
    QString text;
    if (!toQuery(filter_, layout_, now()))
        text = filter_.machine.kind == MachineChoice::Kind::Group ? QStringLiteral("No machine is in this group.")
                                                                  : QStringLiteral("The range ends before it begins.");
    else if (model_->loading())
        text = QStringLiteral("Loading\u2026");
    else if (model_->rows() == 0)
        text = QStringLiteral("No events match the filter.");
    else
        text = QStringLiteral("%L1 events%2")
                   .arg(model_->rows())
                   .arg(model_->more() ? QStringLiteral(", more below") : QString());
    if (!exportOutcome_.isEmpty()) text += QStringLiteral("   \u2502   ") + exportOutcome_;
    status_->setText(text);
}

QString HistoryWindow::statusText() const { return status_->text(); }

void HistoryWindow::exportCsv() {
    if (exportRequest_) return;
    const std::optional<store::Query> query = toQuery(filter_, layout_, now());
    if (!query) return;
    const QString file = options_.chooseFile(this, suggestedFileName(filter_.machine, layout_, now()));
    if (file.isEmpty()) return;
    exportFile_ = file;
    exportRequest_ = store_.requestExport(*query, file);
    exportOutcome_.clear();
    export_->setEnabled(false);
    progress_ = new QProgressDialog(QStringLiteral("Writing the history to\n%1").arg(QDir::toNativeSeparators(file)),
                                    QStringLiteral("Cancel"), 0, 0, this);
    progress_->setObjectName(QStringLiteral("ExportProgress"));
    progress_->setWindowTitle(QStringLiteral("Export history"));
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(0);
    progress_->setAutoReset(false);
    const quint64 request = exportRequest_;
    connect(progress_, &QProgressDialog::canceled, this, [this, request] {
        if (exportRequest_ == request) store_.cancelExport(request);
    });
    progress_->show();
}

void HistoryWindow::exportProgress(quint64 request, qint64 rows) {
    if (request != exportRequest_ || !progress_) return;
    progress_->setLabelText(QStringLiteral("Writing the history to\n%1\n%L2 rows written")
                                .arg(QDir::toNativeSeparators(exportFile_))
                                .arg(rows));
}

void HistoryWindow::exportFinished(quint64 request, bool ok, const QString& error) {
    if (request != exportRequest_) return;
    exportRequest_ = 0;
    if (progress_) {
        progress_->hide();
        progress_->deleteLater();
    }
    export_->setEnabled(true);
    if (ok)
        exportOutcome_ = QStringLiteral("Exported to %1").arg(QDir::toNativeSeparators(exportFile_));
    else if (error == QLatin1String("cancelled"))
        exportOutcome_ = QStringLiteral("Export cancelled, no file written");
    else
        exportOutcome_ = QStringLiteral("Export failed: %1").arg(error);
    showCounts();
}

void HistoryWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateTimer();
}

void HistoryWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    refresh_->stop();
}

} // namespace records
