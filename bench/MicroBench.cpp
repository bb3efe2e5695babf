// Micro-benchmarks of the per-report path: frame extraction, reading a machine-data message,
// building the line data for 64 enabled slots, and one whole report with 64 sends to in-process
// sinks (parse, tables, the view, the sends).

#include "AllocationCount.h"

#include "net/Framing.h"
#include "net/LineHub.h"
#include "net/LineView.h"
#include "net/Payloads.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QString>

#include <cstdlib>
#include <string>

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
    void continueArrival(int) override {}
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
        for (int i = 0; i < MachineSlots; ++i) hub.ConnState[static_cast<size_t>(i)] = ConnectionState::Connected;
    }
    void report() {
        const int slot = static_cast<int>(seq % 64);
        sinks.pending = reportFrame(slot, seq++);
        hub.TcpClient_DataArrival(slot, sinks.pending.size());
    }
};

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

int main(int argc, char** argv) {
    // micro-bench --reports N: exactly N whole reports and nothing else, for instruction counts
    // under callgrind (run with two N and take the difference per report).
    if (argc == 3 && std::string(argv[1]) == "--reports") {
        ReportBench bench;
        for (long i = 0, n = std::atol(argv[2]); i < n; ++i) bench.report();
        return bench.sinks.bytes > 0 ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
