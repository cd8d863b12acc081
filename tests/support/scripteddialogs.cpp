#include "scripteddialogs.h"

void ScriptedDialogs::record(Shown::Kind kind, const QString &text)
{
    shown.append({kind, text});
    if (whileOpen)
        whileOpen(shown.constLast());
}

void ScriptedDialogs::messageBox(const QString &text)
{
    record(Shown::Message, text);
}

void ScriptedDialogs::errorBox(const QString &text)
{
    record(Shown::Error, text);
}

std::optional<QString> ScriptedDialogs::inputQuery(const QString &caption, const QString &prompt)
{
    record(Shown::Query, caption + QLatin1Char('|') + prompt);
    return queryAnswers.isEmpty() ? std::nullopt : queryAnswers.dequeue();
}

std::optional<QString> ScriptedDialogs::openFile(const QString &filter)
{
    record(Shown::OpenFile, filter);
    return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.dequeue();
}

std::optional<QString> ScriptedDialogs::pickFolder()
{
    record(Shown::PickFolder, QString());
    return folderAnswers.isEmpty() ? std::nullopt : folderAnswers.dequeue();
}

QStringList ScriptedDialogs::texts(Shown::Kind kind) const
{
    QStringList out;
    for (const Shown &s : shown)
        if (s.kind == kind)
            out << s.text;
    return out;
}
