#include "users/RightsPage.h"

#include "connection/DataSource.h"
#include "users/OptionCombo.h"
#include "widgets/DbControls.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString dashes = QStringLiteral("---------------------------------");

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// A tab's content in a scroll area, so that the page stays usable in a small window.
QWidget *scrolled(QWidget *content)
{
    auto *area = new QScrollArea;
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    return area;
}

QHBoxLayout *indented(QWidget *w)
{
    auto *row = new QHBoxLayout;
    row->setContentsMargins(22, 0, 0, 0);
    row->addWidget(w);
    row->addStretch(1);
    return row;
}

} // namespace

RightsPage::RightsPage(DataSource *users, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("RightsPage"));
    PageControl2 = new QTabWidget(this);
    PageControl2->setObjectName(QStringLiteral("PageControl2"));
    PageControl2->setTabPosition(QTabWidget::West);
    PageControl2->addTab(scrolled(buildVendasEngenharia(users)), QStringLiteral(" Vendas e Engenharia "));
    PageControl2->addTab(scrolled(buildPcpCompras(users)), QStringLiteral(" PCP e Compras "));
    PageControl2->addTab(scrolled(buildFaturamento(users)), QStringLiteral(" Faturamento, RH, Financeiro "));
    PageControl2->addTab(scrolled(buildQualidade()), QStringLiteral(" Qualidade "));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl2);
}

QGroupBox *RightsPage::section(QWidget *parent, const QString &name, const QString &heading, QVBoxLayout *&layout)
{
    auto *box = new QGroupBox(parent);
    box->setObjectName(QStringLiteral("Group") + name);
    layout = new QVBoxLayout(box);
    layout->setSpacing(3);
    // The heading is a ticked box that nothing reads; it cannot be unticked.
    auto *head = new QCheckBox(heading, box);
    head->setObjectName(QStringLiteral("CheckBox") + name);
    head->setChecked(true);
    // Shown with its accelerator letter, which selects nothing: it must not take Alt+F,
    // Alt+E or Alt+R from the toolbar and the record page.
    head->setShortcut(QKeySequence());
    head->setAttribute(Qt::WA_TransparentForMouseEvents);
    head->setFocusPolicy(Qt::NoFocus);
    connect(head, &QCheckBox::toggled, head, [head](bool on) {
        if (!on)
            head->setChecked(true);   // its accelerator must not untick it either
    });
    QFont bold = head->font();
    bold.setBold(true);
    head->setFont(bold);
    headings << head;
    layout->addWidget(head);
    return box;
}

DbCheckBox *RightsPage::right(QWidget *parent, QVBoxLayout *layout, DataSource *users, const QString &column,
                              const QString &caption, const QString &name)
{
    auto *box = new DbCheckBox(caption, parent);
    box->setObjectName(name.isEmpty() ? QStringLiteral("DBCheck") + column : name);
    box->bind(users, column);
    rightBoxes << box;
    layout->addWidget(box);
    return box;
}

QCheckBox *RightsPage::moduleBox(QWidget *parent, QVBoxLayout *layout, const QString &name, const QString &caption)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setEnabled(false);
    layout->addWidget(box);
    return box;
}

QWidget *RightsPage::buildVendasEngenharia(DataSource *users)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("TabVendasEngenharia"));
    auto *columns = new QHBoxLayout(page);
    columns->setContentsMargins(4, 4, 4, 4);

    QVBoxLayout *v = nullptr;
    QGroupBox *vBox = section(page, QStringLiteral("Vendas"), QStringLiteral("&Vendas"), v);
    const char *const vendasCaptions[] = {
        "Cadastro básico",
        "Cadastro dos Grupos de Clientes",
        "Cadastro de Pessoa F.J.",
        "Solicitação interna de orçamento",
        "Emissão orçamentos de Venda (Peças e Serviços)",
        "Limpeza de Peças Duplicadas",
        "Reajuste de Preços",
        "Mala direta com a PessoaFJ",
    };
    for (int p = 1; p <= 8; ++p) {
        vendas[p] = moduleBox(vBox, v, QStringLiteral("Vendas%1").arg(p, 2, 10, QLatin1Char('0')), text(vendasCaptions[p - 1]));
        if (p == 3) {
            // The option belongs to position 3: shown right under its box.
            Vendas21 = new OptionCombo(vBox);
            Vendas21->setObjectName(QStringLiteral("Vendas21"));
            Vendas21->setEnabled(false);
            v->addLayout(indented(Vendas21));
        }
    }
    CheckBox7 = new QCheckBox(dashes, vBox);
    CheckBox7->setObjectName(QStringLiteral("CheckBox7"));
    CheckBox7->setEnabled(false);
    v->addWidget(CheckBox7);
    vendas[25] = moduleBox(vBox, v, QStringLiteral("Vendas25"),
                           text("Liberação de Faturamento/Cancelamento de NFe no Orçamento"));
    v->addStretch(1);

    QVBoxLayout *e = nullptr;
    QGroupBox *eBox = section(page, QStringLiteral("Engenharia"), QStringLiteral("&Engenharia"), e);
    right(eBox, e, users, QStringLiteral("Eng0"), text("Cadastro básico {eng0}"));
    right(eBox, e, users, QStringLiteral("Eng1"), text("Cadastro da estrutura de Produtos {eng1}"));
    right(eBox, e, users, QStringLiteral("Libera_precos"), text("Alteração dos Preços de Venda, Compras e Serviços"));
    right(eBox, e, users, QStringLiteral("Eng2"), text("Componentes de Fabricados, incorporados MRPI ..  {eng2}"));
    right(eBox, e, users, QStringLiteral("Eng3"), text("Matéria Prima via RM e MRPI"));
    right(eBox, e, users, QStringLiteral("Eng4"), text("Processos de Produtos"));
    right(eBox, e, users, QStringLiteral("Eng5"), text("Cálculo de Dobras"));
    right(eBox, e, users, QStringLiteral("Eng6"), text("Relatórios"));
    e->addStretch(1);

    columns->addWidget(vBox, 1, Qt::AlignTop);
    columns->addWidget(eBox, 1, Qt::AlignTop);
    return page;
}

QWidget *RightsPage::buildPcpCompras(DataSource *users)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("TabPcpCompras"));
    auto *columns = new QHBoxLayout(page);
    columns->setContentsMargins(4, 4, 4, 4);

    QVBoxLayout *p = nullptr;
    QGroupBox *pBox = section(page, QStringLiteral("PCP"), QStringLiteral("&PCP"), p);
    right(pBox, p, users, QStringLiteral("Pcp0"), text("Cadastro básico {PCP0}"));
    right(pBox, p, users, QStringLiteral("Pcp2"), text("Programação Nova {PCP2}"));
    right(pBox, p, users, QStringLiteral("Pcp3"), text("Plano Mestre  {PCP3}"));
    // Two boxes over the same column: they always show the same state.
    right(pBox, p, users, QStringLiteral("Pcp5"), text("Work Load  {PCP5}"));
    right(pBox, p, users, QStringLiteral("Pcp5"), text("Emissão das OPs {PCP5}"), QStringLiteral("DBCheckPcp5OPs"));
    right(pBox, p, users, QStringLiteral("Pcp6"), text("Apontamento Manual OFs {PCP6}"));
    right(pBox, p, users, QStringLiteral("Pcp7"), text("Gerenciar apontamentos de O.F.s {PCP7}"));
    right(pBox, p, users, QStringLiteral("Pcp8"), text("Movimento Kardex {PCP8}"));
    right(pBox, p, users, QStringLiteral("Pcp9"), text("Inventário mensal {PCP9}"));
    right(pBox, p, users, QStringLiteral("Pcp10"), text("Follow Up Materiais {PCP10}"));
    right(pBox, p, users, QStringLiteral("Pcp11"), text("Retorno Materiais em Terceiros {PCP11}"));
    right(pBox, p, users, QStringLiteral("Pcp12"), text("Carga Máquina {PCP12}"));
    right(pBox, p, users, QStringLiteral("Pcp13"), text("Relatórios gerais {PCP13}"));
    right(pBox, p, users, QStringLiteral("Pcp20"), text("Relatórios estatísticos {PCP20}"));
    p->addStretch(1);

    QVBoxLayout *c = nullptr;
    QGroupBox *cBox = section(page, QStringLiteral("Compras"), QStringLiteral("&Compras  (ComprasFLAGS)"), c);
    const char *const comprasCaptions[] = {
        "Cadastro básico [0]",
        "Emitir Pedidos Materiais [1]",
        "Baixa Pedido Materiais (NFe entrada) [2]",
        "Follow up e performance de compras [4]",
        "Conferência das Notas de Fornecedores [5]",
        "Reajuste preço Materiais [6]",
        "---------------------------------",
        "Requisições (Mesas no Bar) [8]",
        "Certificados [9]",
        "Criação e exclusão Títulos de Prescrição Médica [10]",
        "Controlde de Visitantes [11]",
        "Reservas de Leitos [12]",
    };
    for (int n = 1; n <= 12; ++n) {
        compras[n] = moduleBox(cBox, c, QStringLiteral("Compras%1").arg(n, 2, 10, QLatin1Char('0')), text(comprasCaptions[n - 1]));
        if (n == 3) {
            Compras21 = new OptionCombo(cBox);
            Compras21->setObjectName(QStringLiteral("Compras21"));
            Compras21->setEnabled(false);
            c->addLayout(indented(Compras21));
        }
    }
    // The separator box shows its caption in red.
    QPalette red = compras[7]->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    red.setColor(QPalette::Disabled, QPalette::WindowText, QColor(220, 110, 110));
    compras[7]->setPalette(red);
    c->addStretch(1);

    // The two signatures side by side under the purchases boxes.
    auto *signatures = new QHBoxLayout;
    signatures->setSpacing(4);
    signatures->addWidget(signature(page, users, QStringLiteral("Assinatura Comprador"), QStringLiteral("cxDBPhoto"),
                                    QStringLiteral("Assinatura_Compras"), cxDBPhoto));
    signatures->addWidget(signature(page, users, QStringLiteral("Assinatura Diretor"), QStringLiteral("cxDBImage1"),
                                    QStringLiteral("Assinatura_Diretoria"), cxDBImage1));
    auto *right = new QVBoxLayout;
    right->addWidget(cBox);
    right->addLayout(signatures);
    right->addStretch(1);

    columns->addWidget(pBox, 4, Qt::AlignTop);
    columns->addLayout(right, 5);
    return page;
}

QWidget *RightsPage::signature(QWidget *parent, DataSource *users, const QString &title, const QString &name,
                               const QString &column, DbImage *&image)
{
    auto *box = new QGroupBox(title, parent);
    box->setObjectName(name + QStringLiteral("Group"));
    auto *l = new QVBoxLayout(box);
    l->setContentsMargins(6, 6, 6, 6);
    image = new DbImage(box);
    image->setObjectName(name);
    image->bind(users, column);
    image->setMinimumSize(160, 100);
    l->addWidget(image);

    // Commands that put a picture into the box or take it out; each needs the record to be
    // changeable (unlocked, or already in edit).
    DbImage *target = image;
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    auto button = [&](const QString &suffix, const QString &caption, const QString &hint) {
        auto *b = new QToolButton(box);
        b->setObjectName(name + suffix);
        b->setText(caption);
        b->setToolTip(hint);
        buttons->addWidget(b);
        return b;
    };
    QToolButton *load = button(QStringLiteral("Carregar"), QStringLiteral("Carregar..."),
                               QStringLiteral("Carrega a assinatura de um arquivo de imagem ..!"));
    QToolButton *paste = button(QStringLiteral("Colar"), QStringLiteral("Colar"),
                                QStringLiteral("Cola a imagem da área de transferência ..!"));
    QToolButton *clear = button(QStringLiteral("Limpar"), QStringLiteral("Limpar"),
                                QStringLiteral("Remove a assinatura ..!"));
    buttons->addStretch(1);
    l->addLayout(buttons);

    connect(load, &QToolButton::clicked, target, [target] {
        const QString path = QFileDialog::getOpenFileName(target->window(), QStringLiteral("Assinatura"), QString(),
                                                          QStringLiteral("Imagens (*.jpg *.jpeg *.png *.bmp)"));
        if (!path.isEmpty())
            target->loadFromFile(path);
    });
    connect(paste, &QToolButton::clicked, target, [target] {
        const QImage image = QApplication::clipboard()->image();
        if (!image.isNull())
            target->setPicture(image);
    });
    connect(clear, &QToolButton::clicked, target, [target] { target->clearPicture(); });
    return box;
}

QWidget *RightsPage::buildFaturamento(DataSource *users)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("TabFaturamento"));
    auto *columns = new QHBoxLayout(page);
    columns->setContentsMargins(4, 4, 4, 4);

    QVBoxLayout *f = nullptr;
    QGroupBox *fBox = section(page, QStringLiteral("Faturamento"), QStringLiteral("&Faturamento"), f);
    right(fBox, f, users, QStringLiteral("Fat0"), text("Cadastro básico (Btn Faturar Valdor)"));
    right(fBox, f, users, QStringLiteral("Fat1"), text("Emissão NFes (Faturar BPA Valdor)"));
    right(fBox, f, users, QStringLiteral("Fat8"), text("Relatórios"));
    right(fBox, f, users, QStringLiteral("Fat20"), text("ABC Demonstrativo"));
    right(fBox, f, users, QStringLiteral("Fat31"), text("Troca destrutiva Programa de Pedidos (Tela Produtos Fat31) "));
    right(fBox, f, users, QStringLiteral("Fat32"), text("Recebe email de Pedidos Venda Novos (Tela Produtos)"));
    right(fBox, f, users, QStringLiteral("Fat33"), text("Cadastra CFOPs e Estados (Fat33)"));
    f->addStretch(1);

    QVBoxLayout *r = nullptr;
    QGroupBox *rBox = section(page, QStringLiteral("RH"), QStringLiteral("&RH"), r);
    right(rBox, r, users, QStringLiteral("RH0"), text("Cadastro básico"));
    right(rBox, r, users, QStringLiteral("RH1"), text("Funcionários"));
    right(rBox, r, users, QStringLiteral("RH10"), text("Emissão de Holerites"));
    r->addStretch(1);

    QVBoxLayout *n = nullptr;
    QGroupBox *nBox = section(page, QStringLiteral("Financeiro"), QStringLiteral("&Financeiro"), n);
    right(nBox, n, users, QStringLiteral("Financ0"), text("Cadastro básico"));
    right(nBox, n, users, QStringLiteral("Financ1"), text("Custo integrado"));
    right(nBox, n, users, QStringLiteral("Financ2"), text("Contas à pagar"));
    right(nBox, n, users, QStringLiteral("Financ3"), text("Contas à receber"));
    right(nBox, n, users, QStringLiteral("Financ7"), text("Emissão de Cheques"));
    right(nBox, n, users, QStringLiteral("Financ5"), text("Notas Entrada"));
    right(nBox, n, users, QStringLiteral("Financ8"), text("Relatórios"));
    n->addStretch(1);

    columns->addWidget(fBox, 3, Qt::AlignTop);
    columns->addWidget(rBox, 2, Qt::AlignTop);
    columns->addWidget(nBox, 2, Qt::AlignTop);
    return page;
}

QWidget *RightsPage::buildQualidade()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("TabQualidade"));
    auto *columns = new QHBoxLayout(page);
    columns->setContentsMargins(4, 4, 4, 4);
    QVBoxLayout *q = nullptr;
    QGroupBox *qBox = section(page, QStringLiteral("Qualidade"), QStringLiteral("&Qualidade"), q);
    qualidade[1] = moduleBox(qBox, q, QStringLiteral("Qualidade01"), text("Cadastro básico"));
    qualidade[2] = moduleBox(qBox, q, QStringLiteral("Qualidade02"), text("Plano de Inspeção"));
    q->addStretch(1);
    columns->addWidget(qBox, 1, Qt::AlignTop);
    columns->addStretch(2);
    return page;
}
