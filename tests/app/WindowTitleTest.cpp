// The captions as the window manager reads them: the windows are shown on an X server of the
// test's own (Xvfb) through the xcb platform, and their properties are read back with xprop.
#include "AppFixture.h"
#include "app/Application.h"
#include "app/Shell.h"
#include "app/UsersForm.h"
#include "widgets/LogonForm.h"

#include <QAction>
#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

QString display;

// The window's properties as the X server holds them: name -> value text.
QMap<QString, QString> windowProperties(QWidget *window)
{
    QProcess xprop;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    xprop.setProcessEnvironment(env);
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-display"), display, QStringLiteral("-id"), QString::number(window->winId()),
                 QStringLiteral("_NET_WM_NAME"), QStringLiteral("WM_NAME"), QStringLiteral("WM_CLASS")});
    QMap<QString, QString> out;
    if (!xprop.waitForFinished(10000))
        return out;
    static const QRegularExpression line(QStringLiteral("^(\\w+)\\([\\w]+\\) = (.*)$"));
    for (const QString &l : QString::fromUtf8(xprop.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const auto m = line.match(l);
        if (m.hasMatch())
            out[m.captured(1)] = m.captured(2);
    }
    return out;
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

TEST(WindowTitle, TheWindowManagerReadsTheCaptionsAlone)
{
    AppFixture fx;
    fx.writeIni(QStringLiteral("[Matriz]\r\nServer=127.0.0.1,1\r\nDataBase=ORVO\r\n"));
    UsersForm *w = fx.openWindow();
    const QMap<QString, QString> main = windowProperties(w);
    EXPECT_EQ(main.value(QStringLiteral("_NET_WM_NAME")), quoted(QStringLiteral("Cadastro e controle de Usuários")));
    // The application title goes with the application: its class, matched by its desktop entry.
    EXPECT_EQ(main.value(QStringLiteral("WM_CLASS")),
              QStringLiteral("\"%1\", \"%2\"")
                  .arg(QCoreApplication::applicationFilePath().section(QLatin1Char('/'), -1),
                       QStringLiteral("Administrador de senhas do sistema ORVO")));

    // The dialog as the popup menu's "Propriedades da Conexão" shows it.
    QMap<QString, QString> dialog;
    AppFixture::whenShown(fx.logon(), [&] {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(fx.logon()));
        dialog = windowProperties(fx.logon());
        fx.logon()->close();
    });
    w->shell().action(QStringLiteral("PropCONECTA"))->trigger();
    EXPECT_EQ(dialog.value(QStringLiteral("_NET_WM_NAME")), quoted(QStringLiteral("Propriedades da Conexão")));
}

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS(); // listing needs no display
    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"),
               {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1280x1024x24")});
    QByteArray number;
    while (!number.contains('\n') && xvfb.waitForReadyRead(20000))
        number += xvfb.readAllStandardOutput();
    if (!number.contains('\n')) {
        std::fprintf(stderr, "Xvfb did not start: %s\n", xvfb.readAllStandardError().constData());
        return 1;
    }
    display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    qputenv("DISPLAY", display.toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int status = 0;
    {
        QApplication app(argc, argv);
        Application::setUp(app);
        status = RUN_ALL_TESTS();
    }
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    return status;
}
