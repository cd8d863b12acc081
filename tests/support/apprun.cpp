#include "apprun.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QTest>
#include <stdexcept>

QString appExecutable()
{
    return QStringLiteral(TA_APP_PATH);
}

QString panelSimExecutable()
{
    return QStringLiteral(TA_PANEL_SIM_PATH);
}

AppRun::AppRun(const ProgramFolder &program, const QStringList &extraEnvironment)
{
    const QString target = program.filePath(QStringLiteral("terminal-aktarim"));
    QFile::remove(target);
    if (!QFile::copy(appExecutable(), target))
        throw std::runtime_error("cannot copy the executable into the program folder");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("terminalaktarim.dialogs.debug=true;terminalaktarim.grid.debug=true"));
    for (const QString &kv : extraEnvironment) {
        const qsizetype eq = kv.indexOf(QLatin1Char('='));
        env.insert(kv.left(eq), kv.mid(eq + 1));
    }
    process_.setProcessEnvironment(env);
    process_.setWorkingDirectory(QStringLiteral("/"));
    process_.start(target, {});
    if (!process_.waitForStarted(10000))
        throw std::runtime_error("the executable did not start");
}

AppRun::~AppRun()
{
    kill();
}

void AppRun::kill()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(10000);
    }
}

bool AppRun::waitForExit(int ms)
{
    return process_.state() == QProcess::NotRunning || process_.waitForFinished(ms);
}

QString AppRun::standardError()
{
    stderr_ += QString::fromUtf8(process_.readAllStandardError());
    return stderr_;
}

namespace {

// The lines of one logging category in `text`, without their prefix.
QStringList categoryLines(const QString &text, const QString &category)
{
    QStringList out;
    const QString tag = category + QStringLiteral(": ");
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const qsizetype at = line.indexOf(tag);
        if (at >= 0)
            out << line.mid(at + tag.size());
    }
    return out;
}

} // namespace

QStringList AppRun::dialogs()
{
    return categoryLines(standardError(), QStringLiteral("terminalaktarim.dialogs"));
}

QStringList AppRun::gridWrites()
{
    return categoryLines(standardError(), QStringLiteral("terminalaktarim.grid"));
}

bool waitUntil(const std::function<bool()> &condition, int ms)
{
    return QTest::qWaitFor(condition, ms);
}
