#pragma once
// The station's part of the event history: it hears of every slot's changes from the hub and of
// the station's own steps, turns them into rows through the recorder and hands them to the store,
// and writes the store's trouble to the log ("History not saved: <file>: <reason>" once per
// episode, "History saved again"). Runs on the event-loop thread; the store writes on its own.

#include "base/GeneralSettings.h"
#include "base/LineLayout.h"
#include "base/SettingsDiff.h"
#include "log/Log.h"
#include "net/LineView.h"
#include "store/HistoryRecorder.h"
#include "store/Store.h"

#include <QObject>

#include <memory>

class QTimer;

namespace station {

class StationHistory : public QObject, public net::LineObserver {
    Q_OBJECT
public:
    StationHistory(const base::LineLayout& layout, logfile::Log& log, QObject* parent = nullptr);
    ~StationHistory() override;

    // Sets the store up and records the start; the store opens its file on its own thread once
    // openStore() is called (what is recorded before waits in order). `recordEvents` false: the
    // history is off, the store is kept for the settings versions only.
    void start(const QString& file, const base::HistorySettings& settings);
    void openStore();
    bool recording() const { return recorder_ != nullptr; }
    store::Store* store() { return store_.get(); }

    // "switched on", "switched off"
    void stationStep(const QString& step);
    void settingsSaved(const QString& dialog, const QString& sections);
    // The end: the last rows are handed over and the store has at most `waitMs` to write them.
    void end(int waitMs);

    // A confirmed save changed the settings file from `before` to `after`: a version of it, with
    // the keys that changed, when the bytes differ. `restoredFrom` names the version a restore
    // brought back. The hashing and the comparison run here; the writing on the store's thread.
    void recordVersion(const QString& origin, const QByteArray& before, const QByteArray& after,
                       qint64 restoredFrom = 0);
    // At the start, once the store has answered: a version "start" when the settings file differs
    // from the newest version, or there is none yet (a hand edit between runs shows up so).
    void checkStartVersion(const QString& settingsFile);

    // net::LineObserver
    void slotReported(int slot, const base::MachineData& before, const base::MachineData& after) override;
    void connectionShown(int slot, base::ShownConnection before, base::ShownConnection after, int16_t statusBefore,
                         int16_t statusAfter) override;

private:
    store::HistoryRecorder::SlotInfo info(int slot) const;
    store::Version versionOf(const QString& origin, const QByteArray& before, const QByteArray& after);
    void handOver(std::shared_ptr<store::Version> version);

    const base::LineLayout& layout_;
    logfile::Log& log_;
    std::unique_ptr<store::Store> store_;
    std::unique_ptr<store::HistoryRecorder> recorder_;
    QTimer* tick_ = nullptr;
    quint64 startCheck_ = 0; // the store's answer the start check waits for
    // The file as the last version left it, and its keys.
    QByteArray lastBytes_;
    std::unique_ptr<base::SettingValues> lastValues_;
};

} // namespace station
