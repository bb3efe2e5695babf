// language-fuzz: reads mutated copies of Language database files through the language loader
// (and so through its reader child process) and counts how each read ended.
//
//   language-fuzz --seconds 180 --seed 1 tests/data/*.mdb

#include "lang/LanguageLoader.h"
#include "lang/LanguageReader.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

using namespace lang;

namespace {
QByteArray mutate(QByteArray bytes, QRandomGenerator& random) {
    if (bytes.isEmpty()) return bytes;
    const int kind = static_cast<int>(random.bounded(10));
    const auto at = [&] { return static_cast<int>(random.bounded(static_cast<quint32>(bytes.size()))); };
    if (kind < 5) {
        // A few random bytes.
        const int n = 1 + static_cast<int>(random.bounded(8));
        for (int i = 0; i < n; ++i) bytes[at()] = static_cast<char>(random.bounded(256));
    } else if (kind < 8) {
        // A 16- or 32-bit field set to an extreme.
        static const quint32 extremes[] = {0,      1,      0x7F,       0x80,       0xFF,      0x7FFF,
                                           0x8000, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
        const quint32 value = extremes[random.bounded(static_cast<quint32>(std::size(extremes)))];
        const int width = random.bounded(2) ? 2 : 4;
        const int pos = at();
        for (int i = 0; i < width && pos + i < bytes.size(); ++i)
            bytes[pos + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    } else if (kind == 8) {
        bytes.truncate(at());
    } else {
        // A whole page of noise.
        const int page = at() / 4096 * 4096;
        for (int i = page; i < std::min<int>(page + 4096, static_cast<int>(bytes.size())); ++i)
            bytes[i] = static_cast<char>(random.bounded(256));
    }
    return bytes;
}
} // namespace

int main(int argc, char* argv[]) {
    if (int status = 0; lang::isReaderInvocation(argc, argv, &status)) ::_exit(status);
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption secondsOption("seconds", "How long to run.", "s", "60");
    const QCommandLineOption seedOption("seed", "Random seed.", "n", "1");
    parser.addOptions({secondsOption, seedOption});
    parser.addPositionalArgument("files", "Database files to mutate.");
    parser.process(app);
    QList<QByteArray> inputs;
    for (const QString& path : parser.positionalArguments()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) inputs << file.readAll();
    }
    if (inputs.isEmpty()) {
        std::fprintf(stderr, "no input files\n");
        return 2;
    }
    QRandomGenerator random(parser.value(seedOption).toUInt());
    QTemporaryDir dir;
    const QString path = dir.filePath("Languages.mdb");
    int runs = 0, complete = 0, partial = 0, killed = 0, crashed = 0, failedStart = 0;
    qint64 languages = 0, longest = 0;
    QElapsedTimer clock;
    clock.start();
    const qint64 limit = parser.value(secondsOption).toLongLong() * 1000;
    while (clock.elapsed() < limit) {
        const QByteArray& input = inputs[static_cast<int>(random.bounded(static_cast<quint32>(inputs.size())))];
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
        out.write(mutate(input, random));
        out.close();
        LanguageTable table;
        // The program's own bounds: a read must end within its deadline, whatever the file.
        QElapsedTimer one;
        one.start();
        const lang::LoadOutcome outcome =
            lang::loadLanguages(path, QCoreApplication::applicationFilePath(), table, lang::LoaderLimits{});
        longest = std::max(longest, one.elapsed());
        ++runs;
        languages += table.LanguageCount;
        if (!outcome.started)
            ++failedStart;
        else if (outcome.killed) {
            ++killed;
            QFile::copy(path, QStringLiteral("fuzz-killed-%1.mdb").arg(killed));
        } else if (outcome.crashed) {
            ++crashed;
            if (crashed <= 5) QFile::copy(path, QStringLiteral("fuzz-crashed-%1.mdb").arg(crashed));
        } else if (outcome.complete)
            ++complete;
        else
            ++partial;
    }
    const int deadline = lang::LoaderLimits{}.deadlineMs;
    std::printf("runs %d: complete %d, incomplete %d, killed (deadline or memory) %d, child crashed %d, "
                "not started %d; languages read in all %lld; longest read %lld ms (deadline %d ms)\n",
                runs, complete, partial, killed, crashed, failedStart, static_cast<long long>(languages),
                static_cast<long long>(longest), deadline);
    // The parent must never wait much longer than the deadline for a child.
    return longest <= deadline + 1000 ? 0 : 1;
}
