#include "gui/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLoggingCategory>
#include <QMessageBox>

// Off by default; QT_LOGGING_RULES="terminalaktarim.dialogs.debug=true" shows
// every dialog text on standard error, for diagnosing an unattended run.
Q_LOGGING_CATEGORY(lcDialogs, "terminalaktarim.dialogs", QtInfoMsg)

namespace ta::gui {

namespace {
const QString kTitle = QStringLiteral("Terminal Aktarım");
}

QString errorBoxText(const QString &failureText)
{
    if (failureText.endsWith(QLatin1Char('.')))
        return failureText;
    return failureText + QLatin1Char('.');
}

void Dialogs::showError(const QString &failureText)
{
    errorBox(errorBoxText(failureText));
}

void QtDialogs::messageBox(const QString &text)
{
    qCDebug(lcDialogs).noquote() << "message:" << text;
    QMessageBox::information(parent_, kTitle, text);
}

void QtDialogs::errorBox(const QString &text)
{
    qCDebug(lcDialogs).noquote() << "error:" << text;
    QMessageBox::critical(parent_, kTitle, text);
}

std::optional<QString> QtDialogs::inputQuery(const QString &caption, const QString &prompt)
{
    qCDebug(lcDialogs).noquote() << "query:" << caption << prompt;
    bool ok = false;
    const QString text = QInputDialog::getText(parent_, caption, prompt, QLineEdit::Normal, QString(), &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> QtDialogs::openFile(const QString &filter)
{
    qCDebug(lcDialogs).noquote() << "open file:" << filter;
    // The file may not exist yet: the transfer run creates it.
    // "Name|pattern|Name|pattern" becomes Qt's "Name (pattern);;Name (pattern)".
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries << QStringLiteral("%1 (%2)").arg(parts[i], parts[i + 1]);
    QFileDialog dialog(parent_, QString(), QString(), entries.join(QStringLiteral(";;")));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setOption(QFileDialog::HideNameFilterDetails); // "Txt Dosyaları", without its pattern
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

std::optional<QString> QtDialogs::pickFolder()
{
    qCDebug(lcDialogs).noquote() << "pick folder";
    const QString chosen = QFileDialog::getExistingDirectory(parent_, QString(), lastFolder_);
    if (chosen.isEmpty())
        return std::nullopt;
    lastFolder_ = QDir::toNativeSeparators(chosen);
    return lastFolder_;
}

} // namespace ta::gui
