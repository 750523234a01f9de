#include "app/Application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QString Application::title()
{
    return QStringLiteral("Administrador de senhas do sistema ORVO");
}

bool Application::setUp(QApplication &app)
{
    // The name, not the display name: Qt would append a display name to every caption.
    QCoreApplication::setApplicationName(title());
    QGuiApplication::setDesktopFileName(QStringLiteral("orvo-senhas"));

    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto *qtTexts = new QTranslator(&app);
    if (!qtTexts->load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qtbase"), QStringLiteral("_"),
                       folder)) {
        qWarning("Tradução qtbase_pt_BR não encontrada em %s", qPrintable(folder));
        delete qtTexts;
        return false;
    }
    QCoreApplication::installTranslator(qtTexts);
    return true;
}
