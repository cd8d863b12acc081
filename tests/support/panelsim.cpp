#include "panelsim.h"

#include "apprun.h"

#include <QFile>
#include <QJsonDocument>
#include <QTcpServer>
#include <stdexcept>

PanelSim::PanelSim(const QStringList &arguments)
{
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(panelSimExecutable(), arguments + QStringList{QStringLiteral("--report"), dir_.filePath(QStringLiteral("report.json"))});
    if (!process_.waitForStarted(10000))
        throw std::runtime_error("panel-sim did not start");
    QByteArray out;
    while (!out.contains("ready\n")) {
        if (!process_.waitForReadyRead(10000))
            throw std::runtime_error("panel-sim did not get ready: " + out.toStdString());
        out += process_.readAllStandardOutput();
    }
}

PanelSim::~PanelSim()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(10000);
    }
}

QJsonObject PanelSim::stop()
{
    process_.terminate();
    if (!process_.waitForFinished(10000))
        throw std::runtime_error("panel-sim did not end");
    QFile file(dir_.filePath(QStringLiteral("report.json")));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("panel-sim wrote no report");
    report_ = QJsonDocument::fromJson(file.readAll()).object();
    return report_;
}

QJsonObject PanelSim::terminal(const QString &address) const
{
    for (const auto &t : report_.value(QStringLiteral("terminals")).toArray())
        if (t.toObject().value(QStringLiteral("address")).toString() == address)
            return t.toObject();
    return {};
}

quint16 freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

QList<int> ints(const QJsonArray &array, const QString &field)
{
    QList<int> out;
    for (const auto &v : array)
        out << (field.isEmpty() ? v.toInt() : v.toObject().value(field).toInt());
    return out;
}
