// line-simulator: simulated machine servers of a packaging line on loopback addresses, one per
// address, each speaking the line protocol to the operator-station client.

#include "SimulatedServer.h"

#include "base/LineLayout.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QSet>
#include <QTimer>

#include <cstdio>

using namespace base;

namespace {
// "127.0.0.1-14" or "127.0.0.3" or a comma separated list of those.
QList<QHostAddress> parseAddresses(const QString& text, QString* error) {
    QList<QHostAddress> result;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const qsizetype dash = part.indexOf(QLatin1Char('-'));
        if (dash < 0) {
            QHostAddress address(part.trimmed());
            if (address.isNull()) *error = QStringLiteral("not an address: ") + part;
            result << address;
            continue;
        }
        QHostAddress first(part.left(dash).trimmed());
        bool ok = false;
        const int last = part.mid(dash + 1).toInt(&ok);
        if (first.isNull() || first.protocol() != QAbstractSocket::IPv4Protocol || !ok || last > 255) {
            *error = QStringLiteral("not an address range: ") + part;
            continue;
        }
        const quint32 base = first.toIPv4Address() & 0xFFFFFF00u;
        for (int host = static_cast<int>(first.toIPv4Address() & 0xFFu); host <= last; ++host)
            result << QHostAddress(base | static_cast<quint32>(host));
    }
    return result;
}

void printLine(const QString& line) {
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

QString readable(const QString& message) {
    // Entries on one line, long payloads shortened.
    QString text = message;
    if (text.size() > 300) text = text.left(300) + QStringLiteral(" ... (%1 characters)").arg(message.size());
    return text;
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("line-simulator"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated machine servers of a packaging line, one per loopback address."));
    parser.addHelpOption();
    const QCommandLineOption addressesOption(QStringLiteral("addresses"),
                                             QStringLiteral("Addresses to serve: 127.0.0.1-14 or a list."),
                                             QStringLiteral("list"));
    const QCommandLineOption layoutOption(
        QStringLiteral("layout"),
        QStringLiteral("Serve every distinct address of the enabled machines of a settings file."),
        QStringLiteral("file"));
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port (default 1001)."),
                                        QStringLiteral("port"), QStringLiteral("1001"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Random seed (default 1)."),
                                        QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption intervalOption(
        QStringLiteral("interval"),
        QStringLiteral("Milliseconds between status changes per server (default 3000, 0: none)."), QStringLiteral("ms"),
        QStringLiteral("3000"));
    const QCommandLineOption durationOption(QStringLiteral("duration"),
                                            QStringLiteral("Stop after this many seconds (0: run until ended)."),
                                            QStringLiteral("s"), QStringLiteral("0"));
    const QCommandLineOption silentOption(
        QStringLiteral("silent"), QStringLiteral("This address accepts but never sends."), QStringLiteral("address"));
    const QCommandLineOption deafOption(QStringLiteral("deaf"), QStringLiteral("This address accepts but never reads."),
                                        QStringLiteral("address"));
    const QCommandLineOption closeOption(QStringLiteral("close"),
                                         QStringLiteral("This address closes the connection 8 s after accepting it."),
                                         QStringLiteral("address"));
    const QCommandLineOption refuseOption(QStringLiteral("refuse"), QStringLiteral("This address refuses connections."),
                                          QStringLiteral("address"));
    const QCommandLineOption garbageOption(
        QStringLiteral("garbage"), QStringLiteral("This address sends random bytes."), QStringLiteral("address"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"), QStringLiteral("Print every message received."));
    const QCommandLineOption chaosOption(
        QStringLiteral("chaos"), QStringLiteral("Every other server drops, stalls, sends noise and bursts at random; "
                                                "a summary is printed at the end."));
    parser.addOptions({addressesOption, layoutOption, portOption, seedOption, intervalOption, durationOption,
                       silentOption, deafOption, closeOption, refuseOption, garbageOption, verboseOption, chaosOption});
    parser.process(app);

    QString error;
    QList<QHostAddress> addresses;
    if (parser.isSet(layoutOption)) {
        LineLayout layout;
        layout.loadMachines(parser.value(layoutOption));
        QSet<QString> seen;
        for (const MachineRecord& m : layout.Machines) {
            if (!m.Enabled || seen.contains(m.Address.toLower())) continue;
            seen.insert(m.Address.toLower());
            QHostAddress address(m.Address);
            if (address.isNull() || !address.isLoopback()) {
                printLine(QStringLiteral("skipping %1: only loopback addresses are simulated").arg(m.Address));
                continue;
            }
            addresses << address;
        }
    }
    if (parser.isSet(addressesOption)) addresses << parseAddresses(parser.value(addressesOption), &error);
    if (addresses.isEmpty() && error.isEmpty()) addresses << QHostAddress(QHostAddress::LocalHost);
    if (!error.isEmpty()) {
        printLine(error);
        return 2;
    }
    for (const QHostAddress& a : addresses) {
        if (!a.isLoopback()) {
            printLine(QStringLiteral("refusing %1: the simulator serves loopback addresses only").arg(a.toString()));
            return 2;
        }
    }

    const auto addressesOf = [&](const QCommandLineOption& option) {
        QSet<QString> set;
        for (const QString& v : parser.values(option))
            for (const QHostAddress& a : parseAddresses(v, &error)) set.insert(a.toString());
        return set;
    };
    const QSet<QString> silent = addressesOf(silentOption), deaf = addressesOf(deafOption),
                        closing = addressesOf(closeOption), refuse = addressesOf(refuseOption),
                        garbage = addressesOf(garbageOption);
    const quint16 port = static_cast<quint16>(parser.value(portOption).toUInt());
    const quint32 seed = parser.value(seedOption).toUInt();
    const int interval = parser.value(intervalOption).toInt();
    const bool verbose = parser.isSet(verboseOption);

    QList<SimulatedServer*> servers;
    int index = 0;
    for (const QHostAddress& address : addresses) {
        const QString name = address.toString();
        ServerBehaviour behaviour = parser.isSet(chaosOption) ? ServerBehaviour::Chaos : ServerBehaviour::Normal;
        if (silent.contains(name)) behaviour = ServerBehaviour::Silent;
        if (deaf.contains(name)) behaviour = ServerBehaviour::Deaf;
        if (closing.contains(name)) behaviour = ServerBehaviour::Close;
        if (refuse.contains(name)) behaviour = ServerBehaviour::Refuse;
        if (garbage.contains(name)) behaviour = ServerBehaviour::Garbage;
        auto* server =
            new SimulatedServer(address, port, behaviour, seed * 7919u + static_cast<quint32>(index++), &app);
        if (!server->start()) {
            printLine(QStringLiteral("cannot listen on %1:%2: %3%4")
                          .arg(name)
                          .arg(port)
                          .arg(server->errorString(),
                               port < 1024 ? QStringLiteral(" (ports below 1024 need root or CAP_NET_BIND_SERVICE)")
                                           : QString()));
            return 1;
        }
        if (verbose)
            server->onMessage = [](const SimulatedServer& s, const QString& message) {
                printLine(QStringLiteral("[%1] <- %2").arg(s.address().toString(), readable(message)));
            };
        server->setChangeInterval(interval);
        servers << server;
    }
    printLine(QStringLiteral("line-simulator: %1 server(s) on port %2").arg(servers.size()).arg(port));

    const int duration = parser.value(durationOption).toInt();
    if (duration > 0) QTimer::singleShot(duration * 1000, &app, &QCoreApplication::quit);
    const int status = app.exec();
    if (parser.isSet(chaosOption)) {
        // What the servers did and whether the client still answered each of them lately.
        SimulatedServer::ChaosCounts total;
        int chaotic = 0, answeredLately = 0, connections = 0;
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        const qint64 lately = std::min<qint64>(60000, std::max(duration, 1) * 1000LL / 2);
        for (const SimulatedServer* server : servers) {
            connections += server->connections();
            const auto& c = server->chaos();
            total.drops += c.drops;
            total.stalls += c.stalls;
            total.garbage += c.garbage;
            total.bursts += c.bursts;
            total.reportsSent += c.reportsSent;
            total.asked += c.asked;
            total.answered += c.answered;
            total.lineData += c.lineData;
            if (c.asked == 0 && c.answered == 0) continue; // not a chaotic one (deaf, silent, ...)
            ++chaotic;
            // A server that dropped its own connection lately may still be waiting to be connected again.
            answeredLately += now - c.lastAnswerMs <= lately || now - c.lastDropMs <= lately;
        }
        printLine(QStringLiteral("chaos-summary reports=%1 connections=%2 drops=%3 stalls=%4 garbage=%5 bursts=%6 "
                                 "asked=%7 answered=%8 answered-lately=%9/%10 lately-ms=%11 linedata=%12")
                      .arg(total.reportsSent)
                      .arg(connections)
                      .arg(total.drops)
                      .arg(total.stalls)
                      .arg(total.garbage)
                      .arg(total.bursts)
                      .arg(total.asked)
                      .arg(total.answered)
                      .arg(answeredLately)
                      .arg(chaotic)
                      .arg(lately)
                      .arg(total.lineData));
    }
    return status;
}
