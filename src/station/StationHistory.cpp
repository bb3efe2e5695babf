#include "station/StationHistory.h"

#include "base/Profile.h"
#include "base/SettingsDiff.h"
#include "platform/Os.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QCryptographicHash>
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
    connect(store_.get(), &store::Store::versionsDropped, this, [this](qint64 count) {
        log_.system(QStringLiteral("Version not recorded: the store could not keep %1 version(s) while it could not "
                                   "write")
                        .arg(count));
    });
    connect(store_.get(), &store::Store::movedAside, this, [this, file](const QString& movedTo) {
        log_.system(QLatin1String("History file damaged: ") + file + QLatin1String(" moved aside as ") + movedTo +
                    QLatin1String("; a new one was started"));
    });
    store_->prepare();
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

void StationHistory::openStore() {
    if (store_) store_->start();
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
    if (!store_) return;
    // The start's check is not waited for any more: the next start compares the file again.
    startCheck_ = 0;
    store_->finish(waitMs);
    // What the store said before its end (that it could not write, say) reaches the log now: the
    // event loop does not run again to deliver it.
    QCoreApplication::sendPostedEvents(store_.get(), QEvent::MetaCall);
    // The next start records the file's difference as a version "start"; who saved it is lost.
    if (const qint64 lost = store_->waitingVersions())
        log_.system(
            QStringLiteral("Version not recorded: the store could not write %1 version(s) before the end").arg(lost));
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

store::Version StationHistory::versionOf(const QString& origin, const QByteArray& before, const QByteArray& after) {
    store::Version v;
    v.timeMs = QDateTime::currentMSecsSinceEpoch();
    v.user = platform::loginName();
    v.origin = origin;
    v.sha256 = QCryptographicHash::hash(after, QCryptographicHash::Sha256).toHex();
    v.size = after.size();
    if (after.size() <= store::Version::MaxContentBytes) {
        v.content = after;
        // A save starts from the file the last one left: its keys are read once, not again.
        if (!lastValues_ || lastBytes_ != before) lastValues_ = std::make_unique<SettingValues>(settingValues(before));
        auto now = std::make_unique<SettingValues>(settingValues(after));
        for (const SettingChange& c : settingsChanges(*lastValues_, *now))
            v.changes.push_back({c.section, c.key, c.oldValue, c.newValue});
        lastBytes_ = after;
        lastValues_ = std::move(now);
    }
    return v;
}

void StationHistory::handOver(std::shared_ptr<store::Version> version) {
    if (!store_) return;
    if (!store_->record(std::move(version)))
        log_.system(QStringLiteral("Version not recorded: the store's queue is full"));
}

void StationHistory::recordVersion(const QString& origin, const QByteArray& before, const QByteArray& after,
                                   qint64 restoredFrom) {
    // A save that leaves the bytes as they were records nothing (a restore always does).
    if (before == after && restoredFrom == 0) return;
    auto version = std::make_shared<store::Version>(versionOf(origin, before, after));
    version->restoredFrom = restoredFrom;
    handOver(std::move(version));
}

void StationHistory::checkStartVersion(const QString& settingsFile) {
    if (!store_) return;
    startCheck_ = store_->requestVersion(0);
    connect(store_.get(), &store::Store::versionReady, this,
            [this, settingsFile](quint64 request, const store::Version& newest) {
                if (request != startCheck_) return;
                startCheck_ = 0;
                QByteArray now;
                platform::readFile(settingsFile, profile::MaxFileSize, &now);
                const QByteArray sha = QCryptographicHash::hash(now, QCryptographicHash::Sha256).toHex();
                if (newest.id > 0 && newest.sha256 == sha) return;
                handOver(std::make_shared<store::Version>(versionOf(QStringLiteral("start"), newest.content, now)));
            });
}

} // namespace station
