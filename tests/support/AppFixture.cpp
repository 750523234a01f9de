#include "AppFixture.h"

#include "app/UsersForm.h"
#include "connection/Command.h"
#include "connection/Connection.h"
#include "connection/Dataset.h"
#include "connection/PlantProfiles.h"
#include "widgets/LogonForm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <stdexcept>

AppFixture::AppFixture()
{
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
}

AppFixture::~AppFixture()
{
    m_window.reset();
    m_check.reset();
    m_server.stop();
}

QString AppFixture::iniPath() const
{
    return m_dir.filePath(QStringLiteral("orvo-senhas.INI"));
}

void AppFixture::startServer(const QStringList &extraLogins)
{
    m_server.start(extraLogins);
}

QString AppFixture::plantSection(const QString &name, const QString &password, const QString &user,
                                 const QString &database) const
{
    return QStringLiteral("[%1]\r\nServer=%2\r\nDataBase=%3\r\nName=Administrator\r\nUserSQL=%4\r\nPasswordSQL=%5\r\n")
        .arg(name, m_server.address(), database, user, password);
}

void AppFixture::writeIni(const QString &text)
{
    QFile f(iniPath());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write the INI file");
    f.write(text.toUtf8());
}

UsersForm *AppFixture::openWindow(bool show)
{
    m_window = std::make_unique<UsersForm>(&m_prompter, iniPath());
    m_window->FormCreate();
    m_logon = new LogonForm(&m_prompter, m_dir.filePath(QStringLiteral("ORVO.INI")), m_window.get());
    m_window->setLogonForm(m_logon);
    if (show) {
        m_window->show();
        if (!QTest::qWaitForWindowExposed(m_window.get()))
            throw std::runtime_error("the window was not shown");
    }
    return m_window.get();
}

QObject *AppFixture::findObject(const QString &name) const
{
    if (!m_window)
        return nullptr;
    if (m_window->objectName() == name)
        return m_window.get();
    if (m_logon && m_logon->objectName() == name)
        return m_logon;
    // The window's own children first; the dialog's controls (some share names) after.
    for (QObject *o : m_window->findChildren<QObject *>(name)) {
        QObject *p = o;
        while (p && p != m_logon)
            p = p->parent();
        if (!p)
            return o;
    }
    return m_logon ? m_logon->findChild<QObject *>(name) : nullptr;
}

void AppFixture::click(const QString &name)
{
    auto *b = find<QAbstractButton>(name);
    if (!b)
        throw std::runtime_error("no button " + name.toStdString());
    QTest::mouseClick(b, Qt::LeftButton);
}

void AppFixture::typeText(const QString &name, const QString &text)
{
    QWidget *w = find(name);
    if (!w)
        throw std::runtime_error("no widget " + name.toStdString());
    w->setFocus();
    QTest::keyClicks(w, text);
}

void AppFixture::key(const QString &name, int key, Qt::KeyboardModifiers modifiers)
{
    QWidget *w = find(name);
    if (!w)
        throw std::runtime_error("no widget " + name.toStdString());
    w->setFocus();
    QTest::keyClick(w, Qt::Key(key), modifiers);
}

void AppFixture::whenShown(QWidget *widget, std::function<void()> script)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, widget, script] {
        if (!widget->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        script();
    });
    timer->start();
}

Connection &AppFixture::checkConnection()
{
    if (!m_check) {
        m_check = std::make_unique<Connection>();
        PlantProfile p;
        p.server = m_server.address();
        p.database = QStringLiteral("ORVO");
        p.userSql = QStringLiteral("orvo");
        p.passwordSql = QStringLiteral("orvo");
        m_check->setConnectionString(p.connectionString());
    }
    if (!m_check->isOpen())
        m_check->open();
    return *m_check;
}

QVariant AppFixture::scalar(const QString &sql)
{
    const QList<QVariantList> r = rows(sql);
    return r.isEmpty() || r.first().isEmpty() ? QVariant() : r.first().first();
}

QList<QVariantList> AppFixture::rows(const QString &sql)
{
    Dataset ds;
    ds.setConnection(&checkConnection());
    ds.setSql(sql);
    ds.open();
    QList<QVariantList> out;
    for (int r = 0; r < ds.recordCount(); ++r) {
        QVariantList row;
        for (int c = 0; c < ds.columns().size(); ++c)
            row << ds.rowValue(r, c);
        out << row;
    }
    return out;
}

void AppFixture::exec(const QString &sql)
{
    Command cmd;
    cmd.setConnection(&checkConnection());
    cmd.execute(sql);
}
