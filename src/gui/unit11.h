#pragma once

#include <QDialog>

namespace ta::gui {

// The Discoverer2 window: terminals found on the network, the selected one's
// settings, and the set-up and reset buttons.
class TForm11 : public QDialog {
    Q_OBJECT

public:
    explicit TForm11(QWidget *parent = nullptr);

public slots:
    void FormCreate();
};

} // namespace ta::gui
