#include "gui/dialogs.h"
#include "gui/unit1.h"
#include "gui/unit11.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    ta::gui::QtDialogs dialogs;
    // The main window loads the settings beside the program file, whatever the
    // working directory is.
    ta::gui::TForm1 form1(dialogs, QCoreApplication::applicationDirPath());
    dialogs.setParent(&form1);
    // Discoverer2 is created hidden at start and shown by a discovery scan.
    form1.setForm11(new ta::gui::TForm11(&form1));
    form1.show();
    app.exec();
    return 0;
}
