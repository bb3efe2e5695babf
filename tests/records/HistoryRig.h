#pragma once
// The History window's tests: a real store on a temporary file, a line of five machines, a fixed
// clock, and an afternoon of the line's history.
#include "records/HistoryWindow.h"

#include "records/HistoryModel.h"
#include "store/Database.h"

#include "StoreRig.h"

#include <QDateTime>
#include <QStringList>

#include <memory>
#include <string>

namespace history_test {
using records::HistoryWindow;
using store::Event;
using store::EventKind;

constexpr qint64 Second = 1000, Minute = 60 * Second, Hour = 60 * Minute;
inline const qint64 T = QDateTime(QDate(2024, 3, 5), QTime(14, 0)).toMSecsSinceEpoch();

// Filler and Capper in group 0 beside a disabled old capper, Labeller in group 1, Palletiser/2 in
// none; group 2 is named and has no machine.
inline base::LineLayout line() {
    base::LineLayout l;
    const auto set = [&](int slot, const char* name, int group, bool enabled = true) {
        base::MachineRecord& m = l.Machines[static_cast<size_t>(slot)];
        m.Text = QString::fromUtf8(name);
        m.Group = static_cast<int16_t>(group);
        m.Enabled = enabled;
    };
    set(4, "Filler", 0);
    set(5, "Capper", 0);
    set(6, "Old capper", 0, false);
    set(7, "Labeller", 1);
    set(12, "Palletiser/2", -1);
    l.setGroupName(0, QStringLiteral("Filling"));
    l.setGroupName(1, QStringLiteral("Labelling"));
    l.setGroupName(2, QStringLiteral("Spare"));
    return l;
}

struct Rig {
    QTemporaryDir dir;
    QString file = dir.filePath("history.sqlite");
    base::LineLayout layout = line();
    qint64 now = T;
    QString chosenFile, suggested;
    std::unique_ptr<store::Store> store;
    std::unique_ptr<HistoryWindow> window;

    ~Rig() {
        window.reset();
        if (store) store->finish(5000);
    }

    Event event(EventKind kind, qint64 t, int slot, int from, int to, const char* text, const char* detail = "") {
        const base::MachineRecord& m = layout.Machines[static_cast<size_t>(slot)];
        Event e = testutil::event(kind, t, slot, m.Text, from, to, QString::fromUtf8(text), QString::fromUtf8(detail));
        e.group = m.Group;
        e.groupName = m.Group < 0 ? QString() : layout.groupName(m.Group);
        return e;
    }
    Event status(qint64 t, int slot, int from, int to, const char* text) {
        return event(EventKind::Status, t, slot, from, to, text);
    }
    Event link(qint64 t, int slot, const char* state, int from, int to, const char* text) {
        return event(EventKind::Connection, t, slot, from, to, text, state);
    }

    // The line's afternoon, each row named by its text.
    std::vector<Event> afternoon() {
        Event started;
        started.timeMs = T - 4 * Hour;
        started.detail = QStringLiteral("started");
        started.text = QStringLiteral("start");
        return {started,
                link(T - 3 * Hour, 4, "connected", 5, 5, "F-link"),
                status(T - 3 * Hour + Second, 4, 5, 1, "F-run"),
                status(T - 2 * Hour, 4, 1, 4, "Jam, \"left\" guide"),
                link(T - 90 * Minute, 4, "not connected", 4, 5, "F-lost"),
                link(T - 80 * Minute, 4, "connected", 5, 5, "F-back"),
                status(T - 80 * Minute + Second, 4, 5, 1, "F-run again"),
                status(T - 10 * Minute, 4, 1, 3, "Low glue"),
                status(T - 150 * Minute, 5, 1, 2, "Changeover"),
                status(T - 20 * Minute, 5, 2, 1, "C-run"),
                status(T - 50 * Minute, 7, 1, 4, "Label jam"),
                status(T - 9 * Hour, 12, 1, 0, "P-off")};
    }

    // Writes the events straight into the file, then starts the store and makes the window.
    HistoryWindow& start(const std::vector<Event>& events, bool stayOnTop = false, int refreshMs = 1000) {
        {
            store::Database db(file);
            QString error;
            EXPECT_NE(db.open(&error), store::Database::OpenResult::Failed) << error.toStdString();
            EXPECT_TRUE(db.insert(events, 0, &error)) << error.toStdString();
        }
        store::Store::Options o;
        o.path = file;
        o.commitMs = 20;
        o.retention.days = 0; // the test's afternoon lies in the past
        store = std::make_unique<store::Store>(o);
        store->start();
        HistoryWindow::Options w;
        w.stayOnTop = stayOnTop;
        w.refreshMs = refreshMs;
        w.clockMs = [this] { return now; };
        w.chooseFile = [this](QWidget*, const QString& name) {
            suggested = name;
            return chosenFile;
        };
        window = std::make_unique<HistoryWindow>(*store, layout, w);
        return *window;
    }

    bool loaded() {
        return testutil::waitFor([&] { return !window->rows().loading(); });
    }
    // The texts of the rows listed, joined by '|'.
    std::string listed() {
        QStringList texts;
        for (int r = 0; r < window->rows().rows(); ++r) texts << window->rows().row(r).event.text;
        return texts.join(QLatin1Char('|')).toStdString();
    }
};

inline unsigned bits(std::initializer_list<int> statuses) {
    unsigned b = 0;
    for (int s : statuses) b |= 1u << s;
    return b;
}
} // namespace history_test
