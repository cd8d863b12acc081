#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace ta::gui {

// Every modal dialog the program shows goes through this seam, so that tests can
// answer them without anything blocking.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message box with the program's own text and an OK button.
    virtual void messageBox(const QString &text) = 0;
    // An error box (error icon, OK button) showing `text` exactly.
    virtual void errorBox(const QString &text) = 0;
    // A query with a caption, a prompt and one empty text field; nullopt on Cancel.
    virtual std::optional<QString> inputQuery(const QString &caption, const QString &prompt) = 0;
    // An open-file dialog; `filter` is "Name|pattern" pairs joined by "|".
    // The chosen file need not exist.
    virtual std::optional<QString> openFile(const QString &filter) = 0;
    // A folder chooser; nullopt on Cancel.
    virtual std::optional<QString> pickFolder() = 0;

    // Shows a failure in an error box, with a full stop added when it has none.
    void showError(const QString &failureText);
};

// The failure text as the error box shows it.
QString errorBoxText(const QString &failureText);

// The real dialogs, modal over `parent`.
class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget *parent = nullptr) : parent_(parent) {}
    void setParent(QWidget *parent) { parent_ = parent; }

    void messageBox(const QString &text) override;
    void errorBox(const QString &text) override;
    std::optional<QString> inputQuery(const QString &caption, const QString &prompt) override;
    std::optional<QString> openFile(const QString &filter) override;
    std::optional<QString> pickFolder() override;

private:
    QWidget *parent_;
    QString lastFolder_;
};

} // namespace ta::gui
