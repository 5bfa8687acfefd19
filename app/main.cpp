// Program entry: the application object, the one main window, the loop.
#include <QApplication>

#include "shown_probe.h"
#include "unit1.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    nubra::TShownProbe::InstallIfAsked();  // start-up timing only, see shown_probe.h
    nubra::TForm1 Form1;  // its creation does all the start-up work
    Form1.show();
    return QApplication::exec();
}
