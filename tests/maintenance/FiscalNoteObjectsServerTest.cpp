// Own invoices and returns: an authorised invoice moves its items' stock once, its cancellation
// moves it back; delivery schedules, closed sales orders and the authorised XML follow; goods
// sent out for processing are tracked at the third party and what comes back is posted.
#include "MultiRowFixture.h"

namespace {

const QString Declaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
const QString Customer = QStringLiteral("Metalúrgica Cliente Alfa Indústria e Comércio de Peças Ltda");

class FiscalNoteObjectsTest : public MultiRowObjectsTest
{
protected:
    void SetUp() override
    {
        MultiRowObjectsTest::SetUp();
        equalize();
        installed(QStringLiteral("GNRBaixaEstornoNFes"));
        installed(QStringLiteral("GNRSaldoNotasTerceiros"));
        installed(QStringLiteral("GNRSaldoTerceirosRETORNA"));
        exec(QStringLiteral("UPDATE PessoaFJ SET NFe_RegimeFiscal = 3 WHERE Ativa = 1"));
        issuer = value(QStringLiteral("SELECT IdPess FROM PessoaFJ WHERE Ativa = 1")).toInt();
        customer = insert(
            QStringLiteral("INSERT INTO PessoaFJ (Razão, CNPJ) VALUES (N'%1', N'11222333000181')").arg(Customer));
        exec(QStringLiteral(
            "INSERT INTO NatFiscal (Código, CodNatF, Saída, VEstoque, OK_CMPL, Ctrl_Terceiros) VALUES "
            "(N'V5101', N'X5101', 1, 1, 0, 0), (N'E1101', N'X1101', 0, 1, 0, 0), (N'V5949', N'X5949', 1, 0, 0, 0), "
            "(N'R5901', N'X5901', 1, 0, 0, 1), (N'C5101', N'X5101C', 1, 1, 1, 0)"));
    }
    int product(double stock, int finalPhase = 0)
    {
        return insert(
            QStringLiteral("INSERT INTO Produtos (Produto, Estoque, Und, HFase, KDXok) VALUES (N'P', %1, N'PC', %2, 1)")
                .arg(stock)
                .arg(finalPhase));
    }
    int piece(int product, int phase = 0)
    {
        return insert(QStringLiteral("INSERT INTO Peças (Código, IdConjunto, IdPess, FaseP) VALUES (N'PC', %1, %2, %3)")
                          .arg(product)
                          .arg(customer)
                          .arg(phase));
    }
    int invoice(const QString &number, const QString &nature, const QString &more = QString(),
                const QString &values = QString())
    {
        return insert(QStringLiteral("INSERT INTO Notas (NotaNº, CodNat, IdPess, IdEmp, Emissão, RespNF%3) VALUES "
                                     "(N'%1', N'%2', %4, %5, '2026-12-01T00:00:00', N'Maria Faturista'%6)")
                          .arg(number, nature, more.isEmpty() ? QString() : QStringLiteral(", ") + more)
                          .arg(customer)
                          .arg(issuer)
                          .arg(values.isEmpty() ? QString() : QStringLiteral(", ") + values));
    }
    int item(int invoice, int piece, double qty, const QString &more = QString(), const QString &values = QString())
    {
        return insert(QStringLiteral("INSERT INTO [Itens Nota] (IdNota, IdPeça, Qtde%4) VALUES (%1, %2, %3%5)")
                          .arg(invoice)
                          .arg(piece)
                          .arg(qty)
                          .arg(more.isEmpty() ? QString() : QStringLiteral(", ") + more,
                               values.isEmpty() ? QString() : QStringLiteral(", ") + values));
    }
    void status(int invoice, int s)
    {
        exec(QStringLiteral("UPDATE Notas SET NFe_Status = %1 WHERE IdNota = %2").arg(s).arg(invoice));
    }
    QList<QVariantList> ledger(int item, const QString &columns)
    {
        return rows(
            QStringLiteral("SELECT %1 FROM Kardex WHERE IdItemV = %2 ORDER BY IdKardex").arg(columns).arg(item));
    }
    QVariant of(const QString &table, const QString &column, const QString &key, int id)
    {
        return value(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4").arg(column, table, key).arg(id));
    }

    int issuer = 0;
    int customer = 0;
};

} // namespace

TEST_F(FiscalNoteObjectsTest, AnAuthorisedSaleLeavesStockOnceAndItsCancellationPutsItBack)
{
    const int p1 = product(100), p2 = product(50);
    const int n = invoice(QStringLiteral("1234"), QStringLiteral("X5101"));
    const int i1 = item(n, piece(p1), 10, QStringLiteral("Valor, VIcms, A_ICMS, A_PIS, A_COFINS"),
                        QStringLiteral("50, 90, 18, 1.65, 7.6"));
    const int i2 = item(n, piece(p2), 2.6, QStringLiteral("Valor"), QStringLiteral("20"));
    exec(QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, Saldo, NºLote) VALUES (%1, 0, 0, 41)").arg(product(0)));
    const int unit =
        insert(QStringLiteral("INSERT INTO ItensNF_UDs (IdPeça, Qtde, IdItem) VALUES (1, 10, %1)").arg(i1));

    status(n, 3);
    EXPECT_EQ(ledger(i1, QStringLiteral("Qtd, Saldo, Documento, Fornecedor, Operador, Data, IdMe, H_MIN_MVT, Unidade")),
              (QList<QVariantList> {{-10, 90, QStringLiteral("NFe. 001234 Emissão: 01/12/26 Qtde: 10"),
                                     Customer.left(50), QStringLiteral("Maria Faturista"),
                                     QDateTime(QDate(2026, 12, 1), QTime(0, 0)), 9, 0, QStringLiteral("PC")}}));
    // Taxes of the item and the issuer's regime; an outgoing nature prices at the product's cost.
    EXPECT_EQ(ledger(i1, QStringLiteral("ICMk, PisCofinsK, Preço, PMPk, [Preço Médio], IdRec, NºLote")),
              (QList<QVariantList> {{18, 9.25, 50, 50, 50, 0, 42}}));
    EXPECT_EQ(rows(QStringLiteral("SELECT LastIdK, Estoque, PMPP, PMPL, CTMat FROM Produtos WHERE IdProd = %1").arg(p1))
                  .value(0),
              (QVariantList {ledger(i1, QStringLiteral("IdKardex")).value(0).value(0), 90, 50, 50, 50}));
    // 2.6 pieces: the text shows a whole number, the movement the quantity.
    const QList<QVariantList> second = ledger(i2, QStringLiteral("Qtd, Documento, NºLote"));
    ASSERT_EQ(second.size(), 1);
    EXPECT_NEAR(second[0][0].toDouble(), -2.6, 1e-6);
    EXPECT_TRUE(second[0][1].toString().endsWith(QLatin1String(" Qtde: 3"))) << second[0][1].toString().toStdString();
    EXPECT_EQ(second[0][2].toInt(), 43);
    EXPECT_EQ(
        rows(QStringLiteral(
                 "SELECT NFe_CodeProtocolo, Cancelada, NFe_NumLote, CASE WHEN Nome_Host IS NULL THEN 0 ELSE 1 END "
                 "FROM Notas WHERE IdNota = %1")
                 .arg(n))
            .value(0),
        (QVariantList {100, false, 1234, 1}));

    // Authorised again: nothing new.
    status(n, 3);
    EXPECT_EQ(count(QStringLiteral("Kardex WHERE IdItemV IN (%1, %2)").arg(i1).arg(i2)), 2);

    status(n, 5);
    EXPECT_EQ(ledger(i1, QStringLiteral("Qtd, Saldo, Documento, IdRec, NºLote")),
              (QList<QVariantList> {{-10, 90, QStringLiteral("NFe. 001234 Emissão: 01/12/26 Qtde: 10"), 0, 0},
                                    {10, 100, QStringLiteral("Est.NF.Nº: 001234 Emissão: 01/12/26 Qtde: 10"), 0, 0}}));
    EXPECT_EQ(count(QStringLiteral("Kardex WHERE IdItemV = %1 AND Qtd > 2.5").arg(i2)), 1);
    EXPECT_EQ(of(QStringLiteral("Produtos"), QStringLiteral("Estoque"), QStringLiteral("IdProd"), p1).toDouble(), 100);
    EXPECT_EQ(rows(QStringLiteral("SELECT NFe_CodeProtocolo, Cancelada FROM Notas WHERE IdNota = %1").arg(n)).value(0),
              (QVariantList {101, true}));
    EXPECT_EQ(of(QStringLiteral("ItensNF_UDs"), QStringLiteral("IdItem"), QStringLiteral("IdUD"), unit).toInt(), 0);
}

TEST_F(FiscalNoteObjectsTest, AnAuthorisedPurchaseEntersAtItsTaxBaseAndAnImportAsksForALedgerReview)
{
    const int p = product(5);
    const int n = invoice(QStringLiteral("77"), QStringLiteral("X1101"));
    const int i =
        item(n, piece(p), 10, QStringLiteral("Valor, VBaseICMS, CFOPtxt"), QStringLiteral("280, 300, N'3101'"));
    status(n, 3);
    EXPECT_EQ(ledger(i, QStringLiteral("Qtd, Saldo, Preço, IdRec")), (QList<QVariantList> {{10, 15, 30, 1}}));
    EXPECT_EQ(of(QStringLiteral("Produtos"), QStringLiteral("KDXok"), QStringLiteral("IdProd"), p).toInt(), 0);

    // The issuer whose prices come from the product value of the NF-e; a complement invoice.
    exec(QStringLiteral("UPDATE PessoaFJ SET CNPJ = N'52806417000193' WHERE IdPess = %1").arg(issuer));
    const int m = invoice(QStringLiteral("78"), QStringLiteral("X1101"));
    const int j = item(m, piece(p), 4, QStringLiteral("Valor, VBaseICMS, Nfe_vProd"), QStringLiteral("40, 44, 41.5"));
    const int c = invoice(QStringLiteral("79"), QStringLiteral("X5101C"));
    const int k = item(c, piece(p), 1, QStringLiteral("Valor"), QStringLiteral("12"));
    exec(QStringLiteral("UPDATE Notas SET NFe_Status = 3 WHERE IdNota IN (%1, %2)").arg(m).arg(c));
    EXPECT_EQ(ledger(j, QStringLiteral("Qtd, Preço")), (QList<QVariantList> {{4, 41.5}}));
    EXPECT_EQ(ledger(k, QStringLiteral("Qtd, H_MIN_MVT, NºLote")), (QList<QVariantList> {{-1, 1, 0}}));
}

TEST_F(FiscalNoteObjectsTest, WithoutStockTheSchedulesClosedOrdersAndTheEnvelopeAreStillProcessed)
{
    const int p = product(0);
    const int a = piece(p);
    const int order =
        insert(QStringLiteral("INSERT INTO PedVenda (IdPeça, LQPV, pTipo, sLQPV) VALUES (%1, 100, 9, 999)").arg(a));
    const int open =
        insert(QStringLiteral("INSERT INTO PedVenda (IdPeça, LQPV, pTipo, sLQPV) VALUES (%1, 100, 0, 5)").arg(a));
    const int r1 = insert(QStringLiteral("INSERT INTO Programas (IdPeça, IdAuto, IdPedVenda, Data, Qtd, NFs_Baixa) "
                                         "VALUES (%1, 7, %2, '2026-12-01', 50, N'x')")
                              .arg(a)
                              .arg(order));
    const int r2 =
        insert(QStringLiteral(
                   "INSERT INTO Programas (IdPeça, IdAuto, IdPedVenda, Data, Qtd) VALUES (%1, 7, %2, '2026-12-10', 50)")
                   .arg(a)
                   .arg(order));
    const int undated = insert(
        QStringLiteral(
            "INSERT INTO Programas (IdPeça, IdAuto, IdPedVenda, Data, Qtd, QtdLIQ_Acm) VALUES (%1, 8, %2, NULL, 20, 9)")
            .arg(a)
            .arg(order));

    const QString body = QStringLiteral(
        "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe Id=\"NFe3526\" versao=\"4.00\"></infNFe></NFe>");
    const int n = invoice(
        QStringLiteral("2001"), QStringLiteral("X5949"),
        QStringLiteral("IdForma, NFe_Final, NFe_XML, NFe_chave, NFe_NumProtocolo, NFe_DataProtocolo"),
        QStringLiteral(
            "1, 1, N'%1', N'35261290817263000169550010000020011000020010', N'135260001234567', '2026-12-02T14:05:09'")
            .arg(Declaration + body));
    exec(QStringLiteral("INSERT INTO Notas_XMLs (IdNota, DigestValue) VALUES (%1, N'q1w2e3r4t5y6u7i8o9p0=')").arg(n));
    item(n, a, 30, QStringLiteral("IdPdv, IdAuto"), QStringLiteral("%1, 7").arg(order));
    status(n, 3);

    EXPECT_EQ(count(QStringLiteral("Kardex WHERE IdProd = %1").arg(p)), 0);
    const QString schedule = QStringLiteral(
        "SELECT QtdLIQ_Acm, QtdNF_Soma, QtdSaldo, NFCorteN, ContatoN, NFs_Baixa FROM Programas WHERE IdPrograma = %1");
    EXPECT_EQ(rows(schedule.arg(r1)).value(0),
              (QVariantList {50, 30, 20, QStringLiteral("NF-2001"), QString(""), QVariant()}));
    // 100 delivered up to it less 30 invoiced is 70, held to its own 50.
    EXPECT_EQ(rows(schedule.arg(r2)).value(0),
              (QVariantList {100, 30, 50, QStringLiteral("NF-2001"), QString(""), QVariant()}));
    EXPECT_EQ(rows(schedule.arg(undated)).value(0).value(0).toDouble(), 0);
    EXPECT_EQ(of(QStringLiteral("PedVenda"), QStringLiteral("sLQPV"), QStringLiteral("IdPedVenda"), order).toDouble(),
              30);
    EXPECT_EQ(of(QStringLiteral("PedVenda"), QStringLiteral("sLQPV"), QStringLiteral("IdPedVenda"), open).toDouble(),
              5);

    // Read as a sized text: through the dataset an nvarchar(max) column comes back empty.
    const QString envelope =
        value(QStringLiteral("SELECT CAST(NFe_XMLn AS nvarchar(4000)) FROM Notas WHERE IdNota = %1").arg(n)).toString();
    EXPECT_EQ(
        envelope,
        Declaration + QStringLiteral("<nfeProc xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\">") + body
            + QStringLiteral("<protNFe versao=\"4.00\"><infProt><tpAmb>1</tpAmb><verAplic>Quorvel NFe4.00.0</verAplic>"
                             "<chNFe>35261290817263000169550010000020011000020010</"
                             "chNFe><dhRecbto>2026-12-02T14:05:09-03:00</dhRecbto>"
                             "<nProt>135260001234567</nProt><digVal>q1w2e3r4t5y6u7i8o9p0=</digVal><cStat>100</cStat>"
                             "<xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe></nfeProc>"));
    EXPECT_EQ(envelope.count(QLatin1String("<?xml")), 1);

    // A second invoice brings the total to 120: both schedules are covered; its XML lacks the
    // protocol number, so the envelope is empty.
    const int m = invoice(QStringLiteral("2005"), QStringLiteral("X5949"), QStringLiteral("Vcto1, NFe_Final, NFe_XML"),
                          QStringLiteral("30, 1, N'%1'").arg(body));
    exec(QStringLiteral("INSERT INTO Notas_XMLs (IdNota, DigestValue) VALUES (%1, N'z=')").arg(m));
    item(m, a, 90, QStringLiteral("IdPdv, IdAuto"), QStringLiteral("%1, 7").arg(order));
    status(m, 3);
    EXPECT_EQ(rows(schedule.arg(r1)).value(0),
              (QVariantList {50, 120, 0, QStringLiteral("NF-2001"), QStringLiteral("..2005"), QVariant()}));
    EXPECT_EQ(rows(schedule.arg(r2)).value(0).value(2).toDouble(), 0);
    EXPECT_EQ(of(QStringLiteral("PedVenda"), QStringLiteral("sLQPV"), QStringLiteral("IdPedVenda"), order).toDouble(),
              120);
    EXPECT_TRUE(
        value(QStringLiteral("SELECT CAST(NFe_XMLn AS nvarchar(4000)) FROM Notas WHERE IdNota = %1").arg(m)).isNull());
}

TEST_F(FiscalNoteObjectsTest, InvoicesAuthorisedAndCancelledTogetherEndAsOneAtATime)
{
    const int p1 = product(100), p2 = product(40), sentOut = product(0);
    const int a = piece(p1), b = piece(p2);
    const int order = insert(QStringLiteral("INSERT INTO PedVenda (IdPeça, LQPV, pTipo) VALUES (%1, 100, 9)").arg(a));
    insert(QStringLiteral(
               "INSERT INTO Programas (IdPeça, IdAuto, IdPedVenda, Data, Qtd) VALUES (%1, 7, %2, '20261201', 50)")
               .arg(a)
               .arg(order));
    // The third-party invoice first, so that no other invoice of the statement is the one read last.
    const int sent = invoice(QStringLiteral("500"), QStringLiteral("X5901"));
    item(sent, piece(sentOut), 20, QStringLiteral("SdoN"), QStringLiteral("20"));
    // Numbers 999 and 1000 on one schedule; a purchase numbered as text, with an item of quantity 0.
    const int n999 = invoice(QStringLiteral("999"), QStringLiteral("X5101"), QStringLiteral("IdForma, NFe_Final"),
                             QStringLiteral("1, 1"));
    item(n999, a, 10, QStringLiteral("IdPdv, IdAuto"), QStringLiteral("%1, 7").arg(order));
    const int n1000 = invoice(QStringLiteral("1000"), QStringLiteral("X5101"), QStringLiteral("IdForma, NFe_Final"),
                              QStringLiteral("1, 1"));
    item(n1000, a, 5, QStringLiteral("IdPdv, IdAuto"), QStringLiteral("%1, 7").arg(order));
    item(n1000, b, 3, QStringLiteral("Valor"), QStringLiteral("9"));
    const int purchase = invoice(QStringLiteral("S/N"), QStringLiteral("X1101"));
    const int zero = item(purchase, b, 0, QStringLiteral("Valor, VBaseICMS"), QStringLiteral("0, 30"));

    const QList<int> notes {sent, n999, n1000, purchase};
    const auto together = [&](int s) {
        QStringList ids;
        for (int n : notes)
            ids << QString::number(n);
        return QStringLiteral("UPDATE Notas SET NFe_Status = %1 WHERE IdNota IN (%2)").arg(s).arg(ids.join(u','));
    };
    const auto apart = [&](int s) {
        QStringList out;
        for (int n : notes)
            out << QStringLiteral("UPDATE Notas SET NFe_Status = %1 WHERE IdNota = %2").arg(s).arg(n);
        return out;
    };
    const QStringList reads {
        QStringLiteral(
            "SELECT IdItemV, IdProd, Qtd, Saldo, Documento, Preço, PMPk, NºLote, IdRec, H_MIN_MVT FROM Kardex "
            "WHERE IdItemV > 0 ORDER BY IdKardex"),
        QStringLiteral(
            "SELECT IdProd, Estoque, PMPL, CTMat, MTerc, KDXok, CASE WHEN LastIdK = (SELECT MAX(k.IdKardex) "
            "FROM Kardex k WHERE k.IdProd = Produtos.IdProd) THEN 1 ELSE 0 END FROM Produtos ORDER BY IdProd"),
        QStringLiteral("SELECT IdNota, NFe_CodeProtocolo, Cancelada, NFe_NumLote FROM Notas ORDER BY IdNota"),
        QStringLiteral(
            "SELECT IdPrograma, QtdLIQ_Acm, QtdNF_Soma, QtdSaldo, NFCorteN, ContatoN FROM Programas ORDER BY "
            "IdPrograma"),
        QStringLiteral("SELECT IdPedVenda, sLQPV FROM PedVenda ORDER BY IdPedVenda")};
    const MultiRowCase cases[] = {
        {"authorised", {together(3)}, apart(3), reads},
        {"authorised, then cancelled", {together(3), together(5)}, apart(3) + apart(5), reads},
        // A Portuguese login reads dates day first: nothing the objects write may depend on it.
        {"under a Portuguese login",
         {QStringLiteral("SET LANGUAGE Português"), QStringLiteral("SET DATEFORMAT dmy"), together(3),
          QStringLiteral("SET LANGUAGE us_english")},
         {together(3)},
         reads},
    };
    for (const MultiRowCase &c : cases)
        expectSameAsOneAtATime(c);

    exec(together(3));
    EXPECT_EQ(ledger(zero, QStringLiteral("Qtd, Preço")), (QList<QVariantList> {{0, 0}}));
    EXPECT_EQ(rows(QStringLiteral("SELECT NFCorteN, ContatoN FROM Programas WHERE IdPedVenda = %1").arg(order)),
              (QList<QVariantList> {{QStringLiteral("NF-999"), QStringLiteral("..1000")}}));
    EXPECT_EQ(of(QStringLiteral("Notas"), QStringLiteral("NFe_NumLote"), QStringLiteral("IdNota"), purchase).toInt(),
              0);
    EXPECT_EQ(of(QStringLiteral("Notas"), QStringLiteral("NFe_NumLote"), QStringLiteral("IdNota"), n999).toInt(), 999);
    EXPECT_EQ(of(QStringLiteral("Produtos"), QStringLiteral("MTerc"), QStringLiteral("IdProd"), sentOut).toDouble(),
              20);
    exec(together(5));
    EXPECT_EQ(of(QStringLiteral("Produtos"), QStringLiteral("MTerc"), QStringLiteral("IdProd"), sentOut).toDouble(), 0);
}

TEST_F(FiscalNoteObjectsTest, AFailureInsideTheItemWalkFailsThatUpdateAloneAndTheNextUpdateWorks)
{
    exec(
        QStringLiteral("CREATE TRIGGER Teste_Recusa ON Kardex AFTER INSERT AS\nSET NOCOUNT ON\nDECLARE @n int\n"
                       "IF EXISTS (SELECT 1 FROM inserted WHERE inserted.Qtd = -7) SET @n = CAST(N'recusado' AS int)"));
    const int p = product(100);
    const int refused = invoice(QStringLiteral("71"), QStringLiteral("X5101"));
    item(refused, piece(p), 2);
    item(refused, piece(p), 7);
    const int next = invoice(QStringLiteral("72"), QStringLiteral("X5101"));
    const int fine = item(next, piece(p), 1);

    EXPECT_EQ(failure(QStringLiteral("UPDATE Notas SET NFe_Status = 3 WHERE IdNota = %1").arg(refused)), 245);
    EXPECT_EQ(of(QStringLiteral("Notas"), QStringLiteral("NFe_Status"), QStringLiteral("IdNota"), refused).toInt(), 0);
    EXPECT_EQ(count(QStringLiteral("Kardex WHERE IdProd = %1").arg(p)), 0);
    status(next, 3);
    EXPECT_EQ(ledger(fine, QStringLiteral("Qtd, Saldo")), (QList<QVariantList> {{-1, 99}}));
}

namespace {

// An assembly finished outside: its piece is sent at the final phase 20 on an authorised
// invoice of a third-party nature, for the production order it serves.
class ReturnTest : public FiscalNoteObjectsTest
{
protected:
    void SetUp() override
    {
        FiscalNoteObjectsTest::SetUp();
        installed(QStringLiteral("GNREstocar_Conjuntos"));
        exec(QStringLiteral("UPDATE PessoaFJ SET Estoca_ofs = 3 WHERE Ativa = 1"));
        assembly = product(0, 20);
        phase = insert(QStringLiteral("INSERT INTO Processos (IdProd, Fase) VALUES (%1, 20)").arg(assembly));
        const int project =
            insert(QStringLiteral("INSERT INTO Projetos (Projeto, IdProdP) VALUES (4800, %1)").arg(assembly));
        order = insert(
            QStringLiteral("INSERT INTO OFs_New (IdOF, IdProd, IdPRJ, NUM_OF, MaiorFASE) VALUES (700, %1, %2, 3, 20)")
                .arg(assembly)
                .arg(project));
        sent = invoice(QStringLiteral("3001"), QStringLiteral("X5901"));
        line = item(sent, piece(assembly, 20), 100, QStringLiteral("SdoN, UIdReta, CFOPtxt"),
                    QStringLiteral("100, %1, N'5901'").arg(order));
        status(sent, 3);
        supplierInvoice = insert(QStringLiteral("INSERT INTO NFs (IdEmp, NF) VALUES (%1, 5555)").arg(customer));
    }
    int returned(double qty, const QString &when = QStringLiteral("2026-12-05T10:00:00"))
    {
        const int supplierItem =
            insert(QStringLiteral("INSERT INTO NFs_Itens (IdNF, qCom) VALUES (%1, %2)").arg(supplierInvoice).arg(qty));
        return insert(
            QStringLiteral("INSERT INTO Retorna (IdItem, IdItemNF, Qtd_recebida, DataM) VALUES (%1, %2, %3, '%4')")
                .arg(line)
                .arg(supplierItem)
                .arg(qty)
                .arg(when));
    }
    QVariantList balance()
    {
        return {
            of(QStringLiteral("[Itens Nota]"), QStringLiteral("SdoN"), QStringLiteral("IdItem"), line).toDouble(),
            of(QStringLiteral("[Itens Nota]"), QStringLiteral("SQtdeRet"), QStringLiteral("IdItem"), line).toDouble(),
            of(QStringLiteral("Produtos"), QStringLiteral("MTerc"), QStringLiteral("IdProd"), assembly).toDouble()};
    }

    int assembly = 0, phase = 0, order = 0, sent = 0, line = 0, supplierInvoice = 0;
};

} // namespace

TEST_F(ReturnTest, ReturnsLowerTheBalanceAtTheThirdPartyDownToZero)
{
    EXPECT_EQ(balance(), (QVariantList {100.0, 0.0, 100.0}));
    const int first = returned(40);
    EXPECT_EQ(balance(), (QVariantList {60.0, 40.0, 60.0}));
    const int second = returned(70);
    EXPECT_EQ(balance(), (QVariantList {0.0, 110.0, 0.0}));
    exec(QStringLiteral("DELETE FROM Retorna WHERE IdRetA = %1").arg(second));
    EXPECT_EQ(balance(), (QVariantList {60.0, 40.0, 60.0}));
    exec(QStringLiteral("UPDATE Retorna SET Qtd_recebida = 50 WHERE IdRetA = %1").arg(first));
    EXPECT_EQ(balance(), (QVariantList {50.0, 50.0, 50.0}));
}

TEST_F(ReturnTest, AReturnIsPostedOnItsOrderAndThePostingStocksTheAssembly)
{
    const int ret = returned(40);
    const QList<QVariantList> postings =
        rows(QStringLiteral("SELECT IdApoint, IdOF, IdProcesso, Registro, QtdeBoa, DataS, DataE, TGasto, nObs, "
                            "CASE WHEN DataEN IS NULL THEN 0 ELSE 1 END FROM OF_Apoint WHERE FichaGPS = %1")
                 .arg(ret));
    ASSERT_EQ(postings.size(), 1);
    const QDateTime when(QDate(2026, 12, 5), QTime(10, 0));
    EXPECT_EQ(postings[0].mid(1),
              (QVariantList {700, phase, -2, 40, when, when, 0, QStringLiteral("NFe envio: 3001 - NFe ret: 5555"), 1}));
    // The posting's trigger stocked the assembly; nobody is named, so the return names the service.
    const int posting = postings[0][0].toInt();
    EXPECT_EQ(rows(QStringLiteral("SELECT Qtd, Saldo, Operador FROM Kardex WHERE IdApoint = %1").arg(posting)),
              (QList<QVariantList> {{40, 40, QStringLiteral("Serviço XML")}}));
    EXPECT_EQ(of(QStringLiteral("Produtos"), QStringLiteral("Estoque"), QStringLiteral("IdProd"), assembly).toDouble(),
              40);
    EXPECT_EQ(of(QStringLiteral("OFs_New"), QStringLiteral("QtdEstocar"), QStringLiteral("IdOrdem"), order).toDouble(),
              100);

    // A further return is posted once; the first is not posted again.
    returned(25, QStringLiteral("2026-12-06T10:00:00"));
    EXPECT_EQ(count(QStringLiteral("OF_Apoint WHERE IdOF = 700")), 2);
    EXPECT_EQ(of(QStringLiteral("Produtos"), QStringLiteral("Estoque"), QStringLiteral("IdProd"), assembly).toDouble(),
              65);
    EXPECT_EQ(of(QStringLiteral("[Itens Nota]"), QStringLiteral("UIdReta"), QStringLiteral("IdItem"), line).toInt(),
              order);
}

TEST_F(ReturnTest, AFailingPostingTriggerUndoesTheReturnAndEverythingTheTriggersDid)
{
    installed(QStringLiteral("GNRBaixa_filhos"));
    // A second active company: the children's trigger cannot read its one setting.
    insert(QStringLiteral("INSERT INTO PessoaFJ (Razão, CNPJ, Ativa, Estoca_ofs) VALUES (N'Outra', N'1', 1, 3)"));
    const int ledger = count(QStringLiteral("Kardex"));
    const int supplierItem =
        insert(QStringLiteral("INSERT INTO NFs_Itens (IdNF, qCom) VALUES (%1, 40)").arg(supplierInvoice));
    EXPECT_EQ(
        failure(QStringLiteral(
                    "INSERT INTO Retorna (IdItem, IdItemNF, Qtd_recebida, DataM) VALUES (%1, %2, 40, '2026-12-05')")
                    .arg(line)
                    .arg(supplierItem)),
        512);
    EXPECT_EQ(count(QStringLiteral("Retorna")), 0);
    EXPECT_EQ(count(QStringLiteral("OF_Apoint WHERE IdOF = 700")), 0);
    EXPECT_EQ(count(QStringLiteral("Kardex")), ledger);
    EXPECT_EQ(balance(), (QVariantList {100.0, 0.0, 100.0}));
}

TEST_F(ReturnTest, ReturnsOfSeveralInvoicesTogetherEndAsOneAtATimeAndAMovedReturnLeavesNoStaleBalance)
{
    const int other = product(0);
    const int n2 = invoice(QStringLiteral("3002"), QStringLiteral("X5901"));
    const int n3 = invoice(QStringLiteral("3003"), QStringLiteral("X5901"));
    const int l2 = item(n2, piece(other), 50, QStringLiteral("SdoN"), QStringLiteral("50"));
    const int l3 = item(n3, piece(other), 50, QStringLiteral("SdoN"), QStringLiteral("50"));
    exec(QStringLiteral("UPDATE Notas SET NFe_Status = 3 WHERE IdNota IN (%1, %2)").arg(n2).arg(n3));
    const auto supplierItem = [&](double qty) {
        return insert(
            QStringLiteral("INSERT INTO NFs_Itens (IdNF, qCom) VALUES (%1, %2)").arg(supplierInvoice).arg(qty));
    };
    const QString row = QStringLiteral("(%1, %2, %3, '20261205 10:00:00')");
    const QStringList values {row.arg(line).arg(supplierItem(40)).arg(40), row.arg(l2).arg(supplierItem(20)).arg(20),
                              row.arg(l3).arg(supplierItem(10)).arg(10)};
    const QString insertInto = QStringLiteral("INSERT INTO Retorna (IdItem, IdItemNF, Qtd_recebida, DataM) VALUES ");
    QStringList oneByOne;
    for (const QString &v : values)
        oneByOne << insertInto + v;
    const QStringList reads {
        QStringLiteral("SELECT IdItem, SdoN, SQtdeRet FROM [Itens Nota] ORDER BY IdItem"),
        QStringLiteral("SELECT IdProd, MTerc, Estoque FROM Produtos ORDER BY IdProd"),
        QStringLiteral("SELECT IdOF, IdProcesso, QtdeBoa, nObs FROM OF_Apoint ORDER BY IdOF, QtdeBoa"),
        QStringLiteral("SELECT IdProd, Qtd, Saldo, Operador FROM Kardex ORDER BY IdKardex")};
    const QString takeBack = QStringLiteral("DELETE FROM Retorna WHERE IdItem = %1");
    const MultiRowCase cases[] = {
        {"returns of three invoices", {insertInto + values.join(u',')}, oneByOne, reads},
        {"two of them taken back",
         {insertInto + values.join(u','),
          QStringLiteral("DELETE FROM Retorna WHERE IdItem IN (%1, %2)").arg(l2).arg(l3)},
         oneByOne + QStringList {takeBack.arg(l2), takeBack.arg(l3)},
         reads},
    };
    for (const MultiRowCase &c : cases)
        expectSameAsOneAtATime(c);

    // A return moved to an item of another invoice: both invoices' balances follow.
    exec(oneByOne[1]);
    const QString balanceOf = QStringLiteral("SELECT SdoN, SQtdeRet FROM [Itens Nota] WHERE IdItem = %1");
    exec(QStringLiteral("UPDATE Retorna SET IdItem = %1 WHERE IdItem = %2").arg(l3).arg(l2));
    EXPECT_EQ(rows(balanceOf.arg(l2)).value(0), (QVariantList {50.0, 0.0}));
    EXPECT_EQ(rows(balanceOf.arg(l3)).value(0), (QVariantList {30.0, 20.0}));
    EXPECT_EQ(of(QStringLiteral("Produtos"), QStringLiteral("MTerc"), QStringLiteral("IdProd"), other).toDouble(), 80);
}
