#include "users/UsersModule.h"

#include "app/Shell.h"
#include "connection/Command.h"
#include "connection/Connection.h"
#include "connection/ConnectionString.h"
#include "connection/DataSource.h"
#include "connection/Dataset.h"
#include "users/ModuleFlagBoxes.h"
#include "users/NumbersEdit.h"
#include "users/OptionCombo.h"
#include "users/RecordPage.h"
#include "users/RightsPage.h"
#include "users/UserScript.h"
#include "users/UserStatements.h"
#include "widgets/DbControls.h"
#include "widgets/Prompter.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

void installUsersModule(Shell &shell)
{
    new UsersModule(shell, shell.window);
}

UsersModule::UsersModule(Shell &shell, QObject *parent)
    : QObject(parent), m_shell(shell)
{
    setObjectName(QStringLiteral("UsersModule"));
    m_record = new RecordPage(shell.SenhaDATA, shell.Data1DATA);
    m_rights = new RightsPage(shell.SenhaDATA);
    if (shell.TabSheet1)
        shell.setPageContent(shell.TabSheet1, m_record);
    if (shell.TabSheet2)
        shell.setPageContent(shell.TabSheet2, m_rights);

    m_compras = new ModuleFlagBoxes(FlagString::compras(), m_rights->compras, m_rights->Compras21, {7}, shell.SenhaDATA, this);
    m_vendas = new ModuleFlagBoxes(FlagString::vendas(), m_rights->vendas, m_rights->Vendas21, {}, shell.SenhaDATA, this);
    m_qualidade = new ModuleFlagBoxes(FlagString::qualidade(), m_rights->qualidade, nullptr, {}, shell.SenhaDATA, this);
    connect(m_compras, &ModuleFlagBoxes::updateRequested, this, &UsersModule::UpdateComprasClick);
    connect(m_vendas, &ModuleFlagBoxes::updateRequested, this, &UsersModule::UpdateVendasClick);
    connect(m_qualidade, &ModuleFlagBoxes::updateRequested, this, &UsersModule::UpdateQualidadeClick);
    connect(m_compras, &ModuleFlagBoxes::optionCloseUpRequested, this, &UsersModule::Compras21CloseUp);
    connect(m_vendas, &ModuleFlagBoxes::optionCloseUpRequested, this, &UsersModule::Vendas21CloseUp);

    if (shell.ULock)
        connect(shell.ULock, &QToolButton::clicked, this, &UsersModule::ULockClick);
    if (shell.IncluiUSER)
        connect(shell.IncluiUSER, &QToolButton::clicked, this, &UsersModule::IncluiUSERClick);
    if (shell.SalvaREC)
        connect(shell.SalvaREC, &QToolButton::clicked, this, &UsersModule::SalvaRECClick);
    if (shell.ExcluiFOR)
        connect(shell.ExcluiFOR, &QToolButton::clicked, this, &UsersModule::ExcluiFORClick);
    connect(m_record->btnCOPIAR, &QPushButton::clicked, this, &UsersModule::btnCOPIARClick);
    connect(m_record->btnCOLAR, &QPushButton::clicked, this, &UsersModule::btnCOLARClick);
    if (shell.ImportaKDXC)
        connect(shell.ImportaKDXC, &QToolButton::clicked, this, &UsersModule::ImportaKDXCClick);

    if (shell.SERVER1)
        connect(shell.SERVER1, &Connection::afterConnect, this, &UsersModule::SERVER1AfterConnect);

    Dataset *users = shell.SenhaSQL;
    connect(users, &Dataset::afterScroll, this, &UsersModule::SenhaSQLAfterScroll);
    connect(users, &Dataset::afterEdit, this, &UsersModule::SenhaSQLAfterEdit);
    connect(users, &Dataset::afterPost, this, &UsersModule::SenhaSQLAfterPost);
    connect(users, &Dataset::afterClose, this, &UsersModule::SenhaSQLAfterClose);
    connect(users, &Dataset::recordChanged, this, &UsersModule::updateBoundControls);

    for (QWidget *w : std::initializer_list<QWidget *>{m_record->Registro, m_record->PasswordEdit, m_record->NameEdit,
                                                       m_record->EmailUEdit, m_record->FoneU01, m_record->Pager01})
        w->installEventFilter(this);
    for (QLabel *l : {m_record->Label4, m_record->LabelSenhaCompras, m_record->LabelSenhaDiretoria})
        l->installEventFilter(this);

    connectMenu("StatusVendas", &UsersModule::StatusVendasClick);
    connectMenu("UpdateVendas", &UsersModule::UpdateVendasClick);
    connectMenu("SetaVendas", &UsersModule::SetaVendasClick);
    connectMenu("StatusCompras", &UsersModule::StatusComprasClick);
    connectMenu("UpdateCompras", &UsersModule::UpdateComprasClick);
    connectMenu("SetaCompras", &UsersModule::SetaComprasClick);
    connectMenu("StatusQualidade", &UsersModule::StatusQualidadeClick);
    connectMenu("UpdateQualidade", &UsersModule::UpdateQualidadeClick);
    connectMenu("SetaQualidade", &UsersModule::SetaQualidadeClick);

    updateBoundControls();
}

void UsersModule::connectMenu(const char *name, void (UsersModule::*handler)())
{
    if (QAction *a = m_shell.action(QString::fromLatin1(name)))
        connect(a, &QAction::triggered, this, handler);
}

QString UsersModule::currentRegistration() const
{
    const Dataset *users = m_shell.SenhaSQL;
    if (!users->isOpen() || users->isEmpty())
        return QString();
    return users->asString(QStringLiteral("Registro"));
}

bool UsersModule::isUnlocked() const
{
    return m_shell.SenhaDATA->autoEdit();
}

bool UsersModule::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyRelease) {
        auto *key = static_cast<QKeyEvent *>(event);
        // One release per key stroke, as a held key gives one key-up at its end.
        if (!key->isAutoRepeat()) {
            if (watched == m_record->Registro)
                RegistroKeyUp(key->key());
            else if (watched == m_record->PasswordEdit)
                PasswordEditKeyUp();
            else if (watched == m_record->NameEdit)
                NameEditKeyUp();
            else if (watched == m_record->EmailUEdit)
                EmailUEditKeyUp();
            else if (watched == m_record->FoneU01)
                FoneU01KeyUp();
            else if (watched == m_record->Pager01)
                Pager01KeyUp();
        }
    } else if (event->type() == QEvent::MouseButtonDblClick
               && (watched == m_record->Label4 || watched == m_record->LabelSenhaCompras
                   || watched == m_record->LabelSenhaDiretoria)) {
        Label4DblClick();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

// ------------------------------------------------------------------ lock

void UsersModule::ULockClick()
{
    QToolButton *lock = m_shell.ULock;
    if (isUnlocked()) {
        if (m_shell.LockIMAGE)
            lock->setIcon(m_shell.LockIMAGE->icon());
        lock->setProperty("Tag", 0);
        m_shell.SenhaDATA->setAutoEdit(false);
        m_shell.ExcluiFOR->setEnabled(false);
        m_record->PasswordEdit->setReadOnly(true);
        m_record->NameEdit->setReadOnly(true);
        m_record->EmailUEdit->setReadOnly(true);
    } else if (!currentRegistration().isEmpty()) {
        if (m_shell.UnLockIMAGE)
            lock->setIcon(m_shell.UnLockIMAGE->icon());
        lock->setProperty("Tag", 1);
        m_shell.SenhaDATA->setAutoEdit(true);
        m_shell.ExcluiFOR->setEnabled(true);
        m_record->PasswordEdit->setReadOnly(false);
        m_record->NameEdit->setReadOnly(false);
        m_record->EmailUEdit->setReadOnly(false);
    }
    StatusVendasClick();
    StatusComprasClick();
    StatusQualidadeClick();
}

// ------------------------------------------------------------------ list events

void UsersModule::SenhaSQLAfterScroll()
{
    const Dataset *users = m_shell.SenhaSQL;
    auto field = [users](const char *name) {
        const QString column = QString::fromLatin1(name);
        return users->isOpen() && users->hasField(column) ? users->asString(column) : QString();
    };
    m_record->Registro->setText(field("Registro"));
    m_record->PasswordEdit->setText(field("Senha"));
    m_record->NameEdit->setText(field("Nome"));
    m_record->EmailUEdit->setText(field("EmailU"));
    m_record->FoneU01->setDigits(field("FoneU01"));
    m_record->Pager01->setDigits(field("Pager01"));
    m_shell.SalvaREC->setEnabled(false);
    if (users->isOpen() && !users->isEmpty()) {
        SetaComprasClick();
        SetaVendasClick();
        SetaQualidadeClick();
    }
}

void UsersModule::SenhaSQLAfterEdit()
{
    m_shell.SalvaREC->setEnabled(true);
}

void UsersModule::SenhaSQLAfterPost()
{
    m_shell.SalvaREC->setEnabled(false);
}

void UsersModule::SenhaSQLAfterClose()
{
    m_record->PasswordEdit->clear();
}

// With no current user no control may change the record: an edit there would add a row.
void UsersModule::updateBoundControls()
{
    const Dataset *users = m_shell.SenhaSQL;
    const bool current = users->isOpen() && !users->isEmpty();
    for (DbCheckBox *box : std::as_const(m_rights->rightBoxes))
        box->setEnabled(current);
    m_record->SenhaCompras->setEnabled(current);
    m_record->SenhaDiretoria->setEnabled(current);
    for (DbImage *image : {m_rights->cxDBPhoto, m_rights->cxDBImage1})
        if (QWidget *group = image->parentWidget())
            for (QToolButton *b : group->findChildren<QToolButton *>())
                b->setEnabled(current);
}

// ------------------------------------------------------------------ typing

void UsersModule::copyIntoRecord(const QString &field, const QString &text)
{
    if (currentRegistration().isEmpty() || !isUnlocked())
        return;
    m_shell.run([&] {
        Dataset *users = m_shell.SenhaSQL;
        users->edit();
        users->setString(field, text);
    });
}

void UsersModule::PasswordEditKeyUp()
{
    copyIntoRecord(QStringLiteral("Senha"), m_record->PasswordEdit->text());
}

void UsersModule::NameEditKeyUp()
{
    copyIntoRecord(QStringLiteral("Nome"), m_record->NameEdit->text());
}

void UsersModule::EmailUEditKeyUp()
{
    copyIntoRecord(QStringLiteral("EmailU"), m_record->EmailUEdit->text());
}

void UsersModule::FoneU01KeyUp()
{
    copyIntoRecord(QStringLiteral("FoneU01"), m_record->FoneU01->digits());
}

void UsersModule::Pager01KeyUp()
{
    copyIntoRecord(QStringLiteral("Pager01"), m_record->Pager01->digits());
}

void UsersModule::RegistroKeyUp(int key)
{
    Dataset *users = m_shell.SenhaSQL;
    QLineEdit *registro = m_record->Registro;
    m_shell.runBusy([&] {
        if (!currentRegistration().isEmpty()) {
            if (key == Qt::Key_Left || key == Qt::Key_Up)
                users->prior();
            else if (key == Qt::Key_Right || key == Qt::Key_Down)
                users->next();
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F3) {
            if (!registro->text().isEmpty()) {
                users->close();
                users->setSql(UserStatements::search(registro->text()));
                users->open();
                m_record->NameEdit->clear();
            }
            if (!currentRegistration().isEmpty()) {
                registro->setFocus();
                registro->selectAll();
                m_shell.IncluiUSER->setEnabled(false);
            } else {
                registro->selectAll();
                m_shell.IncluiUSER->setEnabled(true);
            }
        }
        if (!currentRegistration().isEmpty() && isUnlocked()) {
            users->edit();
            users->setString(QStringLiteral("Registro"), registro->text());
        }
    });
}

// ------------------------------------------------------------------ create, save, delete

void UsersModule::IncluiUSERClick()
{
    if (!currentRegistration().isEmpty())
        return;
    const QString registro = m_record->Registro->text();
    const QString senha = m_record->PasswordEdit->text();
    const QString nome = m_record->NameEdit->text();
    const UserStatements::CreateCheck check = UserStatements::checkNewUser(registro, senha, nome);
    if (check != UserStatements::CreateCheck::Ok) {
        m_shell.prompter->message(m_shell.window, UserStatements::checkMessage(check));
        QLineEdit *missing = check == UserStatements::CreateCheck::MissingRegistro ? m_record->Registro
            : check == UserStatements::CreateCheck::MissingSenha                   ? m_record->PasswordEdit
                                                                                   : m_record->NameEdit;
        missing->setFocus();
        return;
    }
    if (m_shell.prompter->confirm(m_shell.window, UserStatements::createQuestion(registro), Prompter::Buttons::YesNo)
        != Prompter::Answer::Yes)
        return;
    m_shell.runBusy([&] {
        m_shell.ExecuteQUERY->execute(UserStatements::insert(registro, senha, nome));
        Dataset *users = m_shell.SenhaSQL;
        users->close();
        users->setSql(UserStatements::reload(registro));
        users->open();
        m_shell.IncluiUSER->setEnabled(false);
    });
}

void UsersModule::SalvaRECClick()
{
    if (currentRegistration().isEmpty())
        return;
    m_shell.run([this] { m_shell.SenhaSQL->post(); });
}

void UsersModule::ExcluiFORClick()
{
    const QString registro = currentRegistration();
    if (registro.isEmpty())
        return;
    if (m_shell.prompter->confirm(m_shell.window, UserStatements::deleteQuestion(registro), Prompter::Buttons::YesNo)
        != Prompter::Answer::Yes)
        return;
    m_shell.runBusy([&] {
        Dataset *users = m_shell.SenhaSQL;
        m_shell.ExecuteQUERY->execute(UserStatements::remove(users->asString(QStringLiteral("RGUser"))));
        // Reopen with the text in force: the last search, the last creation's reload, or
        // the stored text.
        users->close();
        users->open();
        m_record->Registro->setFocus();
        m_record->Registro->selectAll();
    });
}

void UsersModule::Label4DblClick()
{
    m_record->Mirr41->setHidden(!m_record->Mirr41->isHidden());
}

// ------------------------------------------------------------------ profile copy

QString UsersModule::currentPlant() const
{
    // A plant is one database of one server, whatever login reaches it.
    const ConnectionString::Pairs pairs = ConnectionString::parse(m_shell.SERVER1->connectionString());
    return ConnectionString::value(pairs, QStringLiteral("Data Source")).trimmed() + QLatin1Char('/')
           + ConnectionString::value(pairs, QStringLiteral("Initial Catalog")).trimmed();
}

void UsersModule::SERVER1AfterConnect()
{
    m_profileCopy.plantConnected(currentPlant());
}

void UsersModule::btnCOPIARClick()
{
    // Nothing is shown and nothing is written; an empty list keeps an earlier source.
    m_shell.run([this] { m_profileCopy.copy(*m_shell.SenhaSQL, currentPlant()); });
}

void UsersModule::btnCOLARClick()
{
    // A list without IdUser or Nome (an older table) raises the dataset's error: it goes
    // to the error box, as in every other handler, and the program goes on.
    m_shell.run([this] {
        Dataset *users = m_shell.SenhaSQL;
        const bool current = users->isOpen() && !users->isEmpty();
        const QString target =
            m_profileCopy.hasSource() && current ? users->asString(QStringLiteral("IdUser")) : QString();
        const ProfileCopy::PasteCheck check = m_profileCopy.check(target);
        if (check != ProfileCopy::PasteCheck::Ok) {
            m_shell.prompter->message(m_shell.window, ProfileCopy::checkMessage(check));
            return;
        }
        const QString name = current ? users->asString(QStringLiteral("Nome")) : QString();
        // Only No stops; closing the box goes on.
        if (m_shell.prompter->confirm(m_shell.window, ProfileCopy::question(name), Prompter::Buttons::YesNo)
            == Prompter::Answer::No)
            return;
        m_shell.runBusy([&] {
            // An edit in progress ends as a move to another user ends it, before the paste:
            // posted afterwards it would write the old rights back over the pasted ones.
            users->checkBrowseMode();
            m_profileCopy.paste(*m_shell.ExecuteQUERY, target,
                                [this](const QString &statement) { m_shell.MemoCCDB->setPlainText(statement); });
            rereadUser(target);
        });
    });
}

// Reads the list again and stands on the user with that IdUser, so that the record and
// rights pages (and the flag strings the rights boxes rebuild) show what the table holds.
void UsersModule::rereadUser(const QString &idUser)
{
    Dataset *users = m_shell.SenhaSQL;
    users->close();
    users->open();
    const int id = users->columnIndex(QStringLiteral("IdUser"));
    for (int row = 0; id >= 0 && row < users->recordCount(); ++row) {
        if (users->rowValue(row, id).toString() == idUser) {
            users->moveTo(row + 1);
            return;
        }
    }
}

// ------------------------------------------------------------------ insert script

void UsersModule::ImportaKDXCClick()
{
    m_shell.MemoCCDB->clear();
    const UserScript::Report report = UserScript::insertScript(*m_shell.SenhaSQL);
    if (!report.exported) {
        m_shell.prompter->message(m_shell.window, UserScript::noUserMessage());
        return;
    }
    m_shell.MemoCCDB->appendPlainText(report.script);
}

// ------------------------------------------------------------------ module flag strings

void UsersModule::SetaComprasClick()
{
    m_compras->load();
}

void UsersModule::SetaVendasClick()
{
    m_vendas->load();
}

void UsersModule::SetaQualidadeClick()
{
    m_qualidade->load();
}

void UsersModule::StatusComprasClick()
{
    m_compras->setStatus();
}

void UsersModule::StatusVendasClick()
{
    m_vendas->setStatus();
}

void UsersModule::StatusQualidadeClick()
{
    m_qualidade->setStatus();
}

void UsersModule::UpdateComprasClick()
{
    m_shell.run([this] { m_compras->update(); });
}

void UsersModule::UpdateVendasClick()
{
    m_shell.run([this] { m_vendas->update(); });
}

void UsersModule::UpdateQualidadeClick()
{
    m_shell.run([this] { m_qualidade->update(); });
}

void UsersModule::Compras21CloseUp()
{
    m_shell.run([this] { m_compras->optionClosed(); });
}

void UsersModule::Vendas21CloseUp()
{
    m_shell.run([this] { m_vendas->optionClosed(); });
}
