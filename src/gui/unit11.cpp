#include "gui/unit11.h"

namespace ta::gui {

TForm11::TForm11(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("Discoverer2"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    setFont(font);
    resize(882, 463);
    FormCreate();
}

void TForm11::FormCreate() {}

} // namespace ta::gui
