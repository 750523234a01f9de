#include "widgets/LogonForm.h"

#include "connection/Connection.h"
#include "connection/DbError.h"
#include "connection/PlantProfiles.h"
#include "widgets/Glyphs.h"
#include "widgets/Prompter.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QToolButton *flatButton(QWidget *parent, const QString &name, const QString &hint)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setAutoRaise(true);
    b->setIconSize(QSize(32, 32));
    b->setToolTip(hint);
    return b;
}

QLabel *label(QWidget *parent, const QString &text, QWidget *buddy)
{
    auto *l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}
} // namespace

LogonForm::LogonForm(Prompter *prompter, const QString &profilePath, QWidget *parent)
    : QDialog(parent), m_prompter(prompter), m_profilePath(profilePath)
{
    setObjectName(QStringLiteral("Logon_Form"));
    setWindowTitle(QStringLiteral("Propriedades da Conexão"));
    setModal(true);

    m_server = new QComboBox(this);
    m_server->setObjectName(QStringLiteral("ServerCombo"));
    m_server->setEditable(true);
    m_server->setInsertPolicy(QComboBox::NoInsert);   // a combo box without items: Enter adds none
    m_base = new QComboBox(this);
    m_base->setObjectName(QStringLiteral("BaseCombo"));
    m_base->setEditable(true);
    m_base->setInsertPolicy(QComboBox::NoInsert);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("NameEdit"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("PasswordEdit"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    m_password->setText(QStringLiteral("quillmoss"));
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("SConectEdit"));
    m_text->setEnabled(false);
    m_text->setFixedHeight(90);

    m_salvar = flatButton(this, QStringLiteral("Salvar"), QStringLiteral("Salva Produto ..!"));
    m_salvar->setIcon(QIcon(Glyphs::floppy()));
    m_salvar->setEnabled(false);
    m_conecta = flatButton(this, QStringLiteral("Conecta"), QStringLiteral("Testa conexão com o Servidor ..!"));
    m_conImage = flatButton(this, QStringLiteral("ConIMAGE"), QString());
    m_conImage->setIcon(QIcon(Glyphs::plugConnected()));
    m_conImage->hide();
    m_unConImage = flatButton(this, QStringLiteral("UnConIMAGE"), QString());
    m_unConImage->setIcon(QIcon(Glyphs::plugDisconnected()));
    m_unConImage->hide();
    m_conecta->setIcon(m_unConImage->icon());

    m_serverTeste = new Connection(this);
    m_serverTeste->setObjectName(QStringLiteral("ServerTESTE"));
    m_serverTeste->onAfterConnect = [this] { ServerTESTEAfterConnect(); };
    m_serverTeste->onAfterDisconnect = [this] { ServerTESTEAfterDisconnect(); };

    auto *grid = new QGridLayout;
    grid->addWidget(label(this, QStringLiteral("&Servidor Nome........."), m_server), 0, 0);
    grid->addWidget(m_server, 0, 1);
    grid->addWidget(label(this, QStringLiteral("&Banco de dados ...."), m_base), 1, 0);
    grid->addWidget(m_base, 1, 1);
    grid->addWidget(label(this, QStringLiteral("&Nome do Usuário .."), m_name), 2, 0);
    grid->addWidget(m_name, 2, 1);
    grid->addWidget(label(this, QStringLiteral("Sen&ha ........................."), m_password), 3, 0);
    grid->addWidget(m_password, 3, 1);
    grid->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_salvar);
    buttons->addWidget(m_conecta);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(label(this, QStringLiteral("&String de conexão:"), m_text));
    layout->addWidget(m_text);
    layout->addLayout(buttons);

    setTabOrder(m_server, m_base);
    setTabOrder(m_base, m_name);
    setTabOrder(m_name, m_password);

    connect(m_server, &QComboBox::editTextChanged, this, &LogonForm::ServerComboChange);
    connect(m_base, &QComboBox::editTextChanged, this, &LogonForm::ServerComboChange);
    connect(m_name, &QLineEdit::textChanged, this, &LogonForm::ServerComboChange);
    connect(m_password, &QLineEdit::textChanged, this, &LogonForm::ServerComboChange);
    connect(m_salvar, &QToolButton::clicked, this, &LogonForm::SalvarClick);
    connect(m_conecta, &QToolButton::clicked, this, &LogonForm::ConectaClick);

    setFixedSize(520, 300);
}

QString LogonForm::connectionText() const
{
    return QStringLiteral("Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=")
           + m_base->currentText() + QStringLiteral(";Data Source=") + m_server->currentText()
           + QStringLiteral(";Use Procedure for Prepare=1;Auto Translate=True;Packet Size=4096;Workstation ID=")
           + workstationName() + QStringLiteral(";Use Encryption for ")
           + QStringLiteral("Data=False;Tag with column collation when possible=False");
}

bool LogonForm::isModified() const
{
    return m_base->currentText() != m_rememberedBase || m_name->isModified();
}

void LogonForm::saveProfile()
{
    IniFile::writeString(m_profilePath, profileSection(), QStringLiteral("Server"), m_server->currentText());
    IniFile::writeString(m_profilePath, profileSection(), QStringLiteral("DataBase"), m_base->currentText());
    IniFile::writeString(m_profilePath, profileSection(), QStringLiteral("Name"), m_name->text());
    m_rememberedBase = m_base->currentText();
    m_name->setModified(false);
}

void LogonForm::SalvarClick()
{
    try {
        saveProfile();
    } catch (const DbError &e) {
        m_prompter->error(this, e.message());
        FormActivate();
        return;
    }
    m_salvar->setEnabled(false);
    m_conecta->setEnabled(true);
}

void LogonForm::ServerComboChange()
{
    if (!isVisible())
        return;
    m_serverTeste->close();
    m_text->setPlainText(connectionText());
    m_salvar->setEnabled(true);
    m_conecta->setEnabled(false);
}

void LogonForm::ConectaClick()
{
    if (m_text->toPlainText().isEmpty())
        return;
    if (m_serverTeste->isOpen()) {
        m_serverTeste->close();
        return;
    }
    m_serverTeste->setConnectionString(m_text->toPlainText());
    try {
        m_serverTeste->open();
    } catch (const DbError &) {
        // The error itself is not shown, only that the connection was not made.
        m_prompter->message(this, QStringLiteral("Conexão não efetuada, verifique as propriedades da mesma ..!"));
        FormActivate();   // the message box gave the activation back
    }
}

void LogonForm::ServerTESTEAfterConnect()
{
    m_conecta->setIcon(m_conImage->icon());
    m_conecta->setToolTip(QStringLiteral("Desfaz conexão com o Servidor ..!"));
}

void LogonForm::ServerTESTEAfterDisconnect()
{
    m_conecta->setIcon(m_unConImage->icon());
    m_conecta->setToolTip(QStringLiteral("Testa conexão com o Servidor ..!"));
}

void LogonForm::FormActivate()
{
    m_salvar->setEnabled(false);
}

void LogonForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void LogonForm::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void LogonForm::keyPressEvent(QKeyEvent *event)
{
    // The dialog has no OK or Cancel button: Esc and Enter do not close it.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void LogonForm::closeEvent(QCloseEvent *event)
{
    // FormCloseQuery
    if (isModified()) {
        const Prompter::Answer a = m_prompter->confirm(
            this, QStringLiteral("Conexão %1 foi modificada, salvar ?").arg(m_profileName), Prompter::Buttons::YesNoCancel);
        FormActivate();   // the question gave the activation back
        if (a == Prompter::Answer::Yes) {
            try {
                saveProfile();
            } catch (const DbError &e) {
                m_prompter->error(this, e.message());
                FormActivate();
                event->ignore();
                return;
            }
        } else if (a != Prompter::Answer::No) {
            event->ignore();
            return;
        }
    }
    // FormClose
    m_serverTeste->close();
    event->accept();
    done(QDialog::Rejected);
}
