#include "app/Application.h"
#include "app/UsersForm.h"
#include "connection/PlantProfiles.h"
#include "widgets/LogonForm.h"
#include "widgets/Prompter.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Application::setUp(app);
    QtPrompter prompter;
    UsersForm form(&prompter, programIniPath(QCoreApplication::applicationFilePath()));
    form.FormCreate();
    LogonForm logon(&prompter, QDir::current().filePath(QStringLiteral("ORVO.INI")), &form);
    form.setLogonForm(&logon);
    form.showMaximized();
    return app.exec();
}
