#pragma once

#include "programfolder.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

// The real terminal-aktarim executable, copied into a temporary program folder
// (it finds Ayarlar beside its own file) and run offscreen. Every dialog text
// it shows is read back from its standard error.
class AppRun {
public:
    explicit AppRun(const ProgramFolder &program, const QStringList &extraEnvironment = {});
    ~AppRun();

    bool waitForExit(int ms);
    bool running() const { return process_.state() != QProcess::NotRunning; }
    int exitCode() const { return process_.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return process_.exitStatus(); }
    void kill();

    // Standard error so far, and the dialog texts in it ("error: ...", "message: ...").
    QString standardError();
    QStringList dialogs();
    // The run's writes into the grid, "ROW COLUMN TEXT", in order.
    QStringList gridWrites();

private:
    QProcess process_;
    QString stderr_;
};

// Polls `condition` while processing events, for at most `ms`.
bool waitUntil(const std::function<bool()> &condition, int ms);

// The executable under test and the simulated terminal, as built.
QString appExecutable();
QString panelSimExecutable();
