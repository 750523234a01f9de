// The installed objects at work: the two functions, the ledger triggers and the balance
// procedures, installed from their menus (the ledger's full trigger from the first script of
// its page, which the page as a whole never installs), on a database the administrator has
// equalized first. Every expectation is read back through SQL.
#include "InstallerDriver.h"
#include "OneByOne.h"
#include "maintenance/installer/ObjectTexts.h"

using namespace installer;

namespace {

class InstalledObjectsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fx.startServer();
        fx.writeIni(fx.plantSection(QStringLiteral("Matriz")));
        w = fx.openWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    }
    void choose(const QString &memo, const QString &item)
    {
        ASSERT_TRUE(chooseFromMenu(w, memo, item)) << item.toStdString();
        ASSERT_TRUE(fx.prompter().texts(QStringLiteral("error")).isEmpty()) << item.toStdString();
    }
    void equalize()
    {
        clickTab(w->shell().PageControl1, w->shell().TabSheet12);
        fx.prompter().queueAnswer(Prompter::Answer::Yes);
        fx.click(QStringLiteral("DataBaseSTRU"));
    }
    // A new product; its identifier.
    int product(const QString &columns = QStringLiteral("Produto"), const QString &values = QStringLiteral("N'Teste'"))
    {
        fx.exec(QStringLiteral("INSERT INTO Produtos (%1) VALUES (%2)").arg(columns, values));
        return fx.scalar(QStringLiteral("SELECT MAX(IdProd) FROM Produtos")).toInt();
    }
    QVariant value(const QString &sql) { return fx.scalar(sql); }
    int lastKardex() { return value(QStringLiteral("SELECT MAX(IdKardex) FROM Kardex")).toInt(); }
    QVariantList productState(int id)
    {
        return fx
            .rows(QStringLiteral("SELECT LastIdK, LastIdKInDate, SValidar, Estoque FROM Produtos WHERE IdProd = %1")
                      .arg(id))
            .value(0);
    }
    QList<double> balances(int id)
    {
        QList<double> out;
        for (const QVariantList &r :
             fx.rows(QStringLiteral("SELECT Saldo FROM Kardex WHERE IdProd = %1 ORDER BY IdKardex").arg(id)))
            out << r.value(0).toDouble();
        return out;
    }

    AppFixture fx;
    UsersForm *w = nullptr;
};

QVariantList state(int lastIdK, int inDate, double validar, double estoque)
{
    return {lastIdK, inDate, validar, estoque};
}

} // namespace

TEST_F(InstalledObjectsTest, TheFunctionsGiveTheFirstDayOfTheNextMonthAndTheTextWithoutAccents)
{
    choose(QStringLiteral("First_DayMonth"), QStringLiteral("FUNCTIONFirstDayMonth1"));
    choose(QStringLiteral("Remover_Acentos"), QStringLiteral("FUNCTIONRemoverAcentos1"));
    // Day numbers after 1900-01-01: 1 April 2024 is 45381, 1 January 2025 is 45656.
    EXPECT_EQ(value(QStringLiteral("SELECT dbo.First_Day_Month('2024-03-15')")).toInt(), 45381);
    EXPECT_EQ(value(QStringLiteral("SELECT dbo.First_Day_Month('2024-12-31T23:59:00')")).toInt(), 45656);
    EXPECT_EQ(value(QStringLiteral("SELECT dbo.First_Day_Month('2024-02-01T00:00:00')")).toInt(),
              value(QStringLiteral("SELECT CAST(CAST('2024-03-01' AS datetime) AS int)")).toInt());
    EXPECT_TRUE(value(QStringLiteral("SELECT dbo.First_Day_Month(NULL)")).isNull());

    EXPECT_EQ(value(QStringLiteral("SELECT dbo.Remover_acento('Conexão, peça')")).toString(),
              QStringLiteral("CONEXAO. PECA"));
    // Capitals go too, under the case-insensitive collation.
    EXPECT_EQ(value(QStringLiteral("SELECT dbo.Remover_acento('ÁGUA Ô Ü, ç')")).toString(),
              QStringLiteral("AGUA O U. C"));
    // 60 characters in, the first 50 out.
    EXPECT_EQ(value(QStringLiteral("SELECT dbo.Remover_acento(REPLICATE('ação,', 12))")).toString(),
              QStringLiteral("ACAO.").repeated(10));
    EXPECT_TRUE(value(QStringLiteral("SELECT dbo.Remover_acento(NULL)")).isNull());
}

TEST_F(InstalledObjectsTest, TheShortLedgerTriggerStampsEveryRowOfAStatement)
{
    clickTab(w->shell().PageControl1, w->shell().TabSheet12);
    fx.prompter().queueAnswer(Prompter::Answer::Yes);
    fx.click(QStringLiteral("GetTriggers"));
    const int p = product();
    const QString stamped =
        QStringLiteral("SELECT COUNT(*) FROM Kardex WHERE IdProd = %1 AND DATE_LCTO IS NOT NULL").arg(p);
    fx.exec(QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, Saldo) VALUES (%1, 1, 1), (%1, 2, 3), (%1, 3, 6)").arg(p));
    EXPECT_EQ(value(stamped).toInt(), 3);
    fx.exec(QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, Saldo) VALUES (%1, 4, 10)").arg(p));
    EXPECT_EQ(value(stamped).toInt(), 4);
    EXPECT_FALSE(value(QStringLiteral("SELECT DATE_LCTO FROM Kardex WHERE IdKardex = %1").arg(lastKardex())).isNull());
}

// Each ledger trigger, given the same rows in one INSERT and in one INSERT per row, leaves the
// same tables.
TEST_F(InstalledObjectsTest, AnInsertOfSeveralRowsLeavesWhatItsRowsLeaveOneByOne)
{
    equalize();
    const int a = product(QStringLiteral("Produto"), QStringLiteral("N'MR-A'"));
    const int b = product(QStringLiteral("Produto"), QStringLiteral("N'MR-B'"));
    fx.exec(QStringLiteral("INSERT INTO Recebimento (IdNF, IdPeça, Qtde) VALUES (77, 1, 10)"));
    const int rec = value(QStringLiteral("SELECT MAX(IdRec) FROM Recebimento")).toInt();
    fx.exec(QStringLiteral("INSERT INTO NFs_Itens (IdNF, pIPI) VALUES (77, 6.5)"));
    const int item = value(QStringLiteral("SELECT MAX(IdItemNF) FROM NFs_Itens")).toInt();
    fx.exec(QStringLiteral("INSERT INTO Reservas (IdPRJ, IdPai, Projeto) VALUES (3, %1, 12)").arg(b));
    const int res = value(QStringLiteral("SELECT MAX(IdRes) FROM Reservas")).toInt();
    fx.exec(QStringLiteral("INSERT INTO OFs_New (Qtd_Pedida, IdPRJ, IdProd) VALUES (10, 3, %1)").arg(b));
    fx.exec(QStringLiteral("INSERT INTO [Itens Nota] (IdNota, IdPeça, Qtde, CFOPtxt) VALUES (1, 1, 2, N'1.201')"));
    const int own = value(QStringLiteral("SELECT MAX(IdItem) FROM [Itens Nota]")).toInt();
    fx.exec(
        QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, Saldo, IdRec) VALUES (%1, 1, 1, 41), (%1, 1, 2, 42)").arg(a));
    const int k41 = value(QStringLiteral("SELECT IdKardex FROM Kardex WHERE IdRec = 41")).toInt();

    const QString ledger =
        QStringLiteral(
            "SELECT IdProd, Qtd, Saldo, Preço, IdNFK, IPIk, Fornecedor, Documento, "
            "CASE WHEN DATE_LCTO IS NULL THEN 0 ELSE 1 END FROM Kardex WHERE IdProd IN (%1, %2) ORDER BY IdKardex")
            .arg(a)
            .arg(b);
    // The product's last movement by its place in the product's ledger, not by its identifier.
    const QString products = QStringLiteral("SELECT P.IdProd, P.Estoque, P.SValidar, (SELECT COUNT(*) FROM Kardex K "
                                            "WHERE K.IdProd = P.IdProd AND K.IdKardex <= P.LastIdKInDate) "
                                            "FROM Produtos P WHERE P.IdProd IN (%1, %2) ORDER BY P.IdProd")
                                 .arg(a)
                                 .arg(b);
    const QString fullText = pageText(QStringLiteral("Kardex_Novo"))
                                 .section(QStringLiteral("/* Inverte o sinal do PIS COFINS de Vendas */"), 0, 0);
    const QString movements = QStringLiteral("IdProd, Qtd, Saldo, IdRec, IdItemNF, IdItemV, IdResK, Preço, "
                                             "Fornecedor, Documento");
    // The return to the supplier is not the last row: every row of the statement is looked at.
    const QStringList ledgerRows {
        QStringLiteral("%1, 10, 12, %2, %3, 0, 0, 4.5, N'Forn', N'NF 77'").arg(a).arg(rec).arg(item),
        QStringLiteral("%1, -2, -2, 0, 0, %2, 0, 1, N'Cliente', N'NF 55'").arg(b).arg(own),
        QStringLiteral("%1, -4, 8, 0, 0, 0, 0, 3, N'Obra', N'Req 1'").arg(a),
        QStringLiteral("%1, 5, 3, 0, 0, 0, %2, 2, N'Almox', N'Sub Lote 9'").arg(b).arg(res),
    };
    struct Case
    {
        const char *what;
        std::function<void()> install;
        QString table, columns;
        QStringList rows, outcome;
        std::function<void(const QList<QList<QVariantList>> &)> check;
    };
    const QList<Case> cases {
        {"short ledger trigger",
         [&] {
             clickTab(w->shell().PageControl1, w->shell().TabSheet12);
             fx.prompter().queueAnswer(Prompter::Answer::Yes);
             fx.click(QStringLiteral("GetTriggers"));
         },
         QStringLiteral("Kardex"),
         movements,
         ledgerRows,
         {ledger},
         [](const auto &out) {
             for (const QVariantList &row : out[0].mid(2))
                 EXPECT_EQ(row.last().toInt(), 1);
         }},
        {"full ledger trigger",
         [&] {
             fx.exec(QStringLiteral("DROP TRIGGER GNR_UP_Kardex_Novo"));
             fx.exec(fullText);
         },
         QStringLiteral("Kardex"),
         movements,
         ledgerRows,
         {ledger, products},
         [&](const auto &out) {
             EXPECT_EQ(out[0].value(3).mid(3, 3), (QVariantList {1.0, 0, 0.0})) << "returned item keeps its price";
             EXPECT_EQ(out[0].value(3).value(7).toString(), QStringLiteral("NF 55 **Devolução**"));
             EXPECT_EQ(out[0].value(2).mid(3, 3), (QVariantList {4.5, 77, 6.5}));
             EXPECT_EQ(out[0].value(4).value(3).toDouble(), 0.0);
             EXPECT_EQ(out[0].value(5).value(7).toString(), QStringLiteral("Sub Lote 9 - Projeto-12"));
             EXPECT_EQ(out[1], (QList<QVariantList> {{a, 8.0, 0.0, 4}, {b, 3.0, 0.0, 2}}));
         }},
        {"label trigger",
         [] {},
         QStringLiteral("Kardex_SubLote"),
         QStringLiteral("IdKardex, IdRec, IdOrdem, Qtd_CSM"),
         {QStringLiteral("%1, 0, 801, 0").arg(k41), QStringLiteral("0, 42, 802, 0")},
         {QStringLiteral("SELECT IdOrdem, IdKardex, IdRec FROM Kardex_SubLote WHERE IdOrdem IN (801, 802) "
                         "ORDER BY IdOrdem")},
         [&](const auto &out) {
             EXPECT_EQ(out[0], (QList<QVariantList> {{801, k41, 41}, {802, k41 + 1, 42}}));
         }},
        {"plant trigger",
         [&] { choose(QStringLiteral("IdPlanta"), QStringLiteral("mnIdPlanta")); },
         QStringLiteral("Produtos"),
         QStringLiteral("Produto, IdPlanta"),
         {QStringLiteral("N'MR-P1', 0"), QStringLiteral("N'MR-P2', 606"), QStringLiteral("N'MR-P3', 0")},
         {QStringLiteral("SELECT Produto, IdPlanta, KDXok FROM Produtos WHERE Produto LIKE N'MR-P%' ORDER BY Produto"),
          QStringLiteral("SELECT COUNT(*) FROM Produtos WHERE KDXok <> 1")},
         [&](const auto &out) {
             const int active = value(QStringLiteral("SELECT IdPess FROM PessoaFJ WHERE Ativa = 1")).toInt();
             EXPECT_EQ(out[0], (QList<QVariantList> {{QStringLiteral("MR-P1"), active, 1},
                                                     {QStringLiteral("MR-P2"), 606, 1},
                                                     {QStringLiteral("MR-P3"), active, 1}}));
             EXPECT_EQ(out[1].value(0).value(0).toInt(), 0);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        c.install();
        const QString insert = QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(c.table, c.columns);
        QStringList oneByOne;
        for (const QString &row : c.rows)
            oneByOne << insert + QLatin1Char('(') + row + QLatin1Char(')');
        const BothWays r =
            runBothWays(fx, insert + QLatin1Char('(') + c.rows.join(QStringLiteral("), (")) + QLatin1Char(')'),
                        oneByOne, c.outcome);
        EXPECT_EQ(r.together, r.oneByOne);
        c.check(r.oneByOne);
    }
}

TEST_F(InstalledObjectsTest, TheFullLedgerTriggerKeepsTheProductOnInsertAndDeleteAndIgnoresUpdates)
{
    equalize();
    const QString page = pageText(QStringLiteral("Kardex_Novo"));
    const qsizetype second = page.indexOf(QLatin1String("/* Inverte o sinal do PIS COFINS de Vendas */"));
    ASSERT_GT(second, 0);
    fx.exec(page.left(second));

    const int p = product();
    fx.exec(QStringLiteral("INSERT INTO Recebimento (IdNF, IdPeça, Qtde) VALUES (77, 1, 10)"));
    const int rec = value(QStringLiteral("SELECT MAX(IdRec) FROM Recebimento")).toInt();
    fx.exec(QStringLiteral("INSERT INTO NFs_Itens (IdNF, pIPI) VALUES (77, 6.5)"));
    const int item = value(QStringLiteral("SELECT MAX(IdItemNF) FROM NFs_Itens")).toInt();
    fx.exec(QStringLiteral(
                "INSERT INTO Kardex (IdProd, Qtd, Saldo, IdRec, IdItemNF, Preço) VALUES (%1, 10, 10, %2, %3, 4.5)")
                .arg(p)
                .arg(rec)
                .arg(item));
    const int first = lastKardex();
    EXPECT_EQ(
        fx.rows(QStringLiteral("SELECT IdNFK, IPIk, Preço, CASE WHEN DATE_LCTO IS NULL THEN 0 ELSE 1 END FROM Kardex "
                               "WHERE IdKardex = %1")
                    .arg(first))
            .value(0),
        (QVariantList {77, 6.5, 4.5, 1}));
    EXPECT_EQ(productState(p), state(0, first, 0, 10));

    // Two rows in one statement: both walked; the outgoing one loses its price.
    fx.exec(
        QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, Saldo, Preço) VALUES (%1, -4, 6, 3), (%1, 5, 11, 2)").arg(p));
    const int last = lastKardex();
    EXPECT_EQ(
        value(QStringLiteral("SELECT COUNT(*) FROM Kardex WHERE IdProd = %1 AND DATE_LCTO IS NOT NULL").arg(p)).toInt(),
        3);
    EXPECT_EQ(value(QStringLiteral("SELECT Preço FROM Kardex WHERE IdProd = %1 AND Qtd < 0").arg(p)).toDouble(), 0.0);
    EXPECT_EQ(productState(p), state(0, last, 0, 11));

    // An update changes nothing, not even the product.
    fx.exec(QStringLiteral("UPDATE Kardex SET Saldo = 999, Preço = 8 WHERE IdKardex = %1").arg(last - 1));
    EXPECT_EQ(productState(p), state(0, last, 0, 11));
    EXPECT_EQ(value(QStringLiteral("SELECT Preço FROM Kardex WHERE IdKardex = %1").arg(last - 1)).toDouble(), 8.0);

    // Deleting the last movement: the product follows the remaining ledger.
    fx.exec(QStringLiteral("DELETE FROM Kardex WHERE IdKardex = %1").arg(last));
    EXPECT_EQ(productState(p), state(0, last - 1, 0, 999));
}

TEST_F(InstalledObjectsTest, TheFullLedgerTriggerIgnoresStatementsWithoutRowsAndSurvivesAnError)
{
    equalize();
    const QString page = pageText(QStringLiteral("Kardex_Novo"));
    fx.exec(page.left(page.indexOf(QLatin1String("/* Inverte o sinal do PIS COFINS de Vendas */"))));
    const int p = product();
    fx.exec(QStringLiteral("INSERT INTO NFs_Itens (IdNF, pIPI) VALUES (78, 5)"));
    const int item = value(QStringLiteral("SELECT MAX(IdItemNF) FROM NFs_Itens")).toInt();
    fx.exec(QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, Saldo, IdItemNF) VALUES (%1, 3, 3, %2)").arg(p).arg(item));
    const int k = lastKardex();
    // The purchase item's rate changes afterwards: only a statement that touches movements takes it.
    fx.exec(QStringLiteral("UPDATE NFs_Itens SET pIPI = 12 WHERE IdItemNF = %1").arg(item));
    fx.exec(QStringLiteral("UPDATE Kardex SET Saldo = Saldo WHERE 1 = 0"));
    fx.exec(QStringLiteral("DELETE FROM Kardex WHERE 1 = 0"));
    EXPECT_EQ(value(QStringLiteral("SELECT IPIk FROM Kardex WHERE IdKardex = %1").arg(k)).toDouble(), 5.0);

    // A sub-lot whose supplier text cannot take the order number fails its insert, and the walk's
    // cursor does not outlive it: the next insert on the same connection runs.
    fx.exec(QStringLiteral("INSERT INTO Reservas (IdPRJ, IdPai, Projeto) VALUES (4, %1, 13)").arg(p));
    const int res = value(QStringLiteral("SELECT MAX(IdRes) FROM Reservas")).toInt();
    fx.exec(QStringLiteral("INSERT INTO OFs_New (Qtd_Pedida, IdPRJ, IdProd) VALUES (1, 4, %1)").arg(p));
    const int before = value(QStringLiteral("SELECT COUNT(*) FROM Kardex")).toInt();
    QString message;
    try {
        fx.exec(QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, Saldo, IdResK, Fornecedor, Documento) "
                               "VALUES (%1, 1, 4, %2, REPLICATE(N'x', 95), N'Sub Lote 1')")
                    .arg(p)
                    .arg(res));
        ADD_FAILURE() << "the sub-lot insert ran";
    } catch (const std::exception &e) {
        message = QString::fromUtf8(e.what());
    }
    EXPECT_TRUE(message.contains(QLatin1String("truncated"))) << message.toStdString();
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM Kardex")).toInt(), before);
    fx.exec(QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, Saldo) VALUES (%1, 2, 5)").arg(p));
    EXPECT_EQ(productState(p), state(0, lastKardex(), 0, 5));
    // The earlier movement now takes the purchase item's new rate.
    EXPECT_EQ(value(QStringLiteral("SELECT IPIk FROM Kardex WHERE IdKardex = %1").arg(k)).toDouble(), 12.0);
}

TEST_F(InstalledObjectsTest, TheFullLedgerTriggerMarksSubLotsAndReturns)
{
    equalize();
    const QString page = pageText(QStringLiteral("Kardex_Novo"));
    fx.exec(page.left(page.indexOf(QLatin1String("/* Inverte o sinal do PIS COFINS de Vendas */"))));
    const int p = product();
    fx.exec(QStringLiteral("INSERT INTO Reservas (IdPRJ, IdPai, Projeto) VALUES (3, %1, 12)").arg(p));
    const int res = value(QStringLiteral("SELECT MAX(IdRes) FROM Reservas")).toInt();
    fx.exec(QStringLiteral("INSERT INTO OFs_New (Qtd_Pedida, IdPRJ, IdProd) VALUES (10, 3, %1)").arg(p));
    const int order = value(QStringLiteral("SELECT MAX(IdOrdem) FROM OFs_New")).toInt();
    fx.exec(QStringLiteral("INSERT INTO [Itens Nota] (IdNota, IdPeça, Qtde, CFOPtxt) VALUES (1, 1, 2, N'1.201')"));
    const int own = value(QStringLiteral("SELECT MAX(IdItem) FROM [Itens Nota]")).toInt();

    fx.exec(QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, Saldo, IdResK, Fornecedor, Documento) "
                           "VALUES (%1, 5, 5, %2, N'Almox', N'Sub Lote 9')")
                .arg(p)
                .arg(res));
    const int lot = lastKardex();
    fx.exec(
        QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, Saldo, IdItemV, Documento) VALUES (%1, -2, 3, %2, N'NF 55')")
            .arg(p)
            .arg(own));
    const int back = lastKardex();
    // A later insert appends nothing twice.
    fx.exec(QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, Saldo) VALUES (%1, 1, 4)").arg(p));
    EXPECT_EQ(
        fx.rows(QStringLiteral("SELECT Fornecedor, Documento FROM Kardex WHERE IdKardex = %1").arg(lot)).value(0),
        (QVariantList {QStringLiteral("Almox - OP001-%1").arg(order), QStringLiteral("Sub Lote 9 - Projeto-12")}));
    EXPECT_EQ(value(QStringLiteral("SELECT Documento FROM Kardex WHERE IdKardex = %1").arg(back)).toString(),
              QStringLiteral("NF 55 **Devolução**"));
}

TEST_F(InstalledObjectsTest, TheInventoryEvolutionStartsFromTheLastCountOrChangesNothing)
{
    clickTab(w->shell().PageControl1, w->shell().TabSheet12);
    fx.prompter().queueAnswer(Prompter::Answer::Yes);
    fx.click(QStringLiteral("GetTriggers"));

    // No count in phase 2: the positions end at 0, ledger and stock stay.
    const int bare = product(QStringLiteral("Produto, LastIdK, LastIdKInDate, SValidar, Estoque"),
                             QStringLiteral("N'A', 4, 5, 6, 7"));
    fx.exec(QStringLiteral("INSERT INTO Inventário (IdProd, IdDI, Fase, Qtd) VALUES (%1, 1, 1, 50)").arg(bare));
    fx.exec(QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, Saldo, Data) VALUES (%1, 3, 3, '2026-01-20')").arg(bare));
    fx.exec(QStringLiteral("EXEC Evol_Invent_Kardex %1").arg(bare));
    EXPECT_EQ(productState(bare), state(0, 0, 0, 7));
    EXPECT_EQ(balances(bare), QList<double> {3});

    // A count of 30 on 10 January: the movements from the next day on are rebuilt from it.
    const int p = product();
    fx.exec(QStringLiteral("INSERT INTO DataInv (DataInv) VALUES ('2026-01-10T00:00:00')"));
    const int count = value(QStringLiteral("SELECT MAX(IdDI) FROM DataInv")).toInt();
    fx.exec(QStringLiteral("INSERT INTO Inventário (IdProd, IdDI, Fase, Qtd) VALUES (%1, %2, 2, 20), (%1, %2, 2, 10)")
                .arg(p)
                .arg(count));
    fx.exec(QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, Saldo, Data) VALUES (%1, 8, 8, '2026-01-09'), "
                           "(%1, 1, 9, '2026-01-10T18:00:00'), (%1, 5, 0, '2026-01-11'), (%1, -2, 0, '2026-01-12')")
                .arg(p));
    const int last = lastKardex();
    fx.exec(QStringLiteral("EXEC Evol_Invent_Kardex %1").arg(p));
    EXPECT_EQ(balances(p), (QList<double> {8, 9, 35, 33}));
    EXPECT_EQ(productState(p), state(count, last, 30, 33));

    // The count's first movement is the one with the lowest identifier at or after the date, even when
    // a later identifier was stored first.
    const int late = product();
    fx.exec(
        QStringLiteral("INSERT INTO Inventário (IdProd, IdDI, Fase, Qtd) VALUES (%1, %2, 2, 30)").arg(late).arg(count));
    const int base = lastKardex() + 100;
    fx.exec(
        QStringLiteral("SET IDENTITY_INSERT Kardex ON "
                       "INSERT INTO Kardex (IdKardex, IdProd, Qtd, Saldo, Data) VALUES (%2, %1, 5, 0, '2026-01-12') "
                       "INSERT INTO Kardex (IdKardex, IdProd, Qtd, Saldo, Data) VALUES (%3, %1, -2, 0, '2026-01-11') "
                       "INSERT INTO Kardex (IdKardex, IdProd, Qtd, Saldo, Data) VALUES (%4, %1, 8, 8, '2026-01-09') "
                       "SET IDENTITY_INSERT Kardex OFF")
            .arg(late)
            .arg(base + 2)
            .arg(base + 1)
            .arg(base));
    fx.exec(QStringLiteral("EXEC Evol_Invent_Kardex %1").arg(late));
    EXPECT_EQ(balances(late), (QList<double> {8, 28, 33}));
    EXPECT_EQ(productState(late), state(count, base + 2, 30, 33));

    // A product without ledger rows: the count is taken, nothing else.
    const int empty = product();
    fx.exec(QStringLiteral("INSERT INTO Inventário (IdProd, IdDI, Fase, Qtd) VALUES (%1, %2, 2, 12)")
                .arg(empty)
                .arg(count));
    fx.exec(QStringLiteral("EXEC Evol_Invent_Kardex %1").arg(empty));
    EXPECT_EQ(productState(empty), state(count, 0, 12, 0));
}

TEST_F(InstalledObjectsTest, TheBalanceRepairRewritesAtMostAHundredRowsFromTheNewestBreak)
{
    choose(QStringLiteral("Erro_Saldo_Kardex"), QStringLiteral("mErro_SaldoKardex"));

    // No break (a complement row moves nothing): only the product's positions are set.
    const int sound = product();
    fx.exec(QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, Saldo, H_MIN_MVT) VALUES (%1, 10, 10, 0), (%1, 5, 10, 1), "
                           "(%1, -3, 7, 0)")
                .arg(sound));
    fx.exec(QStringLiteral("EXEC Erro_Saldo_Kardex %1").arg(sound));
    EXPECT_EQ(balances(sound), (QList<double> {10, 10, 7}));
    EXPECT_EQ(productState(sound), state(0, lastKardex(), 0, 7));

    // A break before a complement row: the repair moves the complement by nothing, as the search
    // does, so a second call finds no break.
    const int complement = product();
    fx.exec(QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, Saldo, H_MIN_MVT) VALUES (%1, 10, 10, 0), (%1, 5, 20, 0), "
                           "(%1, -3, 20, 1), (%1, 2, 22, 0)")
                .arg(complement));
    for (int call = 1; call <= 2; ++call) {
        fx.exec(QStringLiteral("EXEC Erro_Saldo_Kardex %1").arg(complement));
        EXPECT_EQ(balances(complement), (QList<double> {10, 15, 15, 17})) << call;
    }
    EXPECT_EQ(productState(complement), state(0, lastKardex(), 0, 17));

    // A break at the second row, 150 rows from it on: the first 100 are rebuilt.
    const int p = product();
    fx.exec(QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, Saldo) VALUES (%1, 10, 10)").arg(p));
    fx.exec(QStringLiteral("DECLARE @i int = 0 WHILE @i < 150 BEGIN INSERT INTO Kardex (IdProd, Qtd, Saldo) "
                           "VALUES (%1, 1, 100 + @i) SET @i = @i + 1 END")
                .arg(p));
    const int breakRow =
        value(QStringLiteral("SELECT MIN(IdKardex) FROM Kardex WHERE IdProd = %1 AND Saldo = 100").arg(p)).toInt();
    fx.exec(QStringLiteral("EXEC Erro_Saldo_Kardex %1").arg(p));
    QList<double> expected {10};
    for (int i = 0; i < 150; ++i)
        expected << (i < 100 ? 11 + i : 100 + i);
    EXPECT_EQ(balances(p), expected);
    EXPECT_EQ(productState(p), state(0, lastKardex(), 10, 249));
    // The next call starts again from the newest break, after the rebuilt rows.
    fx.exec(QStringLiteral("EXEC Erro_Saldo_Kardex %1").arg(p));
    EXPECT_EQ(balances(p).last(), 160.0);
    EXPECT_GT(breakRow, 0);
}

TEST_F(InstalledObjectsTest, ANewProductGetsThePlantOfTheActiveCompanyUnlessItHasOne)
{
    choose(QStringLiteral("IdPlanta"), QStringLiteral("mnIdPlanta"));
    const int active = value(QStringLiteral("SELECT IdPess FROM PessoaFJ WHERE Ativa = 1")).toInt();
    const int kept = product(QStringLiteral("Produto, IdPlanta"), QStringLiteral("N'Com planta', 606"));
    const int set = product();
    EXPECT_EQ(value(QStringLiteral("SELECT IdPlanta FROM Produtos WHERE IdProd = %1").arg(kept)).toInt(), 606);
    EXPECT_EQ(value(QStringLiteral("SELECT IdPlanta FROM Produtos WHERE IdProd = %1").arg(set)).toInt(), active);
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM Produtos WHERE KDXok <> 1")).toInt(), 0);
    EXPECT_GT(value(QStringLiteral("SELECT COUNT(*) FROM Produtos")).toInt(), 2);
}

TEST_F(InstalledObjectsTest, TheLabelTriggerCompletesSubLotsFromTheLedger)
{
    choose(QStringLiteral("Memo3"), QStringLiteral("GNR_Etiquetas"));
    fx.exec(QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, Saldo, IdRec) VALUES (1, 4, 4, 41)"));
    const int k = lastKardex();
    fx.exec(
        QStringLiteral("INSERT INTO Kardex_SubLote (IdKardex, IdRec, IdOrdem, Qtd_CSM) VALUES (%1, 0, 1, 0)").arg(k));
    fx.exec(QStringLiteral("INSERT INTO Kardex_SubLote (IdKardex, IdRec, IdOrdem, Qtd_CSM) VALUES (0, 41, 1, 0)"));
    EXPECT_EQ(fx.rows(QStringLiteral(
                          "SELECT IdKardex, IdRec FROM Kardex_SubLote WHERE IdRec = 41 OR IdKardex = %1 ORDER BY IdKSL")
                          .arg(k)),
              (QList<QVariantList> {{k, 41}, {k, 41}}));
}

// The reference pages hold scripts the server accepts, one batch at a time (batches end at a
// line GO), on a database that has the tables: equalized and with its accent-free columns.
TEST_F(InstalledObjectsTest, TheReferenceScriptsAreAcceptedBatchByBatch)
{
    equalize();
    fx.prompter().queueAnswer(Prompter::Answer::Yes);
    fx.click(QStringLiteral("SemAcento"));
    ASSERT_TRUE(fx.prompter().texts(QStringLiteral("error")).isEmpty());
    // TOP_Kardex alters two triggers that the page " TRIGGERs união " creates.
    // GNR_Recebimento_Pedidos_Abertos recreates the label trigger that Memo3 creates.
    for (const char *memo : {"Memo3", "Varios", "TOP_Kardex", "Memo2", "Memo1", "Constraints", "Saldo_OPs",
                             "GNR_Gera_B2B", "GNR_Recebimento_Pedidos_Abertos"}) {
        const QStringList batches =
            pageText(QString::fromLatin1(memo)).split(QStringLiteral("\r\nGO\r\n"), Qt::SkipEmptyParts);
        EXPECT_GE(batches.size(), 1) << memo;
        for (const QString &batch : batches) {
            try {
                fx.exec(batch);
            } catch (const std::exception &e) {
                ADD_FAILURE() << memo << ": " << e.what() << "\n" << batch.left(200).toStdString();
            }
        }
    }
    // What some of them do.
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM sys.triggers")).toInt(), 34);
    // The trigger listing: every trigger, newest first, with its table and whether it is disabled.
    fx.exec(QStringLiteral("DISABLE TRIGGER GNR_IPI ON IPI"));
    const auto triggers = fx.rows(pageText(QStringLiteral("Memo3")).section(QStringLiteral("\r\nGO\r\n"), 0, 0));
    ASSERT_EQ(triggers.size(), 34);
    for (qsizetype i = 1; i < triggers.size(); ++i)
        EXPECT_GE(triggers[i - 1].value(3).toDateTime(), triggers[i].value(3).toDateTime()) << i;
    QStringList disabled;
    for (const QVariantList &row : triggers)
        if (row.value(4).toBool())
            disabled << QStringList {row.value(0).toString(), row.value(1).toString(), row.value(2).toString()}.join(
                QLatin1Char('|'));
    EXPECT_EQ(disabled, QStringList {QStringLiteral("GNR_IPI|IPI|SQL_TRIGGER")});
    fx.exec(QStringLiteral("ENABLE TRIGGER GNR_IPI ON IPI"));
    fx.exec(QStringLiteral(
        "UPDATE Unidades SET Descricao = N'Peça solta' WHERE Unidade = (SELECT MIN(Unidade) FROM Unidades)"));
    EXPECT_EQ(
        value(QStringLiteral("SELECT Descrição FROM Unidades WHERE Unidade = (SELECT MIN(Unidade) FROM Unidades)"))
            .toString(),
        QStringLiteral("Peça solta"));
    fx.exec(QStringLiteral("INSERT INTO SBuild_Etiquetas (IdOrdem, Posicao) VALUES (7, 4)"));
    EXPECT_FALSE(value(QStringLiteral("SELECT ReadData FROM SBuild_Etiquetas WHERE IdOrdem = 7")).isNull());
    // The constraint listing: one row per constraint column, with what it references or its definition.
    fx.exec(QStringLiteral("ALTER TABLE Kardex WITH NOCHECK ADD CONSTRAINT FK_Kardex_Lista FOREIGN KEY (IdProd) "
                           "REFERENCES Produtos (IdProd)"));
    const auto constraints = fx.rows(pageText(QStringLiteral("Constraints")).section(QStringLiteral("\r\nGO\r\n"), 0, 0));
    EXPECT_GT(constraints.size(), 10);
    // Table, constraint, type, description, column, position, referenced table and column, definition, disabled.
    auto listed = [&](const QString &name) {
        for (const QVariantList &row : constraints)
            if (row.value(2).toString() == name) {
                QStringList cells;
                for (int c : {0, 2, 3, 4, 5, 6, 7, 8, 9, 10})
                    cells << (row.value(c).isNull() ? QStringLiteral("NULL") : row.value(c).toString().trimmed());
                return cells.join(QLatin1Char('|')).toStdString();
            }
        return std::string();
    };
    EXPECT_EQ(listed(QStringLiteral("PK_Kardex")),
              std::string("Kardex|PK_Kardex|PK|PRIMARY_KEY_CONSTRAINT|IdKardex|1|NULL|NULL|NULL|false"));
    EXPECT_EQ(listed(QStringLiteral("DF_Kardex_Qtd")),
              std::string("Kardex|DF_Kardex_Qtd|D|DEFAULT_CONSTRAINT|Qtd|NULL|NULL|NULL|((0))|false"));
    EXPECT_EQ(listed(QStringLiteral("FK_Kardex_Lista")),
              std::string("Kardex|FK_Kardex_Lista|F|FOREIGN_KEY_CONSTRAINT|IdProd|1|Produtos|IdProd|"
                             "ON DELETE NO ACTION ON UPDATE NO ACTION|false"));
    // An order of 4 on a routing of phases 10 and 20: 5 started (one rejected), then 4 good at the end.
    const int p = product();
    fx.exec(QStringLiteral("INSERT INTO Processos (IdProd, Fase) VALUES (%1, 10), (%1, 20)").arg(p));
    const int first =
        value(QStringLiteral("SELECT IdProcesso FROM Processos WHERE IdProd = %1 AND Fase = 10").arg(p)).toInt();
    const int last =
        value(QStringLiteral("SELECT IdProcesso FROM Processos WHERE IdProd = %1 AND Fase = 20").arg(p)).toInt();
    fx.exec(QStringLiteral("INSERT INTO OFs_New (IdProd, Qtd_Pedida) VALUES (%1, 4)").arg(p));
    const int op = value(QStringLiteral("SELECT MAX(IdOrdem) FROM OFs_New")).toInt();
    const QString order = QStringLiteral("SELECT MenorFASE, MaiorFASE, Iniciadas, Terminadas, QtdBoas, QtdRejeitadas, "
                                         "EmProcesso, Estado FROM OFs_New WHERE IdOrdem = %1")
                              .arg(op);
    const QString totals = QStringLiteral("SELECT Fábrica, Lançou FROM Produtos WHERE IdProd = %1").arg(p);
    fx.exec(QStringLiteral("INSERT INTO OF_Apoint (IdOF, IdProcesso, QtdeBoa, QtdeNC) VALUES (%1, %2, 4, 1)")
                .arg(op)
                .arg(first));
    EXPECT_EQ(fx.rows(order).value(0), (QVariantList {10, 20, 5.0, 0.0, 0.0, 1.0, 4.0, 1}));
    EXPECT_EQ(fx.rows(totals).value(0), (QVariantList {4.0, 4.0}));
    fx.exec(QStringLiteral("INSERT INTO OF_Apoint (IdOF, IdProcesso, QtdeBoa, QtdeNC) VALUES (%1, %2, 4, 0)")
                .arg(op)
                .arg(last));
    EXPECT_EQ(fx.rows(order).value(0), (QVariantList {10, 20, 5.0, 4.0, 4.0, 1.0, 0.0, 2}));
    EXPECT_EQ(fx.rows(totals).value(0), (QVariantList {0.0, 0.0}));
    // The first phase's posting corrected to 6 good, then removed: the order goes back to what is left.
    fx.exec(QStringLiteral("UPDATE OF_Apoint SET QtdeBoa = 6 WHERE IdOF = %1 AND IdProcesso = %2").arg(op).arg(first));
    EXPECT_EQ(fx.rows(order).value(0), (QVariantList {10, 20, 7.0, 4.0, 4.0, 1.0, 2.0, 2}));
    fx.exec(QStringLiteral("DELETE FROM OF_Apoint WHERE IdOF = %1 AND IdProcesso = %2").arg(op).arg(first));
    EXPECT_EQ(fx.rows(order).value(0), (QVariantList {10, 20, 0.0, 4.0, 4.0, 0.0, 0.0, 2}));
    // A posting of no order (IdOF NULL) is kept and counts for no order.
    fx.exec(
        QStringLiteral("INSERT INTO OF_Apoint (IdOF, IdProcesso, QtdeBoa, QtdeNC) VALUES (NULL, %1, 3, 0)").arg(first));
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM OF_Apoint WHERE IdOF IS NULL")).toInt(), 1);
    EXPECT_EQ(fx.rows(order).value(0), (QVariantList {10, 20, 0.0, 4.0, 4.0, 0.0, 0.0, 2}));

    // An authorised invoice gets its protocol date: the signed XML goes into its envelope, once.
    const QString declaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    const QString nfe = QStringLiteral("<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe/></NFe>");
    fx.exec(QStringLiteral("INSERT INTO Notas (NotaNº, NFe_Status, NFe_XML, NFe_chave, NFe_NumProtocolo) "
                           "VALUES (N'901', 3, N'%1%2', N'3526', N'135'), (N'902', 1, N'%1%2', N'3527', N'136')")
                .arg(declaration, nfe));
    const int nota = value(QStringLiteral("SELECT IdNota FROM Notas WHERE NotaNº = N'901'")).toInt();
    const int pending = value(QStringLiteral("SELECT IdNota FROM Notas WHERE NotaNº = N'902'")).toInt();
    fx.exec(QStringLiteral("INSERT INTO Notas_XMLs (IdNota, DigestValue) VALUES (%1, N'dg1'), (%2, N'dg2')")
                .arg(nota)
                .arg(pending));
    fx.exec(QStringLiteral("UPDATE Notas SET NFe_DataProtocolo = '2026-03-02T10:11:12' WHERE IdNota IN (%1, %2)")
                .arg(nota)
                .arg(pending));
    // Read as a sized text: through the dataset an nvarchar(max) column comes back empty.
    const QString xmln = QStringLiteral("SELECT CAST(NFe_XMLn AS nvarchar(4000)) FROM Notas WHERE IdNota = %1");
    const QString proc =
        QStringLiteral("<nfeProc xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\">") + nfe
        + QStringLiteral("<protNFe versao=\"4.00\"><infProt><tpAmb>1</tpAmb><verAplic>Quorvel NFe4.00.0</verAplic>"
                         "<chNFe>3526</chNFe><dhRecbto>2026-03-02T10:11:12-03:00</dhRecbto><nProt>135</nProt>"
                         "<digVal>dg1</digVal><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo></infProt>"
                         "</protNFe></nfeProc>");
    EXPECT_EQ(value(xmln.arg(nota)).toString(), declaration + proc);
    EXPECT_TRUE(value(xmln.arg(pending)).isNull());
    fx.exec(QStringLiteral("UPDATE Notas SET NFe_DataProtocolo = '2026-03-03' WHERE IdNota = %1").arg(nota));
    EXPECT_EQ(value(xmln.arg(nota)).toString(), declaration + proc);
    // Its item gets the customer's order and item, then a lot: the B2B text is made again from the envelope.
    fx.exec(QStringLiteral("INSERT INTO [Itens Nota] (IdNota, Qtde) VALUES (%1, 2)").arg(nota));
    const int item = value(QStringLiteral("SELECT MAX(IdItem) FROM [Itens Nota]")).toInt();
    fx.exec(QStringLiteral("UPDATE [Itens Nota] SET xPed = N'PC-77', nItemPed = N'3' WHERE IdItem = %1").arg(item));
    fx.exec(QStringLiteral("UPDATE [Itens Nota] SET xLote = N'L9' WHERE IdItem = %1").arg(item));
    const QString b2b =
        declaration + QStringLiteral("<NFeB2BFin versao=\"1.00\">") + proc
        + QStringLiteral("<NFeB2B><det nItem=\"%1\"><xPed>PC-77</xPed><nItemPed>3</nItemPed><xLote>L9</xLote>"
                         "<xEstoque></xEstoque></det></NFeB2B></NFeB2BFin>")
              .arg(item);
    EXPECT_EQ(value(xmln.arg(nota)).toString(), b2b);
    fx.exec(QStringLiteral("UPDATE [Itens Nota] SET Qtde = 3 WHERE IdItem = %1").arg(item));
    EXPECT_EQ(value(xmln.arg(nota)).toString(), b2b);

    // Two receipts against a delivery of 10 leave 3 to deliver; the receipts carry the invoice to their
    // ledger rows and date it; taking one back reopens its quantity, taking both clears the date.
    fx.exec(QStringLiteral("INSERT INTO NFs (Número) VALUES (N'E-55')"));
    const int nf = value(QStringLiteral("SELECT MAX(IdNF) FROM NFs")).toInt();
    fx.exec(
        QStringLiteral("INSERT INTO Itens_CRONOS (IdItemP, cQtde, dQtde, cDataItem) VALUES (1, 10, 10, '2026-04-01')"));
    const int crn = value(QStringLiteral("SELECT MAX(IdCrn) FROM Itens_CRONOS")).toInt();
    const int nextRec = value(QStringLiteral("SELECT ISNULL(MAX(IdRec), 0) + 1 FROM Recebimento")).toInt();
    fx.exec(QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, IdRec) VALUES (%1, 4, %2)").arg(p).arg(nextRec));
    fx.exec(QStringLiteral("INSERT INTO Recebimento (IdNF, Qtde, IdCrn) VALUES (%1, 4, %2)").arg(nf).arg(crn));
    fx.exec(QStringLiteral("INSERT INTO Recebimento (IdNF, Qtde, IdCrn) VALUES (%1, 3, %2)").arg(nf).arg(crn));
    const QString toDeliver = QStringLiteral("SELECT dQtde FROM Itens_CRONOS WHERE IdCrn = %1").arg(crn);
    const QString received = QStringLiteral("SELECT DataReceb FROM NFs WHERE IdNF = %1").arg(nf);
    EXPECT_DOUBLE_EQ(value(toDeliver).toDouble(), 3.0);
    EXPECT_EQ(value(QStringLiteral("SELECT IdNFK FROM Kardex WHERE IdRec = %1").arg(nextRec)).toInt(), nf);
    EXPECT_FALSE(value(received).isNull());
    fx.exec(QStringLiteral("DELETE FROM Recebimento WHERE IdNF = %1 AND Qtde = 3").arg(nf));
    EXPECT_DOUBLE_EQ(value(toDeliver).toDouble(), 6.0);
    EXPECT_FALSE(value(received).isNull());
    fx.exec(QStringLiteral("DELETE FROM Recebimento WHERE IdNF = %1").arg(nf));
    EXPECT_DOUBLE_EQ(value(toDeliver).toDouble(), 10.0);
    EXPECT_TRUE(value(received).isNull());

    // A customer renumbered on import takes its invoices, orders and pieces along; two at once each take their own.
    fx.exec(QStringLiteral("INSERT INTO PessoaFJ (Razão, IdPessORG) VALUES (N'Importada', 7001), (N'Outra', 7002)"));
    fx.exec(QStringLiteral("INSERT INTO Notas (NotaNº, IdPess) VALUES (N'903', 7001)"));
    fx.exec(QStringLiteral("INSERT INTO Pedidos ([Nº Pedido], IdPess) VALUES (9031, 7001)"));
    fx.exec(QStringLiteral("INSERT INTO Peças (Código, IdPess) VALUES (N'IMP-1', 7001), (N'IMP-2', 7002)"));
    fx.exec(QStringLiteral("UPDATE PessoaFJ SET IdPessORG = 8001 WHERE IdPessORG = 7001"));
    EXPECT_EQ(value(QStringLiteral("SELECT IdPess FROM Notas WHERE NotaNº = N'903'")).toInt(), 8001);
    EXPECT_EQ(value(QStringLiteral("SELECT IdPess FROM Pedidos WHERE [Nº Pedido] = 9031")).toInt(), 8001);
    EXPECT_EQ(value(QStringLiteral("SELECT IdPess FROM Peças WHERE Código = N'IMP-1'")).toInt(), 8001);
    fx.exec(QStringLiteral("UPDATE PessoaFJ SET IdPessORG = IdPessORG + 1000 WHERE IdPessORG IN (8001, 7002)"));
    EXPECT_EQ(value(QStringLiteral("SELECT IdPess FROM Peças WHERE Código = N'IMP-2'")).toInt(), 8002);
    EXPECT_EQ(value(QStringLiteral("SELECT IdPess FROM Notas WHERE NotaNº = N'903'")).toInt(), 9001);
    // Products given their first plant (from 0) take no rejection along.
    fx.exec(QStringLiteral("INSERT INTO OF_Rejeitos (IdApt, Qtde, IdPlt) VALUES (1, 1, 0)"));
    const QString withoutPlant = QStringLiteral("SELECT COUNT(*) FROM OF_Rejeitos WHERE IdPlt = 0");
    const int rejections = value(withoutPlant).toInt();
    fx.exec(QStringLiteral("UPDATE Produtos SET IdPlanta = 3 WHERE IdPlanta = 0"));
    EXPECT_EQ(value(withoutPlant).toInt(), rejections);
    // A payment term renumbered takes its invoices along, and still keeps its accent-free twin.
    fx.exec(QStringLiteral("INSERT INTO FormaPgto (CódigoPgto, IdFPgtoORG) VALUES (N'30 dias', 61)"));
    fx.exec(QStringLiteral("INSERT INTO Notas (NotaNº, IdForma) VALUES (N'904', 61)"));
    fx.exec(QStringLiteral("UPDATE FormaPgto SET IdFPgtoORG = 62 WHERE IdFPgtoORG = 61"));
    EXPECT_EQ(value(QStringLiteral("SELECT IdForma FROM Notas WHERE NotaNº = N'904'")).toInt(), 62);
    EXPECT_EQ(value(QStringLiteral("SELECT CodigoPgto FROM FormaPgto WHERE IdFPgtoORG = 62")).toString(),
              QStringLiteral("30 dias"));
    // An order renumbered takes its postings along; its first number (from 0) takes none.
    fx.exec(QStringLiteral("INSERT INTO OF_Apoint (IdOF, QtdeBoa) VALUES (0, 1)"));
    fx.exec(QStringLiteral("UPDATE OFs_New SET IdOF = %1 WHERE IdOrdem = %1").arg(op));
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM OF_Apoint WHERE IdOF = 0")).toInt(), 1);
    fx.exec(QStringLiteral("UPDATE OFs_New SET IdOF = %1 WHERE IdOrdem = %2").arg(op + 5000).arg(op));
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM OF_Apoint WHERE IdOF = %1").arg(op + 5000)).toInt(), 1);
    // Two purchase invoices renumbered in one statement, one onto the other's old number: each
    // takes its own items and ledger rows along.
    fx.exec(QStringLiteral("INSERT INTO NFs (Número, IDNFORG) VALUES (N'R-1', 501), (N'R-2', 502)"));
    fx.exec(QStringLiteral("INSERT INTO NFs_Itens (IdNF, pIPI) VALUES (501, 1.25), (502, 2.75)"));
    fx.exec(QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, IdNFK) VALUES (%1, 1, 501), (%1, 2, 502)").arg(p));
    fx.exec(QStringLiteral("UPDATE NFs SET IDNFORG = CASE IDNFORG WHEN 501 THEN 502 ELSE 1502 END "
                           "WHERE IDNFORG IN (501, 502)"));
    EXPECT_EQ(fx.rows(QStringLiteral("SELECT IdNF FROM NFs_Itens WHERE pIPI IN (1.25, 2.75) ORDER BY pIPI")),
              (QList<QVariantList> {{502}, {1502}}));
    EXPECT_EQ(
        fx.rows(QStringLiteral("SELECT IdNFK FROM Kardex WHERE IdProd = %1 AND Qtd IN (1, 2) ORDER BY Qtd").arg(p)),
        (QList<QVariantList> {{502}, {1502}}));

    // A piece whose mirror number leaves 0 (not yet given) carries nothing: the items of piece 0 stay.
    fx.exec(QStringLiteral("INSERT INTO Peças (Código, IdPeca) VALUES (N'ZERO-1', 0)"));
    fx.exec(QStringLiteral("INSERT INTO [Itens Nota] (IdNota, IdPeça) VALUES (1, 0)"));
    const int zeroItems = value(QStringLiteral("SELECT COUNT(*) FROM [Itens Nota] WHERE IdPeça = 0")).toInt();
    fx.exec(QStringLiteral("UPDATE Peças SET IdPeca = IdPeça WHERE Código = N'ZERO-1'"));
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM [Itens Nota] WHERE IdPeça = 0")).toInt(), zeroItems);
    EXPECT_GE(zeroItems, 1);

    // A stock count of several cards frees the ledger of every product.
    fx.exec(pageText(QStringLiteral("GNR_Inventario")));
    fx.exec(QStringLiteral("UPDATE Produtos SET KDXok = 0"));
    fx.exec(QStringLiteral("INSERT INTO Inventário (IdProd, Fase, Qtd) VALUES (%1, 2, 1), (%1, 2, 2)").arg(p));
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM Produtos WHERE KDXok <> 1")).toInt(), 0);

    // A statement that touches no label leaves the labels it did not touch as they are.
    const int k = value(QStringLiteral("SELECT CAST(IDENT_CURRENT('Kardex') AS int) + 1")).toInt();
    fx.exec(
        QStringLiteral("INSERT INTO Kardex_SubLote (IdKardex, IdRec, IdOrdem, Qtd_CSM) VALUES (%1, 0, 1, 0)").arg(k));
    fx.exec(QStringLiteral("INSERT INTO Kardex (IdProd, Qtd, IdRec) VALUES (%1, 1, 77)").arg(p));
    fx.exec(QStringLiteral("DELETE FROM Kardex_SubLote WHERE 1 = 0"));
    EXPECT_EQ(value(QStringLiteral("SELECT IdRec FROM Kardex_SubLote WHERE IdKardex = %1").arg(k)).toInt(), 0);
}
