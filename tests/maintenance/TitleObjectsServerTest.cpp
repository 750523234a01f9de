// Titles and purchase prices: a title deleted in one plant vanishes from its sister plant's
// database, a title's new value reaches its purchase invoice's total, the sales PIS/COFINS titles
// turn incoming, and a new purchase price reaches the open orders.
#include "MultiRowFixture.h"
#include "maintenance/installer/ObjectTexts.h"

namespace {

const QString Plastics = QStringLiteral("90817263000411");
const QString Plant250 = QStringLiteral("90817263000250");
const QString HeadOffice = QStringLiteral("90817263000169");

class TitleObjectsTest : public MultiRowObjectsTest
{
protected:
    // A company of a sister database; its IdPess.
    int sisterCompany(const QString &db, const QString &cnpj)
    {
        return insert(
            QStringLiteral("INSERT INTO %1.dbo.PessoaFJ (Razão, CNPJ) VALUES (N'Emitente %2', N'%2')").arg(db, cnpj));
    }
    int sisterInvoice(const QString &db, int issuer, const QString &origin)
    {
        return insert(QStringLiteral("INSERT INTO %1.dbo.NFs (IdEmp, %2) VALUES (%3)")
                          .arg(db, origin.section(QLatin1Char('='), 0, 0),
                               QString::number(issuer) + QLatin1String(", ") + origin.section(QLatin1Char('='), 1)));
    }
    int sisterTitle(const QString &db, const QString &columns, const QString &values)
    {
        return insert(QStringLiteral("INSERT INTO %1.dbo.ContasPR (%2) VALUES (%3)").arg(db, columns, values));
    }
    bool sisterHas(const QString &db, int title)
    {
        return count(QStringLiteral("%1.dbo.ContasPR WHERE IdContasPR = %2").arg(db).arg(title)) == 1;
    }
    int title(const QString &columns, const QString &values)
    {
        return insert(QStringLiteral("INSERT INTO ContasPR (%1) VALUES (%2)").arg(columns, values));
    }
};

} // namespace

TEST_F(TitleObjectsTest, ADeletedPlantTitleTakesItsMirrorInVuzurAlongAndLeavesOtherIssuersMirrors)
{
    makeActive(Plastics);
    installed(QStringLiteral("GNR_NEW_ContasPR"));

    const int ours = sisterCompany(QStringLiteral("Vuzur"), Plastics);
    const int other = sisterCompany(QStringLiteral("Vuzur"), QStringLiteral("11222333000181"));
    const int purchase = insert(QStringLiteral("INSERT INTO NFs (IdEmp, Número) VALUES (2, N'000777')"));
    const int local = title(QStringLiteral("IdNF, IdEmp, Valor"), QStringLiteral("%1, 2, 300").arg(purchase));
    const int fromUs = sisterInvoice(QStringLiteral("Vuzur"), ours, QStringLiteral("IDNFORG=%1").arg(purchase));
    const int fromOther = sisterInvoice(QStringLiteral("Vuzur"), other, QStringLiteral("IDNFORG=%1").arg(purchase));
    const int mirror = sisterTitle(QStringLiteral("Vuzur"), QStringLiteral("IdNF, IdOrigem, Valor"),
                                   QStringLiteral("%1, %2, 300").arg(fromUs).arg(local));
    const int otherIssuer = sisterTitle(QStringLiteral("Vuzur"), QStringLiteral("IdNF, IdOrigem, Valor"),
                                        QStringLiteral("%1, %2, 300").arg(fromOther).arg(local));
    const int otherOrigin = sisterTitle(QStringLiteral("Vuzur"), QStringLiteral("IdNF, IdOrigem, Valor"),
                                        QStringLiteral("%1, %2, 300").arg(fromUs).arg(local + 1000));

    // A title of an own invoice: its mirror sits on a Vuzur invoice made from that invoice.
    const int invoice = insert(QStringLiteral("INSERT INTO Notas (IdEmp, NumNota) VALUES (2, 88)"));
    const int sale = title(QStringLiteral("IdNota, IdEmp, Valor"), QStringLiteral("%1, 2, 150").arg(invoice));
    const int fromInvoice = sisterInvoice(QStringLiteral("Vuzur"), ours, QStringLiteral("IdNotaORG=%1").arg(invoice));
    const int saleMirror = sisterTitle(QStringLiteral("Vuzur"), QStringLiteral("IdNF, IdOrigem, Valor"),
                                       QStringLiteral("%1, %2, 150").arg(fromInvoice).arg(sale));

    exec(QStringLiteral("DELETE FROM ContasPR WHERE IdContasPR = %1").arg(local));
    EXPECT_FALSE(sisterHas(QStringLiteral("Vuzur"), mirror));
    EXPECT_TRUE(sisterHas(QStringLiteral("Vuzur"), otherIssuer));
    EXPECT_TRUE(sisterHas(QStringLiteral("Vuzur"), otherOrigin));
    EXPECT_TRUE(sisterHas(QStringLiteral("Vuzur"), saleMirror));

    exec(QStringLiteral("DELETE FROM ContasPR WHERE IdContasPR = %1").arg(sale));
    EXPECT_FALSE(sisterHas(QStringLiteral("Vuzur"), saleMirror));
    // zAraradovi is not this plant's mirror.
    EXPECT_EQ(count(QStringLiteral("zAraradovi.dbo.ContasPR")), 0);
}

TEST_F(TitleObjectsTest, TheHeadOfficeDeletesInZAraradoviOnlyForThePlasticsPlantsTitles)
{
    ASSERT_EQ(activeCnpj(), HeadOffice);
    installed(QStringLiteral("GNR_NEW_ContasPR"));
    const QString z = QStringLiteral("zAraradovi");
    const int plastics = sisterCompany(z, Plastics);
    const int other = sisterCompany(z, QStringLiteral("11222333000181"));
    const int purchase = sisterInvoice(z, plastics, QStringLiteral("IDNFORG=0"));
    const int otherPurchase = sisterInvoice(z, other, QStringLiteral("IDNFORG=0"));
    const int sale =
        insert(QStringLiteral("INSERT INTO zAraradovi.dbo.Notas (IdEmp, NumNota) VALUES (%1, 91)").arg(plastics));
    const int onPurchase = sisterTitle(z, QStringLiteral("IdNF, Valor"), QStringLiteral("%1, 10").arg(purchase));
    const int onOther = sisterTitle(z, QStringLiteral("IdNF, Valor"), QStringLiteral("%1, 20").arg(otherPurchase));
    const int onSale = sisterTitle(z, QStringLiteral("IdNota, Valor"), QStringLiteral("%1, 30").arg(sale));

    const int a = title(QStringLiteral("IdEmp, IdOrigem, Valor"), QStringLiteral("7898, %1, 10").arg(onPurchase));
    const int b = title(QStringLiteral("IdEmp, IdOrigem, Valor"), QStringLiteral("7898, %1, 20").arg(onOther));
    const int c = title(QStringLiteral("IdEmp, IdOrigem, Valor"), QStringLiteral("5, %1, 30").arg(onSale));
    const int d = title(QStringLiteral("IdEmp, IdOrigem, Valor"), QStringLiteral("7898, %1, 30").arg(onSale));

    exec(QStringLiteral("DELETE FROM ContasPR WHERE IdContasPR = %1").arg(a));
    EXPECT_FALSE(sisterHas(z, onPurchase));
    exec(QStringLiteral("DELETE FROM ContasPR WHERE IdContasPR = %1").arg(b));
    EXPECT_TRUE(sisterHas(z, onOther)) << "issued by another company there";
    exec(QStringLiteral("DELETE FROM ContasPR WHERE IdContasPR = %1").arg(c));
    EXPECT_TRUE(sisterHas(z, onSale)) << "a title of another company here";
    exec(QStringLiteral("DELETE FROM ContasPR WHERE IdContasPR = %1").arg(d));
    EXPECT_FALSE(sisterHas(z, onSale));
}

TEST_F(TitleObjectsTest, OtherCompaniesNeitherInstallNorDeleteAndAPunctuatedCnpjStillNamesItsPlant)
{
    // Another company: the gate sends nothing, so deleting touches no sister.
    exec(QStringLiteral("UPDATE PessoaFJ SET CNPJ = N'41526374000197' WHERE Ativa = 1"));
    EXPECT_TRUE(install(QStringLiteral("GNR_NEW_ContasPR")).gatedOut);
    EXPECT_EQ(count(QStringLiteral("sys.triggers WHERE name = 'GNR_DEL_ContasPR_Matriz'")), 0);

    // Installed for a plant, then the active company changes to one outside the three.
    exec(QStringLiteral("UPDATE PessoaFJ SET CNPJ = N'%1' WHERE Ativa = 1").arg(Plant250));
    installed(QStringLiteral("GNR_NEW_ContasPR"));
    const int ours = sisterCompany(QStringLiteral("Vuzur"), QStringLiteral("41526374000197"));
    const int nf = sisterInvoice(QStringLiteral("Vuzur"), ours, QStringLiteral("IDNFORG=55"));
    const int local = title(QStringLiteral("IdNF, Valor"), QStringLiteral("55, 1"));
    const int mirror = sisterTitle(QStringLiteral("Vuzur"), QStringLiteral("IdNF, IdOrigem"),
                                   QStringLiteral("%1, %2").arg(nf).arg(local));
    exec(QStringLiteral("UPDATE PessoaFJ SET CNPJ = N'41526374000197' WHERE Ativa = 1"));
    exec(QStringLiteral("DELETE FROM ContasPR WHERE IdContasPR = %1").arg(local));
    EXPECT_TRUE(sisterHas(QStringLiteral("Vuzur"), mirror));

    // CNPJs compared by their digits: the plant's own, punctuated here and in Vuzur, still names it;
    // a punctuated CNPJ of another company there neither matches nor fails the delete.
    exec(QStringLiteral("UPDATE PessoaFJ SET CNPJ = N'90.817.263/0004-11' WHERE Ativa = 1"));
    const int plant = sisterCompany(QStringLiteral("Vuzur"), QStringLiteral("90.817.263/0004-11"));
    const int stranger = sisterCompany(QStringLiteral("Vuzur"), QStringLiteral("11.222.333/0001-81"));
    const int gone = title(QStringLiteral("IdNF, Valor"), QStringLiteral("56, 2"));
    const int plantMirror =
        sisterTitle(QStringLiteral("Vuzur"), QStringLiteral("IdNF, IdOrigem"),
                    QStringLiteral("%1, %2")
                        .arg(sisterInvoice(QStringLiteral("Vuzur"), plant, QStringLiteral("IDNFORG=56")))
                        .arg(gone));
    const int strangerMirror =
        sisterTitle(QStringLiteral("Vuzur"), QStringLiteral("IdNF, IdOrigem"),
                    QStringLiteral("%1, %2")
                        .arg(sisterInvoice(QStringLiteral("Vuzur"), stranger, QStringLiteral("IDNFORG=56")))
                        .arg(gone));
    exec(QStringLiteral("DELETE FROM ContasPR WHERE IdContasPR = %1").arg(gone));
    EXPECT_FALSE(sisterHas(QStringLiteral("Vuzur"), plantMirror));
    EXPECT_TRUE(sisterHas(QStringLiteral("Vuzur"), strangerMirror));
    EXPECT_EQ(count(QStringLiteral("ContasPR WHERE IdContasPR = %1").arg(gone)), 0);
}

TEST_F(TitleObjectsTest, TitlesOfMixedCompaniesDeletedTogetherEndAsOneAtATime)
{
    ASSERT_EQ(activeCnpj(), HeadOffice);
    installed(QStringLiteral("GNR_NEW_ContasPR"));
    const QString z = QStringLiteral("zAraradovi");
    // The plastics plant stored with punctuation there, beside another punctuated company.
    const int plastics = sisterCompany(z, QStringLiteral("90.817.263/0004-11"));
    const int other = sisterCompany(z, QStringLiteral("11.222.333/0001-81"));
    const int purchase = sisterInvoice(z, plastics, QStringLiteral("IDNFORG=0"));
    const int otherPurchase = sisterInvoice(z, other, QStringLiteral("IDNFORG=0"));
    const int first = sisterTitle(z, QStringLiteral("IdNF, Valor"), QStringLiteral("%1, 10").arg(purchase));
    const int second = sisterTitle(z, QStringLiteral("IdNF, Valor"), QStringLiteral("%1, 20").arg(purchase));
    const int onOther = sisterTitle(z, QStringLiteral("IdNF, Valor"), QStringLiteral("%1, 30").arg(otherPurchase));
    // Read last, a plastics title must not decide for the title of another company before it.
    const QList<int> titles {
        title(QStringLiteral("IdEmp, IdOrigem, Valor"), QStringLiteral("7898, %1, 10").arg(first)),
        title(QStringLiteral("IdEmp, IdOrigem, Valor"), QStringLiteral("5, %1, 20").arg(second)),
        title(QStringLiteral("IdEmp, IdOrigem, Valor"), QStringLiteral("7898, %1, 30").arg(onOther))};
    QStringList apart, ids;
    for (int t : titles) {
        apart << QStringLiteral("DELETE FROM ContasPR WHERE IdContasPR = %1").arg(t);
        ids << QString::number(t);
    }
    expectSameAsOneAtATime({"titles of the plastics plant and of another company",
                            {QStringLiteral("DELETE FROM ContasPR WHERE IdContasPR IN (%1)").arg(ids.join(u','))},
                            apart,
                            {QStringLiteral("SELECT IdContasPR FROM zAraradovi.dbo.ContasPR ORDER BY IdContasPR"),
                             QStringLiteral("SELECT IdContasPR FROM ContasPR ORDER BY IdContasPR")}});
    exec(apart[0]);
    EXPECT_FALSE(sisterHas(z, first));
    EXPECT_TRUE(sisterHas(z, second));
    EXPECT_TRUE(sisterHas(z, onOther));
}

TEST_F(TitleObjectsTest, TheSisterDeleteJoinsTheTransactionAndAMissingSisterDatabaseFailsTheDelete)
{
    makeActive(Plastics);
    installed(QStringLiteral("GNR_NEW_ContasPR"));
    const int ours = sisterCompany(QStringLiteral("Vuzur"), Plastics);
    const int nf = sisterInvoice(QStringLiteral("Vuzur"), ours, QStringLiteral("IDNFORG=66"));
    const int local = title(QStringLiteral("IdNF, Valor"), QStringLiteral("66, 5"));
    const int mirror = sisterTitle(QStringLiteral("Vuzur"), QStringLiteral("IdNF, IdOrigem"),
                                   QStringLiteral("%1, %2").arg(nf).arg(local));

    exec(QStringLiteral("BEGIN TRANSACTION\nDELETE FROM ContasPR WHERE IdContasPR = %1\nROLLBACK TRANSACTION")
             .arg(local));
    EXPECT_TRUE(sisterHas(QStringLiteral("Vuzur"), mirror));
    EXPECT_EQ(count(QStringLiteral("ContasPR WHERE IdContasPR = %1").arg(local)), 1);

    // Without the sister database: the server's error, and nothing deleted here.
    exec(QStringLiteral("DROP DATABASE Vuzur"));
    QString message;
    EXPECT_EQ(failure(QStringLiteral("DELETE FROM ContasPR WHERE IdContasPR = %1").arg(local), &message), 208);
    EXPECT_TRUE(message.contains(QLatin1String("Vuzur"))) << message.toStdString();
    EXPECT_EQ(count(QStringLiteral("ContasPR WHERE IdContasPR = %1").arg(local)), 1);
    // A title of a branch that reaches no sister is deleted as usual.
    exec(QStringLiteral("UPDATE PessoaFJ SET CNPJ = N'11222333000181' WHERE Ativa = 1"));
    exec(QStringLiteral("DELETE FROM ContasPR WHERE IdContasPR = %1").arg(local));
    EXPECT_EQ(count(QStringLiteral("ContasPR WHERE IdContasPR = %1").arg(local)), 0);
}

TEST_F(TitleObjectsTest, ANewTitleValueSetsItsPurchaseInvoicesTotalExceptForTypes10And99)
{
    installed(QStringLiteral("GNR_NFs"));
    const int single = insert(QStringLiteral("INSERT INTO NFs (IdEmp, Total_Titulos) VALUES (2, 100)"));
    const int only = title(QStringLiteral("IdNF, Valor, Tipo"), QStringLiteral("%1, 100, 1").arg(single));
    const int special = title(QStringLiteral("IdNF, Valor, Tipo"), QStringLiteral("%1, 40, 10").arg(single));
    const auto total = [&](int nf) {
        return value(QStringLiteral("SELECT Total_Titulos FROM NFs WHERE IdNF = %1").arg(nf)).toDouble();
    };

    exec(QStringLiteral("UPDATE ContasPR SET Valor = 70 WHERE IdContasPR = %1").arg(special));
    EXPECT_EQ(total(single), 100);
    exec(QStringLiteral("UPDATE ContasPR SET Tipo = 99, Valor = 75 WHERE IdContasPR = %1").arg(special));
    EXPECT_EQ(total(single), 100);
    exec(QStringLiteral("UPDATE ContasPR SET Valor = 500 WHERE IdContasPR = %1").arg(only));
    EXPECT_EQ(total(single), 500);
    // Another column changed: the total stays.
    exec(QStringLiteral("UPDATE NFs SET Total_Titulos = 1 WHERE IdNF = %1").arg(single));
    exec(QStringLiteral("UPDATE ContasPR SET Vencimento = '2027-01-10' WHERE IdContasPR = %1").arg(only));
    EXPECT_EQ(total(single), 1);

    // Instalments: the invoice's total is that of all its titles, not of the one changed.
    const int split = insert(QStringLiteral("INSERT INTO NFs (IdEmp, Total_Titulos) VALUES (2, 300)"));
    const int first = title(QStringLiteral("IdNF, Valor, Tipo, NUM_PGTO"), QStringLiteral("%1, 100, 1, 1").arg(split));
    title(QStringLiteral("IdNF, Valor, Tipo, NUM_PGTO"), QStringLiteral("%1, 200, 1, 2").arg(split));
    exec(QStringLiteral("UPDATE ContasPR SET Valor = 150 WHERE IdContasPR = %1").arg(first));
    EXPECT_EQ(total(split), 350);
}

TEST_F(TitleObjectsTest, TheSalesPisCofinsScriptTurnsOutgoingTitlesOfTheTaxBanksIncoming)
{
    // The page's second script alters the trigger an older installation left.
    exec(QStringLiteral("CREATE TRIGGER GNR_UP_ContasPR_PIS_COFINS_Vendas ON ContasPR AFTER INSERT AS SET NOCOUNT ON"));
    const QString page = installer::pageText(QStringLiteral("Kardex_Novo"));
    const qsizetype second = page.indexOf(QLatin1String("/* Inverte o sinal do PIS COFINS de Vendas */"));
    ASSERT_GT(second, 0);
    exec(page.mid(second));

    const int bank1028 = insert(QStringLiteral("INSERT INTO Bancos (CD_PORTADOR) VALUES (N'1028')"));
    const int tax = title(QStringLiteral("IdBanco, ES, NUM_PGTO, Valor"), QStringLiteral("%1, -1, 3, 9").arg(bank1028));
    const int other = title(QStringLiteral("IdBanco, ES, NUM_PGTO, Valor"), QStringLiteral("1, -1, 3, 9"));
    const auto es = [&](int t) {
        return value(QStringLiteral("SELECT ES FROM ContasPR WHERE IdContasPR = %1").arg(t)).toInt();
    };
    ASSERT_EQ(es(tax), -1) << "a second instalment walks nothing";
    const int bank1027 = value(QStringLiteral("SELECT IdBanco FROM Bancos WHERE CD_PORTADOR = N'1027'")).toInt();
    ASSERT_GT(bank1027, 0);
    const int tax1027 =
        title(QStringLiteral("IdBanco, ES, NUM_PGTO, Valor"), QStringLiteral("%1, -1, 2, 9").arg(bank1027));

    // A first instalment on any bank: every outgoing title of banks 1027 and 1028 turns incoming.
    title(QStringLiteral("IdBanco, ES, NUM_PGTO, Valor"), QStringLiteral("1, -1, 1, 9"));
    EXPECT_EQ(es(tax), 1);
    EXPECT_EQ(es(tax1027), 1);
    EXPECT_EQ(es(other), -1);

    // A failure inside the walk fails that insert alone: the next insert on the connection walks again.
    exec(QStringLiteral(
        "CREATE TRIGGER Teste_Recusa ON ContasPR AFTER UPDATE AS\nSET NOCOUNT ON\nDECLARE @n int\n"
        "IF EXISTS (SELECT 1 FROM inserted WHERE inserted.Valor = 13) SET @n = CAST(N'recusado' AS int)"));
    const int refused =
        title(QStringLiteral("IdBanco, ES, NUM_PGTO, Valor"), QStringLiteral("%1, -1, 2, 13").arg(bank1027));
    const int titles = count(QStringLiteral("ContasPR"));
    EXPECT_EQ(failure(QStringLiteral("INSERT INTO ContasPR (IdBanco, ES, NUM_PGTO, Valor) VALUES (1, -1, 1, 9)")), 245);
    EXPECT_EQ(count(QStringLiteral("ContasPR")), titles);
    exec(QStringLiteral("UPDATE ContasPR SET Valor = 14 WHERE IdContasPR = %1").arg(refused));
    title(QStringLiteral("IdBanco, ES, NUM_PGTO, Valor"), QStringLiteral("1, -1, 1, 9"));
    EXPECT_EQ(es(refused), 1);
}

TEST_F(TitleObjectsTest, ANewPurchasePriceReachesTheOpenOrdersAndTheirSchedulesOnly)
{
    equalize();
    mirror();
    installed(QStringLiteral("GNRDELReajusteC"));

    const int purchase =
        insert(QStringLiteral("INSERT INTO Peças (Código, PREATUAL, TLiberou) VALUES (N'MP0099', 10, 9)"));
    const int shipment =
        insert(QStringLiteral("INSERT INTO Peças (Código, PREATUAL, TLiberou) VALUES (N'RT0001', 10, 10)"));
    const int open = insert(QStringLiteral("INSERT INTO Pedidos ([Nº Pedido], GestaoP) VALUES (7001, 9)"));
    const int closed = insert(QStringLiteral("INSERT INTO Pedidos ([Nº Pedido], GestaoP) VALUES (7002, 0)"));
    const int openItem =
        insert(QStringLiteral("INSERT INTO [Itens Pedido] (IdPedido, PecaId, Preço) VALUES (%1, %2, 10)")
                   .arg(open)
                   .arg(purchase));
    const int closedItem =
        insert(QStringLiteral("INSERT INTO [Itens Pedido] (IdPedido, PecaId, Preço) VALUES (%1, %2, 10)")
                   .arg(closed)
                   .arg(purchase));
    const int shipItem =
        insert(QStringLiteral("INSERT INTO [Itens Pedido] (IdPedido, PecaId, Preço) VALUES (%1, %2, 10)")
                   .arg(open)
                   .arg(shipment));
    exec(QStringLiteral("INSERT INTO Itens_CRONOS (IdItemP, cPreço, cQtde, cDataItem) VALUES (%1, 10, 5, "
                        "'2027-01-05'), (%1, 10, 7, '2027-02-05'), (%2, 10, 1, '2027-01-05')")
             .arg(openItem)
             .arg(closedItem));

    exec(QStringLiteral("UPDATE Peças SET PREATUAL = 12.5 WHERE IdPeça = %1").arg(purchase));
    const auto price = [&](int item) {
        return value(QStringLiteral("SELECT Preço FROM [Itens Pedido] WHERE IdItemP = %1").arg(item)).toDouble();
    };
    EXPECT_EQ(price(openItem), 12.5);
    EXPECT_EQ(price(closedItem), 10);
    EXPECT_EQ(rows(QStringLiteral("SELECT cPreço FROM Itens_CRONOS WHERE IdItemP = %1").arg(openItem)),
              (QList<QVariantList> {{12.5}, {12.5}}));
    EXPECT_EQ(value(QStringLiteral("SELECT cPreço FROM Itens_CRONOS WHERE IdItemP = %1").arg(closedItem)).toDouble(),
              10);

    // Shipment and return keeps its price; the piece gets its accent-free identifier instead.
    exec(QStringLiteral("UPDATE Peças SET PREATUAL = 11 WHERE IdPeça = %1").arg(shipment));
    EXPECT_EQ(price(shipItem), 10);
    EXPECT_EQ(value(QStringLiteral("SELECT IdPeca FROM Peças WHERE IdPeça = %1").arg(shipment)).toInt(), shipment);

    // A new sales piece.
    const int sales = insert(QStringLiteral("INSERT INTO Peças (Código, PREATUAL, TLiberou) VALUES (N'PV0001', 3, 0)"));
    EXPECT_EQ(value(QStringLiteral("SELECT IdPeca FROM Peças WHERE IdPeça = %1").arg(sales)).toInt(), sales);
    EXPECT_EQ(value(QStringLiteral("SELECT IdPeca FROM Peças WHERE IdPeça = %1").arg(purchase)).toInt(), 0);
}

TEST_F(TitleObjectsTest, TitlesAndPiecesChangedTogetherEndAsOneAtATime)
{
    equalize();
    mirror();
    // Purchase invoices with a Tipo of their own: the trigger must say whose Tipo it means.
    exec(QStringLiteral("ALTER TABLE NFs ADD Tipo int NULL"));
    installed(QStringLiteral("GNR_NFs"));
    installed(QStringLiteral("GNRDELReajusteC"));

    const int nf1 = insert(QStringLiteral("INSERT INTO NFs (IdEmp, Total_Titulos, Tipo) VALUES (2, 0, 10)"));
    const int nf2 = insert(QStringLiteral("INSERT INTO NFs (IdEmp, Total_Titulos, Tipo) VALUES (2, 0, 99)"));
    const int t1 = title(QStringLiteral("IdNF, Valor, Tipo"), QStringLiteral("%1, 100, 1").arg(nf1));
    const int t2 = title(QStringLiteral("IdNF, Valor, Tipo"), QStringLiteral("%1, 200, 1").arg(nf2));
    title(QStringLiteral("IdNF, Valor, Tipo"), QStringLiteral("%1, 50, 2").arg(nf2));

    const int open = insert(QStringLiteral("INSERT INTO Pedidos ([Nº Pedido], GestaoP) VALUES (7101, 9)"));
    QList<int> pieces;
    for (const char *p : {"N'MP0101', 10, 9", "N'SV0101', 20, 1"}) {
        pieces << insert(
            QStringLiteral("INSERT INTO Peças (Código, PREATUAL, TLiberou) VALUES (%1)").arg(QString::fromLatin1(p)));
        const int item =
            insert(QStringLiteral("INSERT INTO [Itens Pedido] (IdPedido, PecaId, Preço) VALUES (%1, %2, 1)")
                       .arg(open)
                       .arg(pieces.last()));
        exec(
            QStringLiteral("INSERT INTO Itens_CRONOS (IdItemP, cPreço, cQtde, cDataItem) VALUES (%1, 1, 5, '20270105')")
                .arg(item));
    }
    const QString newSales = QStringLiteral("INSERT INTO Peças (Código, PREATUAL, TLiberou) VALUES ");
    const MultiRowCase cases[] = {
        {"values of titles of two invoices",
         {QStringLiteral("UPDATE ContasPR SET Valor = Valor + 5 WHERE IdContasPR IN (%1, %2)").arg(t1).arg(t2)},
         {QStringLiteral("UPDATE ContasPR SET Valor = Valor + 5 WHERE IdContasPR = %1").arg(t1),
          QStringLiteral("UPDATE ContasPR SET Valor = Valor + 5 WHERE IdContasPR = %1").arg(t2)},
         {QStringLiteral("SELECT IdNF, Total_Titulos FROM NFs ORDER BY IdNF")}},
        {"prices of two purchase and service pieces",
         {QStringLiteral("UPDATE Peças SET PREATUAL = PREATUAL * 2 WHERE IdPeça IN (%1, %2)")
              .arg(pieces[0])
              .arg(pieces[1])},
         {QStringLiteral("UPDATE Peças SET PREATUAL = PREATUAL * 2 WHERE IdPeça = %1").arg(pieces[0]),
          QStringLiteral("UPDATE Peças SET PREATUAL = PREATUAL * 2 WHERE IdPeça = %1").arg(pieces[1])},
         {QStringLiteral("SELECT IdItemP, Preço FROM [Itens Pedido] ORDER BY IdItemP"),
          QStringLiteral("SELECT IdCrn, cPreço FROM Itens_CRONOS ORDER BY IdCrn")}},
        {"two new pieces of sales and of shipment",
         {newSales + QStringLiteral("(N'PV-A', 1, 0), (N'PV-B', 2, 10)")},
         {newSales + QStringLiteral("(N'PV-A', 1, 0)"), newSales + QStringLiteral("(N'PV-B', 2, 10)")},
         {QStringLiteral(
             "SELECT Código, CASE WHEN IdPeca = IdPeça THEN 1 ELSE 0 END FROM Peças WHERE Código LIKE N'PV-%' "
             "ORDER BY Código")}},
    };
    for (const MultiRowCase &c : cases)
        expectSameAsOneAtATime(c);
}
