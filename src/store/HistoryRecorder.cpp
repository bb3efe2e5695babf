#include "store/HistoryRecorder.h"

#include <climits>

namespace store {

HistoryRecorder::HistoryRecorder(std::function<void(Event)> sink, std::function<qint64()> clockMs)
    : sink_(std::move(sink)), clock_(std::move(clockMs)) {}

Event HistoryRecorder::slotEvent(EventKind kind, int slot, const SlotInfo& info) const {
    Event e;
    e.timeMs = clock_();
    e.kind = kind;
    e.slot = slot;
    e.machine = info.machine;
    e.group = info.group;
    e.groupName = info.groupName;
    return e;
}

void HistoryRecorder::writePending(Fold& fold) {
    if (!fold.pending) return;
    sink_(std::move(*fold.pending));
    fold.pending.reset();
    // The folded row counts as the slot's last text-only row: chatter gives one row per window.
    fold.lastRowMs = clock_();
}

void HistoryRecorder::statusReported(int slot, const SlotInfo& info, int oldStatus, const QString& oldText,
                                     int newStatus, const QString& newText, int codePage, int lcId) {
    if (slot < 0 || slot >= Slots) return;
    if (oldStatus == newStatus && oldText == newText) return; // the same state again
    Fold& fold = folds_[static_cast<size_t>(slot)];
    Event e = slotEvent(EventKind::Status, slot, info);
    e.oldStatus = oldStatus;
    e.newStatus = newStatus;
    e.text = newText;
    e.codePage = codePage;
    e.lcId = lcId;
    if (oldStatus != newStatus) {
        // A change of status ends any fold of its text changes first.
        writePending(fold);
        fold.lastRowMs = LLONG_MIN / 2;
        sink_(std::move(e));
        return;
    }
    if (fold.pending) {
        fold.pending->timeMs = e.timeMs;
        fold.pending->text = e.text;
        fold.pending->codePage = codePage;
        fold.pending->lcId = lcId;
        ++fold.pending->repeats;
        return;
    }
    if (e.timeMs - fold.lastRowMs < FoldWindowMs) {
        fold.pending = std::move(e);
        return;
    }
    fold.lastRowMs = e.timeMs;
    sink_(std::move(e));
}

void HistoryRecorder::connectionShown(int slot, const SlotInfo& info, const QString& state, int oldStatus,
                                      int newStatus) {
    if (slot < 0 || slot >= Slots) return;
    Fold& fold = folds_[static_cast<size_t>(slot)];
    writePending(fold);
    fold.lastRowMs = LLONG_MIN / 2;
    Event e = slotEvent(EventKind::Connection, slot, info);
    e.oldStatus = oldStatus;
    e.newStatus = newStatus;
    e.detail = state;
    sink_(std::move(e));
}

void HistoryRecorder::station(const QString& step) {
    Event e;
    e.timeMs = clock_();
    e.kind = EventKind::Station;
    e.detail = step;
    sink_(std::move(e));
}

void HistoryRecorder::settingsSaved(const QString& dialog, const QString& sections) {
    Event e;
    e.timeMs = clock_();
    e.kind = EventKind::Settings;
    e.detail = dialog;
    e.text = sections;
    sink_(std::move(e));
}

void HistoryRecorder::tick() {
    const qint64 now = clock_();
    for (Fold& fold : folds_)
        if (fold.pending && now - fold.lastRowMs >= FoldWindowMs) writePending(fold);
}

void HistoryRecorder::flush() {
    for (Fold& fold : folds_) writePending(fold);
}

} // namespace store
