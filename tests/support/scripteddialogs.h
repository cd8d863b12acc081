#pragma once

#include "gui/dialogs.h"
#include "qtprint.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <functional>
#include <optional>

// Dialogs answered by the test: every call is recorded, answers come from queues
// (an empty queue answers Cancel), and nothing blocks.
class ScriptedDialogs final : public ta::gui::Dialogs {
public:
    struct Shown {
        enum Kind { Message, Error, Query, OpenFile, PickFolder } kind;
        QString text; // message text, error text, "caption|prompt", or the filter
    };

    void messageBox(const QString &text) override;
    void errorBox(const QString &text) override;
    std::optional<QString> inputQuery(const QString &caption, const QString &prompt) override;
    std::optional<QString> openFile(const QString &filter) override;
    std::optional<QString> pickFolder() override;

    QQueue<std::optional<QString>> queryAnswers;
    QQueue<std::optional<QString>> fileAnswers;
    QQueue<std::optional<QString>> folderAnswers;
    // Called while a dialog is "open", to act as an event arriving meanwhile.
    std::function<void(const Shown &)> whileOpen;

    QList<Shown> shown;
    QStringList texts(Shown::Kind kind) const;
    QStringList errors() const { return texts(Shown::Error); }
    QStringList messages() const { return texts(Shown::Message); }

private:
    void record(Shown::Kind kind, const QString &text);
};
