// Figures of the store: what recording costs the event-loop thread (per event and per settings
// version), an event storm of the whole line, the size of one event in the file, and the History
// window's requests and the export on a file of millions of events. Prints one JSON object per
// part; the parts to run are named on the command line (default: cost version storm size).
//
//   store-bench [cost] [version] [storm [SECONDS]] [size] [window [MILLION_EVENTS]] [export]
//               [--dir DIR]    (where the files go; a filled window file there is used again)

#include "base/LineLayout.h"
#include "base/SettingsDiff.h"
#include "log/Log.h"
#include "station/StationHistory.h"
#include "store/Database.h"
#include "store/Store.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using namespace base;
using Clock = std::chrono::steady_clock;

namespace {

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
    return v[i];
}

double median(std::vector<double> v) { return percentile(std::move(v), 0.5); }

long rssKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

void spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

LineLayout line() {
    LineLayout layout;
    for (int m = 0; m < MachineSlots; ++m) {
        MachineRecord& r = layout.Machines[static_cast<size_t>(m)];
        r.Enabled = true;
        r.Text = QStringLiteral("Machine %1").arg(m);
        r.Group = static_cast<int16_t>(m % GroupCount);
    }
    for (int g = 0; g < GroupCount; ++g) layout.setGroupName(g, QStringLiteral("Group %1").arg(g));
    return layout;
}

MachineData data(int16_t status, const QString& text) {
    MachineData d;
    d.Status = status;
    d.Text = text;
    d.CodePage = 1252;
    d.LcId = 1033;
    return d;
}

// A station's history on `file`: the path the event loop takes for every report.
struct History {
    LineLayout layout = line();
    logfile::Log log;
    station::StationHistory history{layout, log};
    History(const QString& file, int days) { history.start(file, HistorySettings{days, 1024}); }
    // Slot `slot` changes from status a to b with a new text: one row.
    void change(int slot, int16_t a, int16_t b, const QString& text) {
        history.slotReported(slot, data(a, QString()), data(b, text));
    }
};

qint64 countRows(const QString& file) {
    if (!QFileInfo::exists(file)) return 0;
    store::Database db(file);
    QString error;
    if (db.open(&error) != store::Database::OpenResult::Opened) return -1;
    return db.eventCount();
}

// The event-loop cost of one recorded status change, history on against off; the writer commits
// beside it as on a station.
void cost() {
    // Bursts of 640 changes (a second of the storm below) ten times a second: ten times the storm's
    // rate, within what the queue holds between two commits.
    constexpr int Events = 64000, Burst = 640;
    std::vector<double> on, off;
    qint64 stored = 0;
    for (int days : {90, 0}) {
        QTemporaryDir dir;
        const QString file = dir.filePath("h.sqlite");
        {
            History h(file, days);
            spin(200);
            std::vector<double>& out = days ? on : off;
            out.reserve(Events);
            const QString texts[2] = {QStringLiteral("Running"), QStringLiteral("Jam at infeed")};
            for (int i = 0; i < Events; ++i) {
                const int slot = i % MachineSlots;
                const int16_t a = static_cast<int16_t>(1 + (i / MachineSlots) % 2), b = static_cast<int16_t>(3 - a);
                const auto t0 = Clock::now();
                h.change(slot, a, b, texts[b - 1]);
                out.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
                if ((i + 1) % Burst == 0) spin(100);
            }
            h.history.end(5000);
        }
        if (days) stored = countRows(file) - 2; // without "started" and "ended"
    }
    std::printf("{\"part\":\"cost\",\"events\":%d,\"stored\":%lld,\"on_median_us\":%.3f,\"on_p99_us\":%.3f,"
                "\"on_p999_us\":%.3f,\"off_median_us\":%.3f,\"off_p99_us\":%.3f}\n",
                Events, static_cast<long long>(stored), median(on), percentile(on, 0.99), percentile(on, 0.999),
                median(off), percentile(off, 0.99));
}

// A settings file of about 16 KB: 64 machine sections.
QByteArray settingsFile(int variant) {
    QByteArray out = "[General]\r\nLcId=1033\r\nCodePage=1252\r\n";
    for (int g = 0; g < GroupCount; ++g)
        out += "Group" + QByteArray::number(g) + "=Group " + QByteArray::number(g) + "\r\n";
    for (int m = 0; m < MachineSlots; ++m) {
        out += "[Ma" + QByteArray::number(m) + "]\r\nText=Machine " + QByteArray::number(m) + "\r\nAddress=10.0.0." +
               QByteArray::number(m == 12 ? variant : m) +
               "\r\nMachine=1\r\nRemoteControl=false\r\nSymbol=5\r\n"
               "StatusPLC=true\r\nEnabled=true\r\nGroup=" +
               QByteArray::number(m % 32) + "\r\n";
        for (int v = 1; v <= 6; ++v) out += "VisuGroup" + QByteArray::number(v) + "=-1\r\n";
    }
    out += "[Table]\r\n";
    for (int p = 0; p < 15; ++p) out += "Size" + QByteArray::number(p) + "=1000\r\n";
    return out;
}

// The event-loop cost of one settings version: hashing and comparing a 16 KB file.
void version() {
    QTemporaryDir dir;
    History h(dir.filePath("h.sqlite"), 90);
    spin(200);
    const QByteArray a = settingsFile(1), b = settingsFile(2);
    std::vector<double> times;
    for (int i = 0; i < 300; ++i) {
        const auto t0 = Clock::now();
        h.history.recordVersion(QStringLiteral("Machine table"), i % 2 ? b : a, i % 2 ? a : b);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        if (i % 20 == 0) spin(5);
    }
    h.history.end(5000);
    std::printf("{\"part\":\"version\",\"file_bytes\":%lld,\"median_ms\":%.4f,\"p99_ms\":%.4f,\"max_ms\":%.4f}\n",
                static_cast<long long>(a.size()), median(times), percentile(times, 0.99),
                *std::max_element(times.begin(), times.end()));
}

// 64 machines, 10 status changes a second each, paced by a timer as reports come: every event is
// stored and the memory stays flat.
void storm(int seconds) {
    QTemporaryDir dir;
    const QString file = dir.filePath("storm.sqlite");
    long rssPeak = 0;
    qint64 handed = 0;
    const long rssStart = rssKiB();
    {
        History h(file, 90);
        spin(200);
        QElapsedTimer clock;
        clock.start();
        QTimer tick;
        int round = 0;
        QEventLoop loop;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            // Ten rounds a second, each a change of every machine.
            const qint64 due = clock.elapsed() / 100;
            for (; round <= due; ++round) {
                for (int slot = 0; slot < MachineSlots; ++slot) {
                    const int16_t a = static_cast<int16_t>(1 + round % 4),
                                  b = static_cast<int16_t>(1 + (round + 1) % 4);
                    h.change(slot, a, b, QStringLiteral("Round %1").arg(round));
                    ++handed;
                }
            }
            rssPeak = std::max(rssPeak, rssKiB());
            if (clock.elapsed() >= seconds * 1000LL) loop.quit();
        });
        tick.start(10);
        loop.exec();
        h.history.end(5000);
    }
    const qint64 stored = countRows(file) - 2; // without the rows "started" and "ended"
    std::printf("{\"part\":\"storm\",\"seconds\":%d,\"handed_over\":%lld,\"stored\":%lld,\"rss_start_kib\":%ld,"
                "\"rss_peak_kib\":%ld,\"file_bytes\":%lld}\n",
                seconds, static_cast<long long>(handed), static_cast<long long>(stored), rssStart, rssPeak,
                static_cast<long long>(QFileInfo(file).size()));
}

// Fills a file with `count` status and connection rows over the last 90 days, the line's mix.
void fill(const QString& file, qint64 count, qint64 endMs) {
    store::Database db(file);
    QString error;
    db.open(&error);
    const qint64 spanMs = 90LL * 86400000;
    const qint64 step = spanMs / count;
    const QString texts[] = {QStringLiteral("Running"), QStringLiteral("Low on labels"),
                             QStringLiteral("Jam at infeed"), QStringLiteral("Door open"),
                             QStringLiteral("Waiting for bottles")};
    std::vector<store::Event> batch;
    batch.reserve(50000);
    for (qint64 i = 0; i < count; ++i) {
        store::Event e;
        e.timeMs = endMs - spanMs + i * step;
        e.slot = static_cast<int>(i % MachineSlots);
        e.machine = QStringLiteral("Machine %1").arg(e.slot);
        e.group = e.slot % GroupCount;
        e.groupName = QStringLiteral("Group %1").arg(e.group);
        if (i % 50 == 49) {
            e.kind = store::EventKind::Connection;
            e.detail = QStringLiteral("waiting");
            e.oldStatus = 1;
            e.newStatus = 5;
        } else {
            e.kind = store::EventKind::Status;
            e.oldStatus = static_cast<int>((i / MachineSlots) % 5);
            e.newStatus = static_cast<int>((i / MachineSlots + 1) % 5);
            e.text = texts[e.newStatus];
            e.codePage = 1252;
            e.lcId = 1033;
        }
        batch.push_back(std::move(e));
        if (batch.size() == 50000) {
            db.insert(batch, 0, &error);
            batch.clear();
        }
    }
    if (!batch.empty()) db.insert(batch, 0, &error);
}

// Bytes per event in the file, indexes included.
void size() {
    QTemporaryDir dir;
    const QString file = dir.filePath("size.sqlite");
    constexpr qint64 Events = 200000;
    fill(file, Events, QDateTime::currentMSecsSinceEpoch());
    store::Database db(file);
    QString error;
    db.open(&error);
    const qint64 bytes = db.usedBytes();
    std::printf("{\"part\":\"size\",\"events\":%lld,\"used_bytes\":%lld,\"bytes_per_event\":%.1f}\n",
                static_cast<long long>(Events), static_cast<long long>(bytes),
                static_cast<double>(bytes) / static_cast<double>(Events));
}

// Times one request of the store from asking to its answer, as the window waits for it.
template <typename Ask, typename Signal> double timed(store::Store& s, Ask ask, Signal signal) {
    bool done = false;
    quint64 request = 0;
    const QMetaObject::Connection c = QObject::connect(&s, signal, [&](quint64 r, auto&&...) {
        if (r == request) done = true;
    });
    const auto t0 = Clock::now();
    request = ask();
    QEventLoop loop;
    while (!done) loop.processEvents(QEventLoop::WaitForMoreEvents);
    QObject::disconnect(c);
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

QString windowFile(const QString& dir, qint64 events) {
    return QDir(dir).filePath(QStringLiteral("window-%1.sqlite").arg(events));
}

// The window's requests on a file of `events` events over 90 days ending now (median of 5 each).
void window(const QString& dir, qint64 events) {
    const QString file = windowFile(dir, events);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QElapsedTimer filling;
    filling.start();
    if (countRows(file) != events) {
        QFile::remove(file);
        fill(file, events, now);
    }
    const qint64 fillMs = filling.elapsed();
    store::Store::Options options;
    options.path = file;
    options.retention.days = 3650;
    options.retention.maxBytes = 64LL << 30;
    store::Store s(options);
    s.start();
    const auto rows = [&](store::Query q) {
        std::vector<double> t;
        for (int i = 0; i < 5; ++i)
            t.push_back(timed(
                s, [&] { return s.requestRows(q); }, &store::Store::rowsReady));
        return median(t);
    };
    constexpr qint64 Hour = 3600000, Day = 24 * Hour;
    store::Query shift;
    shift.fromMs = now - 8 * Hour;
    store::Query machineWeek;
    machineWeek.fromMs = now - 7 * Day;
    machineWeek.slotNumbers = {12};
    store::Query faultsWeek;
    faultsWeek.fromMs = now - 7 * Day;
    faultsWeek.statuses = {4};
    faultsWeek.connections = false;
    store::Query textWeek;
    textWeek.fromMs = now - 7 * Day;
    textWeek.textContains = QStringLiteral("door");
    store::Query nothingWeek = textWeek; // a text no row has: the whole range is searched
    nothingWeek.textContains = QStringLiteral("no such text");
    store::Query groupWeek;
    groupWeek.fromMs = now - 7 * Day;
    groupWeek.slotNumbers = {3, 35};
    store::Query lineAll; // no range: the newest page of everything
    std::vector<double> tis;
    for (int i = 0; i < 5; ++i)
        tis.push_back(timed(
            s, [&] { return s.requestTimeInState(12, now - 7 * Day, now); }, &store::Store::timeInStateReady));
    std::printf("{\"part\":\"window\",\"events\":%lld,\"fill_ms\":%lld,\"first_page_shift_ms\":%.2f,"
                "\"first_page_all_ms\":%.2f,\"machine_7d_ms\":%.2f,\"group_7d_ms\":%.2f,\"faults_7d_ms\":%.2f,"
                "\"text_7d_ms\":%.2f,\"text_none_7d_ms\":%.2f,\"time_in_state_7d_ms\":%.2f}\n",
                static_cast<long long>(events), static_cast<long long>(fillMs), rows(shift), rows(lineAll),
                rows(machineWeek), rows(groupWeek), rows(faultsWeek), rows(textWeek), rows(nothingWeek), median(tis));
    s.finish(5000);
}

// The CSV export of the newest million rows.
void exportRows(const QString& dir, qint64 events) {
    const QString file = windowFile(dir, events);
    if (countRows(file) != events) fill(file, events, QDateTime::currentMSecsSinceEpoch());
    store::Store::Options options;
    options.path = file;
    options.retention.days = 3650;
    options.retention.maxBytes = 64LL << 30;
    store::Store s(options);
    s.start();
    // The newest million rows: from the time of the millionth newest.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    store::Query q;
    q.fromMs = now - static_cast<qint64>(90.0 * 86400000.0 * 1e6 / static_cast<double>(events));
    const QString csv = QDir(dir).filePath(QStringLiteral("export.csv"));
    double ms = timed(
        s, [&] { return s.requestExport(q, csv); }, &store::Store::exportFinished);
    std::printf("{\"part\":\"export\",\"rows_about\":1000000,\"ms\":%.0f,\"csv_bytes\":%lld}\n", ms,
                static_cast<long long>(QFileInfo(csv).size()));
    QFile::remove(csv);
    s.finish(5000);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString dir = QDir::tempPath();
    const int d = static_cast<int>(args.indexOf(QStringLiteral("--dir")));
    if (d >= 0 && d + 1 < args.size()) {
        dir = args[d + 1];
        args.remove(d, 2);
    }
    if (args.isEmpty())
        args = {QStringLiteral("cost"), QStringLiteral("version"), QStringLiteral("storm"), QStringLiteral("size")};
    const auto number = [&](int i, qint64 fallback) {
        bool ok = false;
        const qint64 n = args.value(i + 1).toLongLong(&ok);
        return ok ? n : fallback;
    };
    for (int i = 0; i < args.size(); ++i) {
        const QString& part = args[i];
        if (part == QLatin1String("cost"))
            cost();
        else if (part == QLatin1String("version"))
            version();
        else if (part == QLatin1String("storm"))
            storm(static_cast<int>(number(i, 60)));
        else if (part == QLatin1String("size"))
            size();
        else if (part == QLatin1String("window"))
            window(dir, number(i, 5) * 1000000);
        else if (part == QLatin1String("export"))
            exportRows(dir, 5000000);
        else if (!part.front().isDigit()) {
            std::fprintf(stderr, "unknown part %s\n", qPrintable(part));
            return 2;
        }
        std::fflush(stdout);
    }
    return 0;
}
