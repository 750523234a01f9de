#include "users/RecordPage.h"

#include "connection/DataSource.h"
#include "users/NumbersEdit.h"
#include "widgets/DbControls.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QLabel *label(QWidget *parent, const QString &name, const QString &text, QWidget *buddy)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setBuddy(buddy);
    return l;
}

template <typename Edit>
Edit *edit(QWidget *parent, const QString &name)
{
    auto *e = new Edit(parent);
    e->setObjectName(name);
    return e;
}

struct TreeEntry
{
    const char *text;
    QList<TreeEntry> children;
};

void addEntries(QTreeWidget *tree, QTreeWidgetItem *parent, const QList<TreeEntry> &entries)
{
    for (const TreeEntry &entry : entries) {
        auto *item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
        item->setText(0, QString::fromUtf8(entry.text));
        addEntries(tree, item, entry.children);
    }
}

} // namespace

RecordPage::RecordPage(DataSource *users, DataSource *company, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("RecordPage"));

    // Identity, password and contact.
    auto *userBox = new QGroupBox(QStringLiteral("Usuário"), this);
    userBox->setObjectName(QStringLiteral("UserGroup"));
    auto *form = new QGridLayout(userBox);
    form->setColumnStretch(1, 1);
    // Password edits show '*' for each character, whatever the platform's mask character.
    const QString asterisks = QStringLiteral("QLineEdit { lineedit-password-character: 42; }");

    Registro = edit<QLineEdit>(userBox, QStringLiteral("Registro"));
    Registro->setMaximumWidth(140);

    PasswordEdit = edit<QLineEdit>(userBox, QStringLiteral("PasswordEdit"));
    PasswordEdit->setEchoMode(QLineEdit::Password);
    PasswordEdit->setStyleSheet(asterisks);
    PasswordEdit->setReadOnly(true);
    PasswordEdit->setMaximumWidth(140);
    Mirr41 = edit<DbEdit>(userBox, QStringLiteral("Mirr41"));
    Mirr41->bind(users, QStringLiteral("Senha"));
    Mirr41->setAlwaysReadOnly(true);
    Mirr41->setMaximumWidth(140);
    Mirr41->hide();
    auto *passwordRow = new QHBoxLayout;
    passwordRow->addWidget(PasswordEdit);
    passwordRow->addWidget(Mirr41);
    passwordRow->addStretch(1);

    NameEdit = edit<QLineEdit>(userBox, QStringLiteral("NameEdit"));
    NameEdit->setMaxLength(49);
    NameEdit->setReadOnly(true);
    EmailUEdit = edit<QLineEdit>(userBox, QStringLiteral("EmailUEdit"));
    EmailUEdit->setMaxLength(80);
    EmailUEdit->setReadOnly(true);

    FoneU01 = edit<NumbersEdit>(userBox, QStringLiteral("FoneU01"));
    FoneU01->setToolTip(QStringLiteral("Até 4 Telefones com Prefixo"));
    Pager01 = edit<NumbersEdit>(userBox, QStringLiteral("Pager01"));
    Pager01->setToolTip(QStringLiteral("Até 4 Pagers com Prefixo"));
    const int numbersWidth = FoneU01->fontMetrics().horizontalAdvance(QString(NumbersEdit::mask().size(), QLatin1Char('_')));
    FoneU01->setMinimumWidth(numbersWidth);
    Pager01->setMinimumWidth(numbersWidth);

    SenhaCompras = edit<DbEdit>(userBox, QStringLiteral("SenhaCompras"));
    SenhaCompras->bind(users, QStringLiteral("LCompras_senha"));
    SenhaCompras->setEchoMode(QLineEdit::Password);
    SenhaCompras->setStyleSheet(asterisks);
    SenhaCompras->setMaximumWidth(220);
    SenhaDiretoria = edit<DbEdit>(userBox, QStringLiteral("SenhaDiretoria"));
    SenhaDiretoria->bind(users, QStringLiteral("LDiretoria_senha"));
    SenhaDiretoria->setEchoMode(QLineEdit::Password);
    SenhaDiretoria->setStyleSheet(asterisks);
    SenhaDiretoria->setMaximumWidth(220);

    Label4 = label(userBox, QStringLiteral("Label4"), QStringLiteral("Sen&ha Acesso:"), PasswordEdit);
    LabelSenhaCompras = label(userBox, QStringLiteral("LabelSenhaCompras"), QStringLiteral("Senha Compras:"), SenhaCompras);
    LabelSenhaDiretoria = label(userBox, QStringLiteral("LabelSenhaDiretoria"), QStringLiteral("Senha Diretoria:"), SenhaDiretoria);
    const QString toggleHint = QStringLiteral("Duplo clique mostra ou oculta a senha de acesso");
    for (QLabel *l : {Label4, LabelSenhaCompras, LabelSenhaDiretoria})
        l->setToolTip(toggleHint);

    int row = 0;
    form->addWidget(label(userBox, QStringLiteral("LabelRegistro"), QStringLiteral("&Registro:"), Registro), row, 0);
    form->addWidget(Registro, row++, 1, Qt::AlignLeft);
    form->addWidget(Label4, row, 0);
    form->addLayout(passwordRow, row++, 1);
    form->addWidget(label(userBox, QStringLiteral("LabelNome"), QStringLiteral("Nome:"), NameEdit), row, 0);
    form->addWidget(NameEdit, row++, 1);
    form->addWidget(label(userBox, QStringLiteral("LabelEmail"), QStringLiteral("Email Empresa:"), EmailUEdit), row, 0);
    form->addWidget(EmailUEdit, row++, 1);
    form->addWidget(label(userBox, QStringLiteral("LabelFones"), QStringLiteral("4 Telefones:"), FoneU01), row, 0);
    form->addWidget(FoneU01, row++, 1, Qt::AlignLeft);
    form->addWidget(label(userBox, QStringLiteral("LabelPagers"), QStringLiteral("4 Pagers:"), Pager01), row, 0);
    form->addWidget(Pager01, row++, 1, Qt::AlignLeft);
    form->addWidget(LabelSenhaCompras, row, 0);
    form->addWidget(SenhaCompras, row++, 1, Qt::AlignLeft);
    form->addWidget(LabelSenhaDiretoria, row, 0);
    form->addWidget(SenhaDiretoria, row++, 1, Qt::AlignLeft);

    // The active company (read-only).
    auto *companyBox = new QGroupBox(QStringLiteral("Empresa"), this);
    companyBox->setObjectName(QStringLiteral("CompanyGroup"));
    auto *cl = new QGridLayout(companyBox);
    cl->setColumnStretch(1, 1);
    Mirr15 = edit<DbEdit>(companyBox, QStringLiteral("Mirr15"));
    Mirr15->bind(company, QStringLiteral("Marca"));
    Mirr15->setAlwaysReadOnly(true);
    Mirr15->setMaximumWidth(220);
    Mirr16 = edit<DbEdit>(companyBox, QStringLiteral("Mirr16"));
    Mirr16->bind(company, QStringLiteral("Razão"));
    Mirr16->setAlwaysReadOnly(true);
    cl->addWidget(label(companyBox, QStringLiteral("LabelMarca"), QStringLiteral("Marca:"), Mirr15), 0, 0);
    cl->addWidget(Mirr15, 0, 1, Qt::AlignLeft);
    cl->addWidget(label(companyBox, QStringLiteral("LabelEmpresa"), QStringLiteral("Empresa ativa;"), Mirr16), 1, 0);
    cl->addWidget(Mirr16, 1, 1);

    // Profile copy between users.
    btnCOPIAR = new QPushButton(QStringLiteral("Copia Perfil"), this);
    btnCOPIAR->setObjectName(QStringLiteral("btnCOPIAR"));
    btnCOPIAR->setToolTip(QStringLiteral("Copia todo o Perfil do Usuário ..!"));
    btnCOLAR = new QPushButton(QStringLiteral("Iguala liberação"), this);
    btnCOLAR->setObjectName(QStringLiteral("btnCOLAR"));
    btnCOLAR->setToolTip(QStringLiteral("Iguala o Perfil para este Usuário ..!"));
    auto *profileRow = new QHBoxLayout;
    profileRow->addWidget(btnCOPIAR);
    profileRow->addWidget(btnCOLAR);
    profileRow->addStretch(1);

    auto *left = new QVBoxLayout;
    left->addWidget(userBox);
    left->addLayout(profileRow);
    left->addWidget(companyBox);
    left->addStretch(1);

    auto *right = new QVBoxLayout;
    right->addWidget(buildAccessGroup());
    right->addWidget(buildOptionsGroup(), 1);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 3);
    layout->addLayout(right, 2);
}

QWidget *RecordPage::buildAccessGroup()
{
    // Kept as it stands on the page; nothing reads or changes these controls.
    auto *box = new QGroupBox(QStringLiteral("Tipos de Acesso"), this);
    box->setObjectName(QStringLiteral("GroupBoxAcesso"));
    auto *grid = new QGridLayout(box);
    const char *const boxes[] = {"Acesso", "Inclusão", "Alteração", "Exclusão", "Impressão"};
    int i = 0;
    for (const char *text : boxes) {
        auto *c = new QCheckBox(QString::fromUtf8(text), box);
        c->setObjectName(QStringLiteral("CheckAcesso%1").arg(i + 1));
        grid->addWidget(c, i / 3, i % 3);
        ++i;
    }
    auto *buttons = new QHBoxLayout;
    const char *const captions[] = {"Alterar", "Gravar", "Sair"};
    const char *const names[] = {"BtnAlterar", "BtnGravar", "BtnSair"};
    for (int b = 0; b < 3; ++b) {
        auto *button = new QPushButton(QString::fromUtf8(captions[b]), box);
        button->setObjectName(QString::fromLatin1(names[b]));
        button->setEnabled(b != 1);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    grid->addLayout(buttons, 2, 0, 1, 3);
    return box;
}

QWidget *RecordPage::buildOptionsGroup()
{
    auto *box = new QGroupBox(QStringLiteral("Opções"), this);
    box->setObjectName(QStringLiteral("GroupBoxOpcoes"));
    auto *l = new QVBoxLayout(box);
    TreeView1 = new QTreeWidget(box);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setColumnCount(1);
    const QList<TreeEntry> entries{
        {"Vendas",
         {{"Cadastro Básico", {}},
          {"Cadastro de Grupos", {}},
          {"Cadastro de Pessoa Física  ou Jurídica", {}},
          {"Solicitação interna de orçamento", {}},
          {"Cadastro de Orçamento", {}},
          {"Vendedores", {}},
          {"Profissão", {}},
          {"Natureza Operação", {}}}},
        {"Movimento",
         {{"Entrada Produto", {}},
          {"Saída Produto", {}},
          {"Assistência Têcnica", {}},
          {"Venda / Orçamento", {}},
          {"Pendências", {}},
          {"Visualização N.F", {}}}},
        {"Financeiro", {{"Débito", {}}, {"Crédito", {}}}},
        {"Relatórios",
         {{"Cliente", {{"Geral", {}}}},
          {"Fornecedor", {{"Geral", {}}}},
          {"Estoque", {{"Geral Produto", {}}, {"Etiqueta Codigo de Barra", {}}}}}},
        {"Utilitários", {{"Backup", {}}, {"Configuração de Sistema", {}}, {"Acesso", {}}}},
        {"Integração", {{"Banco Real", {}}}},
    };
    addEntries(TreeView1, nullptr, entries);
    TreeView1->expandAll();
    l->addWidget(TreeView1);
    return box;
}
