// panel-sim: substitute terminals for the demo and the tests.
//
//   panel-sim --terminal 127.0.0.2 --terminal "127.0.0.3,records=40,split=7"
//             --records 20 --fault delay=10 --report report.json
//             --udp-terminal 127.0.0.2,key=1001,name=PANEL1,status=io,every=2000
//
// Every --terminal is ADDRESS[,port=P][,records=N][,records-file=PATH][,SWITCH[=V]...];
// --fault SWITCH[=V] sets a switch for every terminal, a terminal's own setting
// wins. Every --udp-terminal adds a terminal's UDP side on port 9781 (see
// udp/udpterminal.h); its received datagrams go into the report under
// "udp_terminals". It prints "listening ADDRESS:PORT" per terminal, then "ready", and runs
// until SIGTERM or SIGINT, or until nothing has happened for --exit-after-idle
// milliseconds; then it writes the JSON report and exits.
#include "simterminal.h"
#include "udpterminal.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int)
{
    stopRequested = 1;
}

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "panel-sim: %s\n", qPrintable(message));
    std::exit(2);
}

// "name=value" or "name" into the pair.
std::pair<QString, QString> splitSwitch(const QString &text)
{
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    return eq < 0 ? std::pair{text, QString()} : std::pair{text.left(eq), text.mid(eq + 1)};
}

TerminalConfig parseTerminal(const QString &definition, const TerminalConfig &defaults)
{
    TerminalConfig config = defaults;
    const QStringList parts = definition.split(QLatin1Char(','));
    if (!config.address.setAddress(parts.value(0)))
        fail(QStringLiteral("not an address: %1").arg(parts.value(0)));
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const auto [name, value] = splitSwitch(parts[i]);
        bool ok = true;
        if (name == QLatin1String("port")) {
            const uint p = value.toUInt(&ok);
            ok = ok && p <= 65535;
            config.port = static_cast<quint16>(p);
        } else if (name == QLatin1String("records")) {
            config.records = value.toInt(&ok);
            ok = ok && config.records >= 0;
            config.recordsFile.clear();
        } else if (name == QLatin1String("records-file")) {
            config.recordsFile = value;
        } else {
            ok = config.faults.set(name, value);
        }
        if (!ok)
            fail(QStringLiteral("bad terminal setting '%1' (switches: %2)").arg(parts[i], Faults::names().join(QStringLiteral(", "))));
    }
    return config;
}

QList<SimRecord> recordsOf(const TerminalConfig &config, int index)
{
    if (config.recordsFile.isEmpty())
        return generatedRecords(index, config.records);
    QString error;
    auto records = recordsFromFile(config.recordsFile, &error);
    if (!records)
        fail(error);
    return *records;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("panel-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Substitute attendance terminals on TCP and UDP"));
    parser.addHelpOption();
    const QCommandLineOption terminalOpt(QStringLiteral("terminal"),
                                         QStringLiteral("A terminal: ADDRESS[,port=P][,records=N][,records-file=PATH][,SWITCH[=V]...]."),
                                         QStringLiteral("terminal"));
    const QCommandLineOption portOpt(QStringLiteral("port"), QStringLiteral("TCP port of every terminal (9780)."),
                                     QStringLiteral("port"), QStringLiteral("9780"));
    const QCommandLineOption recordsOpt(QStringLiteral("records"), QStringLiteral("Generated records per terminal (0)."),
                                        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption recordsFileOpt(QStringLiteral("records-file"),
                                            QStringLiteral("Records of every terminal from a file of record_no,data,yyyy/MM/dd HH:mm:ss lines."),
                                            QStringLiteral("path"));
    const QCommandLineOption faultOpt(QStringLiteral("fault"),
                                      QStringLiteral("A switch for every terminal: %1.").arg(Faults::names().join(QStringLiteral(", "))),
                                      QStringLiteral("switch[=value]"));
    const QCommandLineOption reportOpt(QStringLiteral("report"), QStringLiteral("Where the JSON report goes (standard output)."),
                                       QStringLiteral("path"));
    const QCommandLineOption idleOpt(QStringLiteral("exit-after-idle"),
                                     QStringLiteral("End after this many milliseconds without a connection or a request."),
                                     QStringLiteral("ms"));
    parser.addOptions({terminalOpt, portOpt, recordsOpt, recordsFileOpt, faultOpt, reportOpt, idleOpt});
    panelsim::addUdpOptions(parser);
    parser.process(app);

    TerminalConfig defaults;
    bool ok = false;
    defaults.port = static_cast<quint16>(parser.value(portOpt).toUInt(&ok));
    if (!ok)
        fail(QStringLiteral("bad --port"));
    defaults.records = parser.value(recordsOpt).toInt(&ok);
    if (!ok || defaults.records < 0)
        fail(QStringLiteral("bad --records"));
    defaults.recordsFile = parser.value(recordsFileOpt);
    for (const QString &f : parser.values(faultOpt)) {
        const auto [name, value] = splitSwitch(f);
        if (!defaults.faults.set(name, value))
            fail(QStringLiteral("bad --fault '%1' (switches: %2)").arg(f, Faults::names().join(QStringLiteral(", "))));
    }
    const QStringList definitions = parser.values(terminalOpt);
    QString udpError;
    const auto udpTerminals = panelsim::createUdpTerminals(parser, &app, &udpError);
    if (!udpTerminals)
        fail(udpError);
    if (definitions.isEmpty() && udpTerminals->isEmpty())
        fail(QStringLiteral("no --terminal or --udp-terminal given"));

    std::vector<std::unique_ptr<SimTerminal>> terminals;
    QTimer idle;
    idle.setSingleShot(true);
    for (qsizetype i = 0; i < definitions.size(); ++i) {
        const TerminalConfig config = parseTerminal(definitions[i], defaults);
        auto terminal = std::make_unique<SimTerminal>(config, recordsOf(config, static_cast<int>(i)));
        QString error;
        if (!terminal->listen(&error))
            fail(error);
        if (parser.isSet(idleOpt))
            QObject::connect(terminal.get(), &SimTerminal::activity, &idle, qOverload<>(&QTimer::start));
        std::printf("listening %s:%u\n", qPrintable(config.address.toString()), terminal->port());
        terminals.push_back(std::move(terminal));
    }

    for (panelsim::UdpTerminal *udp : *udpTerminals) {
        QString error;
        if (!udp->start(&error))
            fail(error);
        if (parser.isSet(idleOpt))
            QObject::connect(udp, &panelsim::UdpTerminal::datagramHandled, &idle, qOverload<>(&QTimer::start));
        std::printf("udp %s:%u\n", qPrintable(udp->config().bindAddress), panelsim::kUdpPort);
    }

    const QString reportPath = parser.value(reportOpt);
    auto finish = [&] {
        QJsonArray list;
        for (const auto &t : terminals)
            list.append(t->report());
        QJsonArray udpList;
        for (const panelsim::UdpTerminal *udp : *udpTerminals)
            udpList.append(QJsonObject{{QStringLiteral("address"), udp->config().bindAddress},
                                       {QStringLiteral("received"), udp->received()},
                                       {QStringLiteral("resets"), udp->resetCount()}});
        const QByteArray json =
            QJsonDocument(QJsonObject{{QStringLiteral("terminals"), list}, {QStringLiteral("udp_terminals"), udpList}}).toJson();
        if (reportPath.isEmpty()) {
            std::fwrite(json.constData(), 1, static_cast<std::size_t>(json.size()), stdout);
        } else {
            QFile file(reportPath);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(json) != json.size())
                fail(QStringLiteral("cannot write the report %1").arg(reportPath));
        }
        QCoreApplication::quit();
    };

    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    QTimer signalPoll;
    QObject::connect(&signalPoll, &QTimer::timeout, [&] {
        if (stopRequested)
            finish();
    });
    signalPoll.start(50);
    if (parser.isSet(idleOpt)) {
        idle.setInterval(parser.value(idleOpt).toInt());
        QObject::connect(&idle, &QTimer::timeout, finish);
        idle.start();
    }

    std::printf("ready\n");
    std::fflush(stdout);
    const int rc = app.exec();
    terminals.clear();
    return rc;
}
