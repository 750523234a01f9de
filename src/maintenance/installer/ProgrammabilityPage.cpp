#include "maintenance/installer/ProgrammabilityPage.h"

#include "app/Shell.h"
#include "connection/Dataset.h"
#include "maintenance/installer/Installer.h"
#include "maintenance/installer/ObjectTexts.h"
#include "widgets/Prompter.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

using namespace installer;

ProgrammabilityPage::ProgrammabilityPage(Shell &shell, QObject *parent) : QObject(parent), m_shell(shell)
{
    buildMenus();
    buildPages();
    connect(m_shell.GetTriggers, &QToolButton::clicked, this, [this] { GetTriggersClick(); });
}

void ProgrammabilityPage::buildMenus()
{
    for (const QString &name : menus()) {
        auto *menu = new QMenu(m_shell.TabSheet13);
        menu->setObjectName(name);
        for (const MenuItem &item : menuItems(name)) {
            auto *action = new QAction(QString::fromUtf8(item.caption), menu);
            action->setObjectName(QString::fromLatin1(item.name));
            action->setSeparator(item.kind == ItemKind::Separator);
            const QString itemName = action->objectName();
            if (item.kind == ItemKind::Entry || item.kind == ItemKind::DropOnly)
                connect(action, &QAction::triggered, this, [this, itemName] { menuItemClick(itemName); });
            menu->addAction(action);
        }
        m_menus.insert(name, menu);
    }
}

void ProgrammabilityPage::buildPages()
{
    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("ProgrammabilityContent"));
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    m_groups = new QTabWidget(content);
    m_groups->setObjectName(QStringLiteral("PageControl2"));
    m_groups->setTabPosition(QTabWidget::West);
    m_groups->tabBar()->setExpanding(false);
    layout->addWidget(m_groups);

    QFont mono(QStringLiteral("Courier New"));
    mono.setStyleHint(QFont::Monospace);
    const QStringList groups = pageGroups();
    for (int g = 0; g < groups.size(); ++g) {
        auto *groupPage = new QWidget(m_groups);
        groupPage->setObjectName(QStringLiteral("Grupo%1").arg(g + 1));
        auto *groupLayout = new QVBoxLayout(groupPage);
        auto *pages = new QTabWidget(groupPage);
        pages->setObjectName(QStringLiteral("PageControl%1").arg(g + 3));
        pages->setTabPosition(QTabWidget::South);
        pages->setUsesScrollButtons(true);
        groupLayout->addWidget(pages);
        for (const ScriptPage &page : scriptPages()) {
            if (QString::fromUtf8(page.group) != groups[g])
                continue;
            const QString memoName = QString::fromLatin1(page.memo);
            auto *tab = new QWidget(pages);
            tab->setObjectName(QStringLiteral("Tab_%1").arg(memoName));
            auto *tabLayout = new QVBoxLayout(tab);
            tabLayout->setContentsMargins(2, 2, 2, 2);
            auto *memo = new QPlainTextEdit(tab);
            memo->setObjectName(memoName);
            memo->setReadOnly(true);
            memo->setFont(mono);
            memo->setLineWrapMode(QPlainTextEdit::NoWrap);
            memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            QString text = pageText(memoName);
            memo->setPlainText(text.replace(QLatin1String("\r\n"), QLatin1String("\n")));
            memo->setContextMenuPolicy(Qt::CustomContextMenu);
            QMenu *menu = m_menus.value(QString::fromLatin1(page.menu));
            connect(memo, &QWidget::customContextMenuRequested, menu,
                    [memo, menu](const QPoint &pos) { menu->popup(memo->viewport()->mapToGlobal(pos)); });
            tabLayout->addWidget(memo);
            pages->addTab(tab, QString::fromUtf8(page.caption));
        }
        m_groups->addTab(groupPage, groups[g]);
    }
    m_shell.setPageContent(m_shell.TabSheet13, content);
}

QString ProgrammabilityPage::failureText(const QString &object, const QString &error) const
{
    return QStringLiteral("O objeto %1 não foi criado ..!\n%2").arg(object, error);
}

void ProgrammabilityPage::menuItemClick(const QString &name)
{
    const MenuItem *item = menuItem(name);
    if (!item)
        return;
    Installer installer(*m_shell.ExecuteQUERY);
    InstallReport report;
    // The gate reads the active company's CNPJ unprotected: a failure there is shown in
    // the standard error box.
    const bool done = m_shell.runBusy([&] {
        report = installer.install(*item,
                                   [this] { return m_shell.OrganizacaoSQL->value(QStringLiteral("CNPJ")).toString(); });
    });
    if (!done)
        return;
    // The drop of a missing object fails unseen; a refused creation leaves the database
    // without the object, so it is told.
    if (const StatementOutcome *failed = report.failedCreation())
        m_shell.prompter->error(m_shell.window, failureText(report.object, failed->error));
}

void ProgrammabilityPage::GetTriggersClick()
{
    const auto answer = m_shell.prompter->confirm(
        m_shell.window, QStringLiteral("Serão atualizadas as TRIGGERS e PROCEDUREs ..!, devo continuar ?"),
        Prompter::Buttons::YesNo);
    if (answer != Prompter::Answer::Yes)
        return;
    QPlainTextEdit *memo = m_shell.MemoCCDB;
    Installer installer(*m_shell.ExecuteQUERY);
    m_shell.runBusy([&] {
        // Only what the database lacks at the end is told: a refused creation that a later
        // step of the batch made good is not.
        for (const MissingObject &missing : missingAfter(installer.runTriggerBatch())) {
            QString error = missing.error;
            error.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
            memo->appendPlainText(QStringLiteral("%1: %2").arg(missing.object, error));
        }
    });
}
