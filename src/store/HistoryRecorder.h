#pragma once
// What the event history records, decided on the event-loop thread: a row when a report changes
// a slot's status or only its text, when a slot's shown connection changes, for the station's
// steps and for confirmed configuration saves. Text-only changes are recorded at once when the
// slot had no text-only row in the last 10 s; later ones within those 10 s fold into one row
// (the count and the last text), written when the window ends, the status changes or the station
// ends. The recorder only decides; every row goes to a sink (the store's queue). Needs no thread,
// no database and no window.

#include "store/Event.h"

#include <array>
#include <climits>
#include <functional>
#include <optional>

namespace store {

class HistoryRecorder {
public:
    static constexpr qint64 FoldWindowMs = 10000;
    static constexpr int Slots = 64;

    // What a slot is at the moment of an event.
    struct SlotInfo {
        QString machine;
        int group = -1;
        QString groupName;
    };

    HistoryRecorder(std::function<void(Event)> sink, std::function<qint64()> clockMs);

    // A report for an enabled slot, with the slot's status and text before and after it.
    void statusReported(int slot, const SlotInfo& info, int oldStatus, const QString& oldText, int newStatus,
                        const QString& newText, int codePage, int lcId);
    // A slot's shown connection state changed ("connected", "waiting", "not connected"), with the
    // status that change set.
    void connectionShown(int slot, const SlotInfo& info, const QString& state, int oldStatus, int newStatus);
    // A step of the station: "started", "switched on", "switched off", "ended".
    void station(const QString& step);
    // A confirmed configuration save: which dialog, which sections it wrote.
    void settingsSaved(const QString& dialog, const QString& sections);

    // Folded rows whose window has ended are written; the station calls it about once a second.
    void tick();
    // Every folded row is written now (the station ends).
    void flush();

private:
    struct Fold {
        qint64 lastRowMs = LLONG_MIN / 2; // when the slot's last text-only row was written
        std::optional<Event> pending;     // text-only changes folded since
    };

    Event slotEvent(EventKind kind, int slot, const SlotInfo& info) const;
    void writePending(Fold& fold);

    std::function<void(Event)> sink_;
    std::function<qint64()> clock_;
    std::array<Fold, Slots> folds_{};
};

} // namespace store
