// Micro-benchmarks of the per-report path: frame extraction, reading a machine-data message,
// building the line data for 64 enabled slots, and one whole report with 64 sends to in-process
// sinks (parse, tables, the view, the sends).

#include "AllocationCount.h"

#include "log/LogPicture.h"
#include "net/Framing.h"
#include "net/LineHub.h"
#include "net/LineView.h"
#include "net/Payloads.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

using namespace base;
using namespace logfile;
using namespace net;

namespace {
QByteArray reportFrame(int slot, unsigned seq) {
    return QByteArray("$$Anfang$$$$HierMaschinenDaten$$Status") + QByteArray::number(slot) + "=1;Text" +
           QByteArray::number(slot) + "=r" + QByteArray::number(seq).rightJustified(8, '0') + ";CodePage" +
           QByteArray::number(slot) + "=1252;LcId" + QByteArray::number(slot) + "=1033;$$Ende$$";
}

LineLayout fullLayout() {
    LineLayout layout;
    for (int m = 0; m < MachineSlots; ++m) {
        layout.Machines[static_cast<size_t>(m)].Enabled = true;
        layout.Machines[static_cast<size_t>(m)].Text = QStringLiteral("Machine %1").arg(m);
        layout.Machines[static_cast<size_t>(m)].Address = QStringLiteral("127.0.0.%1").arg(m + 1);
        layout.Machines[static_cast<size_t>(m)].Group = static_cast<int16_t>(m % 32);
        layout.MachineDataNow[static_cast<size_t>(m)] = {1, 1, QStringLiteral("r00000000"), 1252, 1033};
    }
    return layout;
}

struct Sinks : Connections {
    qint64 bytes = 0;
    QByteArray pending;
    bool isOpen(int) const override { return true; }
    void send(int, const QByteArray& b) override { bytes += b.size(); }
    QByteArray read(int, qint64) override { return std::exchange(pending, QByteArray()); }
    qint64 bytesAvailable(int) const override { return pending.size(); }
    void continueArrival(int, int) override {}
    void open(int, const QString&) override {}
    void reopen(int) override {}
    void close(int) override {}
    void restartKeepAlive(int) override {}
    void restartReplyTimer(int) override {}
    void enableReplyTimer(int) override {}
    void stopTimers(int) override {}
};

// Shows the first 24 slots and 12 groups, as the main window does at its first scroll position.
struct View : SlotView {
    int writes = 0;
    void showConnectionState(int, ShownConnection) override {}
    void showMachineData(int slot, const MachineRecord&, const MachineData&) override {
        if (slot < MachineTiles) ++writes;
    }
    void showGroupStatus(int, int16_t) override {}
};
} // namespace

static void FrameExtraction(benchmark::State& state) {
    framing::FrameBuffer buffer;
    const QByteArray arrival = reportFrame(17, 12345678);
    qint64 messages = 0;
    for (auto _ : state) buffer.feed(arrival, [&](QByteArrayView m) { messages += m.size(); });
    benchmark::DoNotOptimize(messages);
}
BENCHMARK(FrameExtraction);

static void ReadMachineData(benchmark::State& state) {
    LineLayout layout = fullLayout();
    const QString payload = QStringLiteral("Status17=3;Text17=r00001234;CodePage17=1252;LcId17=1033;");
    for (auto _ : state) benchmark::DoNotOptimize(payload::readMachineData(payload, layout));
}
BENCHMARK(ReadMachineData);

static void BuildLineData64(benchmark::State& state) {
    const LineLayout layout = fullLayout();
    const AnsiCodec codec(1252);
    for (auto _ : state) benchmark::DoNotOptimize(payload::lineDataBytes(layout, codec));
}
BENCHMARK(BuildLineData64);

// One whole report: arrival, framing, parsing, tables, the view, and the line data to 64 sinks.
struct ReportBench {
    LineLayout layout = fullLayout();
    GeneralSettings settings;
    Log log;
    View view;
    Sinks sinks;
    LineHub hub{layout, settings, log, view, sinks};
    unsigned seq = 0;
    ReportBench() {
        for (int i = 0; i < MachineSlots; ++i) hub.TcpClient_Connect(i);
        sinks.bytes = 0;
    }
    void report() {
        const int slot = static_cast<int>(seq % 64);
        sinks.pending = reportFrame(slot, seq++);
        hub.TcpClient_DataArrival(slot, sinks.pending.size());
    }
};

// One report's 64 sent data lines (the line data of 64 slots with the line's prefix) applied to the
// log's picture in memory, at a limit of `range(0)` KiB: every report cuts at least once.
static void LogPicture64Lines(benchmark::State& state) {
    const int kib = static_cast<int>(state.range(0));
    const QByteArray payload = QByteArray(payload::HierLinienDaten.data(), payload::HierLinienDaten.size()) +
                               payload::lineDataBytes(fullLayout(), AnsiCodec(1252));
    const QByteArray stamp = "06.12.26 # 21:14:56 # ";
    const QByteArray header = "06.12.26; 21:14:56; File size reduced\r\n";
    LogPicture picture;
    long cuts = 0, reports = 0;
    for (auto _ : state) {
        for (int n = 0; n < 64; ++n) {
            const QByteArray number = QByteArray::number(n);
            cuts += picture.appendLine({"S", number, " <- C ", stamp, payload, "\r\n"}, kib * 1024LL,
                                       LogPicture::cutIndex(kib), header);
        }
        ++reports;
    }
    state.counters["cuts_per_report"] = benchmark::Counter(static_cast<double>(cuts) / static_cast<double>(reports));
    state.counters["bytes_per_report"] = benchmark::Counter(64.0 * (payload.size() + stamp.size() + 10));
}
BENCHMARK(LogPicture64Lines)->Arg(100)->Arg(2000);

static void WholeReport64Sends(benchmark::State& state) {
    ReportBench bench;
    bench.report(); // the first report builds what later ones reuse
    const long allocationsBefore = allocationCount();
    const unsigned reportsBefore = bench.seq;
    for (auto _ : state) bench.report();
    state.counters["allocations_per_report"] = benchmark::Counter(
        static_cast<double>(allocationCount() - allocationsBefore) / static_cast<double>(bench.seq - reportsBefore));
    state.counters["bytes_per_report"] =
        benchmark::Counter(static_cast<double>(bench.sinks.bytes) / static_cast<double>(bench.seq));
}
BENCHMARK(WholeReport64Sends);

// Switching the line on: every owned connection closed and opened again, the slots' shown states
// through not connected to waiting (the in-process sinks stand in for the sockets).
static void SwitchOn64(benchmark::State& state) {
    ReportBench bench;
    for (auto _ : state) {
        bench.hub.switchOff();
        bench.hub.switchOn();
    }
}
BENCHMARK(SwitchOn64);

// The same with data lines on: the 64 sent lines and the received one go to a log file in a
// temporary folder at a limit of `range(0)` KiB, written in a batch every 13 reports (20 ms at 640
// reports per second).
static void WholeReportLogData(benchmark::State& state) {
    QTemporaryDir dir(QStringLiteral("micro-bench-XXXXXX"));
    ReportBench bench;
    LogSwitches switches;
    switches.data = true;
    switches.fileSizeKiB = static_cast<int32_t>(state.range(0));
    switches.fileName = dir.filePath(QStringLiteral("log.txt"));
    bench.log.configure(switches);
    bench.report();
    unsigned n = 0;
    for (auto _ : state) {
        bench.report();
        if (++n % 13 == 0) bench.log.flush();
    }
    bench.log.flush();
}
BENCHMARK(WholeReportLogData)->Arg(100)->Arg(2000);

int main(int argc, char** argv) {
    // micro-bench --reports N: exactly N whole reports and nothing else, for instruction counts
    // under callgrind (run with two N and take the difference per report).
    if (argc == 3 && std::string(argv[1]) == "--reports") {
        ReportBench bench;
        for (long i = 0, n = std::atol(argv[2]); i < n; ++i) bench.report();
        return bench.sinks.bytes > 0 ? 0 : 1;
    }
    // The log writes its batches from the event loop; without one running they wait for flush().
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
