#include "app/UsersForm.h"
#include "connection/PlantProfiles.h"
#include "widgets/LogonForm.h"
#include "widgets/Prompter.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Administrador de senhas do sistema ORVO"));
    QtPrompter prompter;
    UsersForm form(&prompter, programIniPath(QCoreApplication::applicationFilePath()));
    form.FormCreate();
    LogonForm logon(&prompter, QDir::current().filePath(QStringLiteral("ORVO.INI")), &form);
    form.setLogonForm(&logon);
    form.showMaximized();
    return app.exec();
}
