// The window program: the main window with the real dialogs, message boxes and clipboard.
#include <QApplication>

#include "platform/QtDialogBackend.h"
#include "platform/QtMessageBox.h"
#include "platform/SystemClipboard.h"
#include "ui/Form1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Glintwork"));

    glint::QtDialogBackend dialogs;
    glint::QtMessageBox messages;
    glint::SystemClipboard clipboard;
    glint::Form1 form(dialogs, messages, clipboard);
    form.Form_Load();
    // The start-up window comes up even when its start-up steps ended early.
    form.show();
    return QApplication::exec();
}
