#include "app/UsersForm.h"

#include "app/DatasetTexts.h"
#include "connection/Command.h"
#include "connection/Connection.h"
#include "connection/DataSource.h"
#include "connection/Dataset.h"
#include "connection/DbError.h"
#include "connection/PlantProfiles.h"
#include "widgets/DbGrid.h"
#include "widgets/DbNavigator.h"
#include "widgets/Glyphs.h"
#include "widgets/LogonForm.h"
#include "widgets/DropDownCombo.h"
#include "widgets/Prompter.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton *toolButton(QWidget *parent, const QString &name, const QString &caption, const QString &hint,
                        const QPixmap &glyph)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(caption);
    b->setToolTip(hint);
    b->setIcon(QIcon(glyph));
    b->setIconSize(QSize(24, 24));
    b->setAutoRaise(true);
    b->setToolButtonStyle(caption.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextUnderIcon);
    return b;
}

QToolButton *glyphHolder(QWidget *parent, const QString &name, const QPixmap &glyph)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setIcon(QIcon(glyph));
    b->hide();
    return b;
}

QWidget *page(QTabWidget *tabs, const QString &name, const QString &caption)
{
    auto *w = new QWidget;
    w->setObjectName(name);
    tabs->addTab(w, caption);
    return w;
}

// An empty area that a module replaces with its page.
QWidget *placeholder(QWidget *parent, const QString &name)
{
    auto *w = new QWidget(parent);
    w->setObjectName(name + QStringLiteral("Placeholder"));
    return w;
}

void resetScreenCursor()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

} // namespace

UsersForm::UsersForm(Prompter *prompter, const QString &iniPath, QWidget *parent)
    : QMainWindow(parent), m_iniPath(iniPath)
{
    setObjectName(QStringLiteral("Users_Frm"));
    setWindowTitle(QStringLiteral("Cadastro e controle de Usuários"));
    m_shell.window = this;
    m_shell.prompter = prompter;

    buildDatabase();
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);

    buildToolbar();
    layout->addWidget(findChild<QWidget *>(QStringLiteral("CoolBar1")));

    auto *middle = new QHBoxLayout;
    middle->setContentsMargins(2, 2, 2, 2);
    m_shell.ItensGRADE = new DbGrid(central);
    m_shell.ItensGRADE->setObjectName(QStringLiteral("ItensGRADE"));
    m_shell.ItensGRADE->setColumns({{QStringLiteral("Nome"), QStringLiteral("Listagem de usuários")}});
    m_shell.ItensGRADE->setDataSource(m_shell.SenhaDATA);
    m_shell.ItensGRADE->setFixedWidth(230);
    connect(m_shell.ItensGRADE, &DbGrid::error, this, [this](const QString &m) { m_shell.prompter->error(this, m); });
    middle->addWidget(m_shell.ItensGRADE);
    buildPages();
    middle->addWidget(m_shell.PageControl1, 1);
    layout->addLayout(middle, 1);

    buildStatusBars();
    layout->addWidget(findChild<QWidget *>(QStringLiteral("StatusBar1")));
    buildMenu();

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &UsersForm::Timer1Timer);
    m_timer->start();

    // Key preview: Esc closes the window whichever of its controls has the focus.
    qApp->installEventFilter(this);

    installModules();
}

UsersForm::~UsersForm()
{
    qApp->removeEventFilter(this);
    // The handlers refer to the window: no event may reach them while it is torn down.
    m_shell.SERVER1->onAfterConnect = nullptr;
    m_shell.SERVER1->onAfterDisconnect = nullptr;
}

void UsersForm::buildDatabase()
{
    m_shell.SERVER1 = new Connection(this);
    m_shell.SERVER1->setObjectName(QStringLiteral("SERVER1"));
    m_shell.SERVER1->onAfterConnect = [this] { SERVER1AfterConnect(); };
    m_shell.SERVER1->onAfterDisconnect = [this] { SERVER1AfterDisconnect(); };

    m_shell.ExecuteQUERY = new Command(this);
    m_shell.ExecuteQUERY->setObjectName(QStringLiteral("ExecuteQUERY"));
    m_shell.ExecuteQUERY->setConnection(m_shell.SERVER1);
    m_shell.ExecuteQUERY->setTimeout(1200);

    auto dataset = [this](const char *name, const char *sql, bool readOnly) {
        auto *ds = new Dataset(this);
        ds->setObjectName(QString::fromLatin1(name));
        ds->setConnection(m_shell.SERVER1);
        ds->setSql(QString::fromUtf8(sql));
        ds->setReadOnly(readOnly);
        return ds;
    };
    auto source = [this](const char *name, Dataset *ds) {
        auto *s = new DataSource(this);
        s->setObjectName(QString::fromLatin1(name));
        s->setDataset(ds);
        s->setAutoEdit(false);
        return s;
    };
    m_shell.SenhaSQL = dataset("SenhaSQL", DatasetTexts::SenhaSQL, false);
    m_shell.SenhaDATA = source("SenhaDATA", m_shell.SenhaSQL);
    m_shell.JobSQL = dataset("JobSQL", DatasetTexts::JobSQL, false);
    m_shell.JobDATA = source("JobDATA", m_shell.JobSQL);
    m_shell.Data1SQL = dataset("Data1SQL", DatasetTexts::Data1SQL, true);
    m_shell.Data1DATA = source("Data1DATA", m_shell.Data1SQL);
    m_shell.OrganizacaoSQL = dataset("OrganizacaoSQL", DatasetTexts::OrganizacaoSQL, true);
    m_shell.OrganizacaoDATA = source("OrganizacaoDATA", m_shell.OrganizacaoSQL);
}

void UsersForm::buildToolbar()
{
    auto *coolBar = new QFrame(this);
    coolBar->setObjectName(QStringLiteral("CoolBar1"));
    coolBar->setFrameShape(QFrame::StyledPanel);
    auto *cl = new QHBoxLayout(coolBar);
    cl->setContentsMargins(2, 2, 2, 2);
    auto *bar = new QToolBar(coolBar);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setFloatable(false);
    cl->addWidget(bar);

    m_shell.LockIMAGE = glyphHolder(bar, QStringLiteral("LockIMAGE"), Glyphs::lockClosed());
    m_shell.LockIMAGE->setToolTip(QStringLiteral("Excluir ficha ..!"));
    m_shell.UnLockIMAGE = glyphHolder(bar, QStringLiteral("UnLockIMAGE"), Glyphs::lockOpen());
    m_shell.UnLockIMAGE->setToolTip(QStringLiteral("Excluir ficha ..!"));

    m_shell.IncluiUSER = toolButton(bar, QStringLiteral("IncluiUSER"), QStringLiteral("&Novo"),
                                    QStringLiteral("Inclui novo registro ..!"), Glyphs::newRecord());
    m_shell.IncluiUSER->setEnabled(false);
    m_shell.ULock = toolButton(bar, QStringLiteral("ULock"), QStringLiteral("&Destravar"),
                               QStringLiteral("Trava/destrava registro ..!"), Glyphs::lockClosed());
    m_shell.ULock->setIcon(m_shell.LockIMAGE->icon());
    m_shell.ULock->setProperty("Tag", 0);
    m_shell.SalvaREC = toolButton(bar, QStringLiteral("SalvaREC"), QStringLiteral("&Salvar"),
                                  QStringLiteral("Salvar registro ..!"), Glyphs::save());
    m_shell.SalvaREC->setEnabled(false);
    m_shell.ExcluiFOR = toolButton(bar, QStringLiteral("ExcluiFOR"), QStringLiteral("&Excluir"),
                                   QStringLiteral("Exclui registro ..!"), Glyphs::deleteRecord());
    m_shell.ExcluiFOR->setEnabled(false);
    m_shell.NAV00 = new DbNavigator(bar);
    m_shell.NAV00->setObjectName(QStringLiteral("NAV00"));
    m_shell.NAV00->setDataSource(m_shell.SenhaDATA);
    connect(m_shell.NAV00, &DbNavigator::error, this, [this](const QString &m) { m_shell.prompter->error(this, m); });
    m_shell.Fechar = toolButton(bar, QStringLiteral("Fechar"), QStringLiteral("&Fechar"),
                                QStringLiteral("Finaliza este aplicativo ..!"), Glyphs::exitDoor());
    connect(m_shell.Fechar, &QToolButton::clicked, this, &QWidget::close);

    bar->addWidget(m_shell.IncluiUSER);
    bar->addWidget(m_shell.ULock);
    bar->addWidget(m_shell.SalvaREC);
    bar->addWidget(m_shell.ExcluiFOR);
    bar->addSeparator();
    bar->addWidget(m_shell.NAV00);
    bar->addSeparator();
    bar->addWidget(m_shell.Fechar);
}

void UsersForm::buildPages()
{
    auto *tabs = new QTabWidget(centralWidget());
    tabs->setObjectName(QStringLiteral("PageControl1"));
    m_shell.PageControl1 = tabs;

    // First page: the shell's strip (connect button, plant list), then the record area.
    m_shell.TabSheet1 = page(tabs, QStringLiteral("TabSheet1"), QStringLiteral("  &Cadastro usuários  "));
    auto *l1 = new QVBoxLayout(m_shell.TabSheet1);
    auto *strip = new QHBoxLayout;
    m_conecta = new QToolButton(m_shell.TabSheet1);
    m_conecta->setObjectName(QStringLiteral("Conecta"));
    m_conecta->setAutoRaise(true);
    m_conecta->setIconSize(QSize(32, 32));
    static const char *const frames[6] = {"Image1", "Image2", "Image3", "Image4", "Image5", "Image10"};
    for (int i = 0; i < 6; ++i)
        m_images[i] = glyphHolder(m_shell.TabSheet1, QString::fromLatin1(frames[i]),
                                  i < 5 ? Glyphs::networkFrame(i + 1) : Glyphs::networkOff());
    m_shell.ConIMAGE = glyphHolder(m_shell.TabSheet1, QStringLiteral("ConIMAGE"), Glyphs::personsTicked());
    m_shell.UnConIMAGE = glyphHolder(m_shell.TabSheet1, QStringLiteral("UnConIMAGE"), Glyphs::personsCrossed());
    m_conecta->setIcon(m_images[5]->icon());
    m_conecta->setProperty("Tag", 1);
    m_conecta->setToolTip(QStringLiteral("Faz conexão com o Servidor ..!"));
    connect(m_conecta, &QToolButton::clicked, this, &UsersForm::ConectaClick);
    strip->addWidget(m_conecta);
    strip->addSpacing(12);
    m_plantas = new DropDownCombo(m_shell.TabSheet1);
    m_plantas->setObjectName(QStringLiteral("PlantasCombo"));
    m_plantas->setEditable(false);
    m_plantas->setMinimumWidth(200);
    auto *plantLabel = new QLabel(QStringLiteral("Plantas:"), m_shell.TabSheet1);
    plantLabel->setBuddy(m_plantas);
    strip->addWidget(plantLabel);
    strip->addWidget(m_plantas);
    strip->addStretch();
    connect(m_plantas, &DropDownCombo::closeUp, this, &UsersForm::PlantasComboCloseUp);
    l1->addLayout(strip);
    auto *content1 = new QWidget(m_shell.TabSheet1);
    content1->setObjectName(QStringLiteral("TabSheet1Content"));
    auto *cl1 = new QVBoxLayout(content1);
    cl1->setContentsMargins(0, 0, 0, 0);
    cl1->addWidget(placeholder(content1, QStringLiteral("TabSheet1")));
    l1->addWidget(content1, 1);

    auto simplePage = [&](const char *name, const QString &caption) {
        QWidget *w = page(tabs, QString::fromLatin1(name), caption);
        auto *l = new QVBoxLayout(w);
        l->addWidget(placeholder(w, QString::fromLatin1(name)));
        return w;
    };
    m_shell.TabSheet2 = simplePage("TabSheet2", QStringLiteral("    Menús e  &Rotinas    "));
    m_shell.TabSheet4 = simplePage("TabSheet4", QStringLiteral("  Conferir  "));
    m_shell.TabSheet5 = simplePage("TabSheet5", QStringLiteral("  Habilitar/desabilitar"));

    // " Exportar Usuários ": the narrow left panel of buttons and the output memo.
    m_shell.TabSheet12 = page(tabs, QStringLiteral("TabSheet12"), QStringLiteral(" Exportar Usuários "));
    auto *l12 = new QHBoxLayout(m_shell.TabSheet12);
    auto *panel = new QVBoxLayout;
    m_shell.ImportaKDXC = toolButton(m_shell.TabSheet12, QStringLiteral("ImportaKDXC"), QString(),
                                     QStringLiteral("Gera Script de Usuários"), Glyphs::script());
    m_shell.DataBaseSTRU = toolButton(m_shell.TabSheet12, QStringLiteral("DataBaseSTRU"), QString(),
                                      QStringLiteral("Equaliza este sistema de acordo com padrão !"), Glyphs::database());
    m_shell.GetTriggers = toolButton(m_shell.TabSheet12, QStringLiteral("GetTriggers"), QString(),
                                     QStringLiteral("Cria Triggers no Banco de Dados"), Glyphs::trigger());
    m_shell.SemAcento = toolButton(m_shell.TabSheet12, QStringLiteral("SemAcento"), QString(),
                                   QStringLiteral("Cria Campos sem acento nas tabelas e seus Triggers"), Glyphs::accentFree());
    for (QToolButton *b : {m_shell.ImportaKDXC, m_shell.DataBaseSTRU, m_shell.GetTriggers, m_shell.SemAcento}) {
        b->setIconSize(QSize(32, 32));
        panel->addWidget(b);
    }
    panel->addStretch();
    l12->addLayout(panel);
    m_shell.MemoCCDB = new QPlainTextEdit(m_shell.TabSheet12);
    m_shell.MemoCCDB->setObjectName(QStringLiteral("MemoCCDB"));
    m_shell.MemoCCDB->setReadOnly(true);
    m_shell.MemoCCDB->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_shell.MemoCCDB->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont mono(QStringLiteral("Courier New"));
    mono.setStyleHint(QFont::Monospace);
    m_shell.MemoCCDB->setFont(mono);
    l12->addWidget(m_shell.MemoCCDB, 1);

    m_shell.TabSheet13 = simplePage("TabSheet13", QStringLiteral(" Programmability "));
    tabs->setCurrentIndex(0);
}

void UsersForm::buildStatusBars()
{
    auto panels = [](QStatusBar *bar, QLabel **labels, const char *prefix, const QStringList &texts,
                     const QList<Qt::Alignment> &align) {
        bar->setSizeGripEnabled(false);
        for (int i = 0; i < 3; ++i) {
            labels[i] = new QLabel(texts[i], bar);
            labels[i]->setObjectName(QStringLiteral("%1Panel%2").arg(QString::fromLatin1(prefix)).arg(i));
            labels[i]->setAlignment(align[i] | Qt::AlignVCenter);
            labels[i]->setFrameShape(QFrame::Panel);
            labels[i]->setFrameShadow(QFrame::Sunken);
            labels[i]->setMinimumWidth(160);
            bar->addPermanentWidget(labels[i], 1);
        }
    };
    auto *bar1 = new QStatusBar(centralWidget());
    bar1->setObjectName(QStringLiteral("StatusBar1"));
    panels(bar1, m_shell.StatusBar1, "StatusBar1",
           {QStringLiteral("Servidor: ??????"), QStringLiteral("Banco Dados: ??????"), QStringLiteral("Usuário: Administrator")},
           {Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignHCenter});
    auto *bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar"));
    panels(bar, m_shell.StatusBar, "StatusBar",
           {QStringLiteral("Arquivo: "), QStringLiteral("Posição:"), QStringLiteral("Versão 7.0")},
           {Qt::AlignLeft, Qt::AlignLeft, Qt::AlignHCenter});
    setStatusBar(bar);
}

void UsersForm::buildMenu()
{
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("MainMENU"));
    m_shell.MainMENU = menu;
    struct Item { const char *name; const char *caption; bool visible; };
    static const Item items[] = {
        {"PropCONECTA", "Propriedades da Conexão", true},
        {"N3", nullptr, true},
        {"StatusVendas", "Trava/destrava Vendas", true},
        {"UpdateVendas", "Update Vendas", true},
        {"SetaVendas", "Seta Vendas", true},
        {"N1", nullptr, false},
        {"StatusCompras", "Trava/destrava Compras", false},
        {"UpdateCompras", "Update Compras", false},
        {"SetaCompras", "Seta Compras", true},
        {"N2", nullptr, true},
        {"StatusQualidade", "Trava/destrava Qualidade", true},
        {"UpdateQualidade", "Update Qualidade", true},
        {"SetaQualidade", "Seta Qualidade", true},
    };
    for (const Item &it : items) {
        QAction *a = it.caption ? menu->addAction(QString::fromUtf8(it.caption)) : menu->addSeparator();
        a->setObjectName(QString::fromLatin1(it.name));
        a->setVisible(it.visible);
    }
    connect(m_shell.action(QStringLiteral("PropCONECTA")), &QAction::triggered, this, &UsersForm::PropCONECTAClick);
}

void UsersForm::installModules()
{
    installUsersModule(m_shell);
    installSwitchModule(m_shell);
    installConferenceModule(m_shell);
    installMaintenanceModule(m_shell);
}

void UsersForm::FormCreate()
{
    m_plantas->clear();
    m_plantas->addItems(IniFile(m_iniPath).sections());
    m_shell.run([this] { ConnectSelectedPlant(); });
}

void UsersForm::reopen(Dataset *dataset)
{
    dataset->close();
    dataset->open();
}

void UsersForm::ConnectSelectedPlant()
{
    if (m_plantas->currentIndex() < 0 && m_plantas->count() > 0)
        m_plantas->setCurrentIndex(0);
    const QString section = m_plantas->currentIndex() >= 0 ? m_plantas->currentText() : QStringLiteral("DEFAULT");
    const PlantProfile p = PlantProfile::read(IniFile(m_iniPath), section);
    m_profile = {p.section, p.server, p.database, p.name, p.userSql, p.passwordSql, p.driver};
    m_connectionString = p.connectionString();
    try {
        m_shell.SERVER1->close();
        m_shell.SERVER1->setConnectionString(m_connectionString);
        m_shell.SERVER1->setDriver(p.driver);
        m_shell.SERVER1->open();
        m_shell.StatusBar1[0]->setText(QStringLiteral("Servidor: ") + p.server);
        m_shell.StatusBar1[1]->setText(QStringLiteral("Banco de Dados: ") + p.database);
    } catch (const DbError &) {
        resetScreenCursor();
        throw;
    }
    resetScreenCursor();
    if (m_shell.SERVER1->isOpen()) {
        reopen(m_shell.SenhaSQL);
        reopen(m_shell.Data1SQL);
        reopen(m_shell.OrganizacaoSQL);
    }
}

void UsersForm::PlantasComboCloseUp()
{
    m_shell.run([this] { ConnectSelectedPlant(); });
}

void UsersForm::ConectaClick()
{
    if (m_shell.SERVER1->isOpen()) {
        m_shell.SERVER1->close();
        return;
    }
    try {
        m_shell.SERVER1->open();
    } catch (const DbError &) {
        // Not shown: the properties flow runs instead.
        PropCONECTAClick();
    }
}

void UsersForm::PropCONECTAClick()
{
    m_shell.SERVER1->close();
    if (m_logon)
        m_logon->exec();
    m_shell.run([this] { ConnectSelectedPlant(); });
}

void UsersForm::setConnectState(bool connected)
{
    if (connected) {
        m_conecta->setToolTip(QStringLiteral("Desfaz conexão com o Servidor ..!"));
        m_conecta->setIcon(m_images[0]->icon());
        m_conecta->setProperty("Tag", 1);
    } else {
        m_conecta->setToolTip(QStringLiteral("Faz conexão com o Servidor ..!"));
        m_conecta->setIcon(m_images[5]->icon());
        m_conecta->setProperty("Tag", 10);
    }
}

void UsersForm::SERVER1AfterConnect()
{
    setConnectState(true);
    reopen(m_shell.SenhaSQL);
    reopen(m_shell.JobSQL);
}

void UsersForm::SERVER1AfterDisconnect()
{
    if (isVisible())
        setConnectState(false);
}

void UsersForm::Timer1Timer()
{
    if (!m_shell.SERVER1->isOpen())
        return;
    // Tested from 5 down to 1, each test seeing the Tag the one before left: one tick
    // advances exactly one frame.
    int tag = m_conecta->property("Tag").toInt();
    if (tag == 5) { m_conecta->setIcon(m_images[4]->icon()); tag = 6; }
    if (tag == 4) { m_conecta->setIcon(m_images[3]->icon()); tag = 5; }
    if (tag == 3) { m_conecta->setIcon(m_images[2]->icon()); tag = 4; }
    if (tag == 2) { m_conecta->setIcon(m_images[1]->icon()); tag = 3; }
    if (tag == 1) { m_conecta->setIcon(m_images[0]->icon()); tag = 2; }
    if (tag == 6) tag = 1;
    m_conecta->setProperty("Tag", tag);
}

bool UsersForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->window() == this
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && isVisible()) {
        close();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void UsersForm::closeEvent(QCloseEvent *event)
{
    m_shell.SenhaSQL->close();
    event->accept();
}

void UsersForm::contextMenuEvent(QContextMenuEvent *event)
{
    m_shell.MainMENU->popup(event->globalPos());
}
