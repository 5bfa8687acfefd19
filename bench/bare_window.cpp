// The reference for the start-up time: a bare Qt Widgets window holding one
// QPlainTextEdit, measured by the same probe as nubra (it prints when the
// window is first painted, then quits). It loads no data and reads no
// settings, so it is the floor that Qt itself sets on this machine.
#include <QApplication>
#include <QPlainTextEdit>

#include "shown_probe.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    nubra::TShownProbe::InstallIfAsked(true);
    QPlainTextEdit edit;
    edit.setWindowTitle(QStringLiteral("Nubra"));
    edit.resize(626, 600);  // the size of nubra's window
    edit.show();
    return QApplication::exec();
}
