// The machine table editor's speed, offscreen: opening it with 64 filled rows and 100 symbol
// files (first opening and the median of 10), one vertical scroll step, and the save of all
// machines and column widths into a settings file of realistic size on the disk the program runs
// from (with the share its fsync takes). With --screenshots DIR it also saves pictures of the
// editor at several scroll positions.
//
//   table-editor-bench [--dir WORKDIR] [--symbols DEMO_SYMBOL_DIR] [--screenshots DIR] [--runs N]

#include "base/LineLayout.h"
#include "base/Settings.h"
#include "editors/EditierenT.h"
#include "ui/Captions.h"
#include "ui/DialogFont.h"
#include "ui/SymbolImages.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/statfs.h>
#include <unistd.h>
#include <vector>

using namespace base;
using namespace editors;

namespace {
double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
}

double ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

QString arg(const QStringList& args, const QString& name, const QString& fallback) {
    const int i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : fallback;
}

// A line as a commissioning engineer leaves it: 64 named machines in 12 groups.
void fillLine(LineLayout& layout) {
    const char* const names[] = {"Filler",     "Capper",  "Labeller",     "Case packer",
                                 "Palletiser", "Wrapper", "Checkweigher", "Conveyor"};
    for (int g = 0; g < 12; ++g)
        layout.setGroupName(g, QStringLiteral("Line %1 section %2").arg(g / 4 + 1).arg(g % 4 + 1));
    for (int s = 0; s < MachineSlots; ++s) {
        MachineRecord& m = layout.Machines[static_cast<size_t>(s)];
        m.Text = QStringLiteral("%1 %2").arg(QLatin1String(names[s % 8])).arg(s / 8 + 1);
        m.Address = QStringLiteral("10.20.%1.%2").arg(s / 16 + 1).arg(s % 16 + 10);
        m.Machine = static_cast<int16_t>(s % 10 + 1);
        m.Symbol = static_cast<int16_t>(s % 100);
        m.Enabled = s % 7 != 6;
        m.Group = static_cast<int16_t>(s / 6 % 12);
        m.VisuGroup = {static_cast<int16_t>(s % 12), -1, static_cast<int16_t>((s + 3) % 12), -1, -1, -1};
        m.RemoteControl = s % 3 == 0;
        m.StatusPLC = s % 2 == 0;
    }
}

// The settings file of such a line, with the comments a person adds.
QByteArray settingsFile(const LineLayout& layout) {
    QByteArray ini = "; Packaging line 3, operator station 1\r\n; commissioned 2026-11-02, see the line book\r\n"
                     "[General]\r\nLcId=1033\r\nFontName=Arial\r\nLogSystem=true\r\n";
    for (int g = 0; g < GroupCount; ++g)
        ini += "Group" + QByteArray::number(g) + "=" + layout.groupName(g).toUtf8() + "\r\n";
    ini += "\r\n";
    for (int s = 0; s < MachineSlots; ++s) {
        const MachineRecord& m = layout.Machines[static_cast<size_t>(s)];
        ini += "; slot " + QByteArray::number(s) + ", cabinet " + QByteArray::number(s / 8 + 1) + "\r\n[Ma" +
               QByteArray::number(s) + "]\r\nText=" + m.Text.toUtf8() + "\r\nAddress=" + m.Address.toUtf8() +
               "\r\nMachine=" + QByteArray::number(m.Machine) +
               "\r\nRemoteControl=false\r\nSymbol=" + QByteArray::number(m.Symbol) +
               "\r\nStatusPLC=false\r\nEnabled=true\r\nGroup=" + QByteArray::number(m.Group) + "\r\n";
        for (int j = 1; j <= 6; ++j) ini += "VisuGroup" + QByteArray::number(j) + "=-1\r\n";
        ini += "\r\n";
    }
    ini += "[Table]\r\n";
    for (int c = 0; c < 14; ++c) ini += "Size" + QByteArray::number(c) + "=1500\r\n";
    return ini;
}

// Runs `inside` while the editor is shown, then cancels it; returns the milliseconds from the
// call until `inside` returned.
double openTimed(EditierenT& dialog, const std::function<void(EditierenT&)>& inside) {
    QElapsedTimer timer;
    double elapsed = 0;
    editors::ModalDialog::setAnswer([&](editors::ModalDialog& d) {
        inside(dialog);
        elapsed = ms(timer);
        d.reject();
    });
    timer.start();
    dialog.edit();
    editors::ModalDialog::setAnswer({});
    return elapsed;
}

void click(QWidget* widget, QPoint at = QPoint(4, 4)) {
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ui::installFontSubstitutions();
    const QStringList args = app.arguments();
    const int runs = arg(args, QStringLiteral("--runs"), QStringLiteral("10")).toInt();
    const QString screenshots = arg(args, QStringLiteral("--screenshots"), QString());
    QTemporaryDir work(arg(args, QStringLiteral("--dir"), QDir::currentPath()) + QStringLiteral("/table-bench-XXXXXX"));
    if (!work.isValid()) {
        std::fprintf(stderr, "cannot make a work folder\n");
        return 1;
    }

    // 100 symbol files, from the demo line's pictures.
    const QDir demo(arg(args, QStringLiteral("--symbols"), QStringLiteral(VRR_DEMO_SYMBOLS)));
    const QStringList pictures = demo.entryList({QStringLiteral("*.gif")}, QDir::Files, QDir::Name);
    if (pictures.isEmpty()) {
        std::fprintf(stderr, "no pictures in %s\n", qPrintable(demo.path()));
        return 1;
    }
    QDir(work.path()).mkdir(QStringLiteral("MachineSymbols"));
    for (int n = 0; n < 100; ++n)
        QFile::copy(demo.filePath(pictures[n % pictures.size()]),
                    work.filePath(QStringLiteral("MachineSymbols/MachineSymbol_%1_800.gif").arg(n)));

    LineLayout layout;
    fillLine(layout);
    GeneralSettings settings;
    settings.fontName = QStringLiteral("Arial");
    ui::setUpDialogFont(settings.fontName, 0);
    ui::SymbolImages symbols(work.path());

    // Opening: the first one creates the dialog object.
    std::unique_ptr<EditierenT> dialog;
    QElapsedTimer first;
    first.start();
    dialog = std::make_unique<EditierenT>(layout, settings, work.path(), symbols, nullptr);
    const double construct = ms(first);
    const double firstOpen = construct + openTimed(*dialog, [](EditierenT& d) { d.grab(); });
    std::vector<double> opens;
    for (int i = 0; i < runs; ++i) opens.push_back(openTimed(*dialog, [](EditierenT& d) { d.grab(); }));

    // Vertical scroll steps, each until the repainted dialog is grabbed.
    std::vector<double> steps;
    openTimed(*dialog, [&](EditierenT& d) {
        d.grab();
        for (int i = 0; i < runs * 2; ++i) {
            const int cycle = i % 12;
            const int value = cycle <= 6 ? cycle : 12 - cycle;
            QElapsedTimer t;
            t.start();
            d.vScroll()->setValue(value == d.vScroll()->value() ? (value + 1) % 7 : value);
            d.grab();
            steps.push_back(ms(t));
        }
    });

    // The save after OK: 64 sections and the widths into a realistic file on this disk.
    const QString file = work.filePath(QStringLiteral("VelkoRozoRedizovClient.ini"));
    const QByteArray ini = settingsFile(layout);
    std::vector<double> saves, fsyncs, oneByOne, onePass;
    for (int i = 0; i < runs; ++i) {
        QFile f(file);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(ini);
        f.close();
        layout.Machines[static_cast<size_t>(i % 64)].Text += QLatin1Char('x');
        QElapsedTimer t;
        t.start();
        layout.saveAllMachines(file);
        saves.push_back(ms(t));

        // The fsync of a file of that size in the same folder, alone.
        const QByteArray bytes = [&] {
            QFile r(file);
            r.open(QIODevice::ReadOnly);
            return r.readAll();
        }();
        const QByteArray probe = QFile::encodeName(work.filePath(QStringLiteral("fsync-probe")));
        const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd >= 0) {
            if (::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size()) {
                QElapsedTimer s;
                s.start();
                ::fsync(fd);
                fsyncs.push_back(ms(s));
            }
            ::close(fd);
        }

        // The in-memory part alone: every key applied on a fresh parse (as before) and in one pass.
        std::vector<profile::ValueWrite> writes;
        const AnsiCodec& codec = AnsiCodec::workstation();
        for (int s = 0; s < MachineSlots; ++s) {
            const MachineRecord& m = layout.Machines[static_cast<size_t>(s)];
            const QString section = QStringLiteral("Ma%1").arg(s);
            writes.push_back({section, QStringLiteral("Text"), codec.encode(m.Text)});
            writes.push_back({section, QStringLiteral("Address"), codec.encode(m.Address)});
            for (const char* key : {"Machine", "RemoteControl", "Symbol", "StatusPLC", "Enabled", "Group", "VisuGroup1",
                                    "VisuGroup2", "VisuGroup3", "VisuGroup4", "VisuGroup5", "VisuGroup6"})
                writes.push_back({section, QString::fromLatin1(key), "1"});
        }
        for (int c = 0; c < 14; ++c)
            writes.push_back({QStringLiteral("Table"), QStringLiteral("Size%1").arg(c), "1500"});
        QElapsedTimer a;
        a.start();
        QByteArray text = ini;
        for (const auto& w : writes)
            text = profile::ProfileText(std::move(text), codec).withValue(w.section, w.key, w.value);
        oneByOne.push_back(ms(a));
        QElapsedTimer b;
        b.start();
        const QByteArray batch = profile::ProfileText(ini, codec).withValues(writes);
        onePass.push_back(ms(b));
        if (batch != text) {
            std::fprintf(stderr, "one pass and one by one differ\n");
            return 1;
        }
    }

    struct statfs fs {};
    statfs(qPrintable(work.path()), &fs);
    std::printf("work folder: %s (filesystem magic 0x%lx%s)\n", qPrintable(work.path()),
                static_cast<unsigned long>(fs.f_type), fs.f_type == 0x01021994 ? ", tmpfs" : "");
    std::printf("open, first (with creating the dialog %.1f ms): %.1f ms\n", construct, firstOpen);
    std::printf("open, median of %d: %.1f ms\n", runs, median(opens));
    std::printf("vertical scroll step, median of %zu: %.1f ms (max %.1f)\n", steps.size(), median(steps),
                *std::max_element(steps.begin(), steps.end()));
    std::printf("save of 64 machines and widths, %lld bytes, median of %d: %.2f ms; fsync alone %.2f ms (%.0f %%)\n",
                static_cast<long long>(ini.size()), runs, median(saves), median(fsyncs),
                100.0 * median(fsyncs) / std::max(median(saves), 1e-9));
    std::printf("settings text of the save, one parse per key: %.2f ms; one pass: %.2f ms (ratio %.3f)\n",
                median(oneByOne), median(onePass), median(onePass) / std::max(median(oneByOne), 1e-9));

    if (!screenshots.isEmpty()) {
        QDir().mkpath(screenshots);
        openTimed(*dialog, [&](EditierenT& d) {
            d.grab().save(screenshots + QStringLiteral("/table-0.png"));
            d.vScroll()->setValue(3);
            click(d.textGruppe(2));
            d.grab().save(screenshots + QStringLiteral("/table-3-list.png"));
            d.hScroll()->setValue(d.hScroll()->maximum());
            click(d.textGruppeVisu(13, 2));
            d.grab().save(screenshots + QStringLiteral("/table-3-last-columns.png"));
            d.vScroll()->setValue(6);
            d.hScroll()->setValue(2);
            click(d.marke(12));
            d.grab().save(screenshots + QStringLiteral("/table-6-commands.png"));
        });
    }
    return 0;
}
