#include "station/StationHistory.h"

#include <QDateTime>
#include <QTimer>

using namespace base;

namespace station {

namespace {
QString shownName(ShownConnection state) {
    switch (state) {
    case ShownConnection::Connected: return QStringLiteral("connected");
    case ShownConnection::Waiting: return QStringLiteral("waiting");
    default: return QStringLiteral("not connected");
    }
}
} // namespace

StationHistory::StationHistory(const LineLayout& layout, logfile::Log& log, QObject* parent)
    : QObject(parent), layout_(layout), log_(log) {}

StationHistory::~StationHistory() = default;

void StationHistory::start(const QString& file, const HistorySettings& settings) {
    store::Store::Options options;
    options.path = file;
    options.retention.days = settings.days;
    options.retention.maxBytes = static_cast<qint64>(settings.maxMiB) << 20;
    options.recordEvents = settings.days > 0;
    store_ = std::make_unique<store::Store>(options);
    connect(store_.get(), &store::Store::trouble, this, [this, file](const QString& reason) {
        log_.system(QLatin1String("History not saved: ") + file + QLatin1String(": ") + reason);
    });
    connect(store_.get(), &store::Store::recovered, this,
            [this] { log_.system(QStringLiteral("History saved again")); });
    connect(store_.get(), &store::Store::movedAside, this, [this, file](const QString& movedTo) {
        log_.system(QLatin1String("History file damaged: ") + file + QLatin1String(" moved aside as ") + movedTo +
                    QLatin1String("; a new one was started"));
    });
    store_->start();
    if (!options.recordEvents) return;
    recorder_ = std::make_unique<store::HistoryRecorder>([this](store::Event e) { store_->record(std::move(e)); },
                                                         [] { return QDateTime::currentMSecsSinceEpoch(); });
    // Folded text changes are written once their window has ended.
    tick_ = new QTimer(this);
    tick_->setInterval(1000);
    connect(tick_, &QTimer::timeout, this, [this] { recorder_->tick(); });
    tick_->start();
    recorder_->station(QStringLiteral("started"));
}

store::HistoryRecorder::SlotInfo StationHistory::info(int slot) const {
    const MachineRecord& m = layout_.Machines[static_cast<size_t>(slot)];
    return {m.Text, m.Group >= 0 && m.Group < GroupCount ? m.Group : -1,
            m.Group >= 0 && m.Group < GroupCount ? layout_.groupName(m.Group) : QString()};
}

void StationHistory::stationStep(const QString& step) {
    if (recorder_) recorder_->station(step);
}

void StationHistory::settingsSaved(const QString& dialog, const QString& sections) {
    if (recorder_) recorder_->settingsSaved(dialog, sections);
}

void StationHistory::end(int waitMs) {
    if (recorder_) {
        recorder_->flush();
        recorder_->station(QStringLiteral("ended"));
    }
    if (tick_) tick_->stop();
    if (store_) store_->finish(waitMs);
}

void StationHistory::slotReported(int slot, const MachineData& before, const MachineData& after) {
    if (!recorder_ || slot < 0 || slot >= MachineSlots || !layout_.Machines[static_cast<size_t>(slot)].Enabled) return;
    recorder_->statusReported(slot, info(slot), before.Status, before.Text, after.Status, after.Text, after.CodePage,
                              after.LcId);
}

void StationHistory::connectionShown(int slot, ShownConnection, ShownConnection after, int16_t statusBefore,
                                     int16_t statusAfter) {
    if (!recorder_ || slot < 0 || slot >= MachineSlots || !layout_.Machines[static_cast<size_t>(slot)].Enabled) return;
    recorder_->connectionShown(slot, info(slot), shownName(after), statusBefore, statusAfter);
}

} // namespace station
