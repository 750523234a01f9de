// Renders every tab page of the main window (inner tab pages too) and the connection
// dialog to PNG files in the folder given as the first argument. With the stand-in in the
// build, the window is connected to the demo database first.
#include "AppFixture.h"
#include "app/Application.h"
#include "app/UsersForm.h"
#include "widgets/LogonForm.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTest>
#include <cstdio>

namespace {

QString fileSafe(QString text)
{
    text.remove(QLatin1Char('&'));
    text = text.trimmed();
    QString out;
    for (const QChar c : text)
        out += c.isLetterOrNumber() ? c : QLatin1Char('_');
    return out;
}

int shoot(QWidget *w, const QString &path)
{
    QApplication::processEvents();
    if (!w->grab().save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(path));
    return 0;
}

// Every combination of pages of nested tab widgets under root, shot from the window.
int shootTabs(QWidget *window, QTabWidget *tabs, const QString &prefix, const QString &dir)
{
    int failures = 0;
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        const QString name = prefix + QStringLiteral("%1-%2").arg(i + 1).arg(fileSafe(tabs->tabText(i)));
        QList<QTabWidget *> inner;
        for (QTabWidget *t : tabs->widget(i)->findChildren<QTabWidget *>()) {
            // only the outermost tab widgets of this page
            QWidget *p = t->parentWidget();
            bool nested = false;
            while (p && p != tabs->widget(i)) {
                if (qobject_cast<QTabWidget *>(p))
                    nested = true;
                p = p->parentWidget();
            }
            if (!nested)
                inner << t;
        }
        if (inner.isEmpty()) {
            failures += shoot(window, QDir(dir).filePath(name + QStringLiteral(".png")));
        } else {
            for (QTabWidget *t : inner)
                failures += shootTabs(window, t, name + QStringLiteral("_"), dir);
        }
    }
    return failures;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Application::setUp(app);   // as the program entry does
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(dir);

    AppFixture fx;
    if (StandinServer::available()) {
        fx.startServer();
        fx.writeIni(fx.plantSection(QStringLiteral("Matriz")) + fx.plantSection(QStringLiteral("Filial")));
    }
    UsersForm *w = fx.openWindow(false);
    w->resize(1366, 768);
    w->show();
    if (!QTest::qWaitForWindowExposed(w))
        return 2;
    int failures = shootTabs(w, w->shell().PageControl1, QStringLiteral("page"), dir);

    // The page " Exportar Usuários " after each maintenance run: the equalization twice (the
    // second leaves its report lines), then the accent-free mirror run with its progress lines.
    if (StandinServer::available()) {
        w->shell().PageControl1->setCurrentWidget(w->shell().TabSheet12);
        const struct { const char *button, *file; } runs[] = {{"DataBaseSTRU", "maintenance-1-equalization"},
                                                               {"DataBaseSTRU", "maintenance-2-equalization-again"},
                                                               {"SemAcento", "maintenance-3-mirror"}};
        for (const auto &run : runs) {
            fx.prompter().queueAnswer(Prompter::Answer::Yes);
            fx.click(QString::fromLatin1(run.button));
            failures += shoot(w, QDir(dir).filePath(QString::fromLatin1(run.file) + QStringLiteral(".png")));
        }
    }
    w->shell().PageControl1->setCurrentIndex(0);

    LogonForm *logon = fx.logon();
    logon->show();
    if (!QTest::qWaitForWindowExposed(logon))
        return 2;
    failures += shoot(logon, QDir(dir).filePath(QStringLiteral("dialog-Propriedades_da_Conexao.png")));
    logon->hide();
    for (const auto &p : fx.prompter().prompts())
        std::fprintf(stderr, "prompt (%s): %s\n", qPrintable(p.kind), qPrintable(p.text));
    return failures == 0 ? 0 : 1;
}
