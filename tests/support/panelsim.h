#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A panel-sim process for one test: started with the given arguments, waited
// for until it prints "ready", stopped with SIGTERM, its report read back.
class PanelSim {
public:
    explicit PanelSim(const QStringList &arguments);
    ~PanelSim();

    // Ends it (SIGTERM) and reads its report; call once.
    QJsonObject stop();
    // The report's object of the terminal at `address` (after stop()).
    QJsonObject terminal(const QString &address) const;

private:
    QTemporaryDir dir_;
    QProcess process_;
    QJsonObject report_;
};

// A TCP port on 127.0.0.1 that nothing listens on at the moment.
quint16 freePort();

// The values of a JSON array of numbers, or of one field of an array of objects.
QList<int> ints(const QJsonArray &array, const QString &field = QString());
