// The demonstration database with the triggers installed as the README tells: equalized, each
// entry chosen from the installer, then the statements the README sends with tsql.
#include "ObjectsServerFixture.h"

namespace {

class DemoScenarioTest : public ObjectsServerTest
{
protected:
    QStringList serverArguments() const override
    {
        return {QStringLiteral("--database"),
                QStringLiteral("zAraradovi=%1/sister-demo.sql").arg(StandinServer::fixturesDir())};
    }
    void SetUp() override
    {
        ObjectsServerTest::SetUp();
        equalize();
        for (const char *item : {"GNRBaixa_filhos", "GNREstocar_Conjuntos", "GNRBaixaEstornoNFes",
                                 "GNRSaldoNotasTerceiros", "GNRSaldoTerceirosRETORNA", "GNR_NEW_ContasPR"})
            installed(QLatin1String(item));
    }
    double stockOf(const QString &name)
    {
        return value(QStringLiteral("SELECT Estoque FROM Produtos WHERE Produto = N'%1'").arg(name)).toDouble();
    }
};

} // namespace

TEST_F(DemoScenarioTest, TheReadmeStatementsShowEveryTriggerAtWork)
{
    // A posting of 8 assemblies at the final phase.
    exec(QStringLiteral("INSERT INTO OF_Apoint (IdOF, IdProcesso, Registro, QtdeBoa, DataS, DataE) "
                        "SELECT 300, IdProcesso, 120, 8, '2026-12-09T07:00', '2026-12-09T11:00' FROM Processos WHERE "
                        "Operação = N'Montar e parafusar'"));
    EXPECT_EQ(rows(QStringLiteral("SELECT Produtos.Produto, Kardex.Qtd, Kardex.Saldo, Kardex.Operador FROM Kardex "
                                  "INNER JOIN Produtos ON Produtos.IdProd = Kardex.IdProd WHERE Kardex.IdApoint > 0 "
                                  "ORDER BY Kardex.IdKardex")),
              (QList<QVariantList> {{QStringLiteral("Suporte SP-20"), 8, 18, QStringLiteral("120/Carlos Pereira")},
                                    {QStringLiteral("Chapa aço 2 mm"), -10, 190, QStringLiteral("120/Carlos Pereira")},
                                    {QStringLiteral("Parafuso M8"), -32, 968, QStringLiteral("120/Carlos Pereira")}}));

    // The invoice authorised: 4 assemblies leave, the XML gets its envelope.
    exec(QStringLiteral("UPDATE Notas SET NFe_Status = 3 WHERE NotaNº = '1250'"));
    EXPECT_EQ(rows(QStringLiteral("SELECT Qtd, Saldo, Documento FROM Kardex WHERE IdItemV > 0")),
              (QList<QVariantList> {{-4, 14, QStringLiteral("NFe. 001250 Emissão: 04/12/26 Qtde: 4")}}));
    EXPECT_TRUE(
        value(QStringLiteral("SELECT CAST(NFe_XMLn AS nvarchar(4000)) FROM Notas WHERE NotaNº = '1250'"))
            .toString()
            .endsWith(QLatin1String("<xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe></nfeProc>")));

    // 40 of the 100 sent for processing come back: the balance falls, and the return is posted on
    // the order, which stocks 40 more and consumes their components.
    exec(QStringLiteral("INSERT INTO Retorna (IdItem, IdItemNF, Qtd_recebida, DataM) SELECT [Itens Nota].IdItem, "
                        "NFs_Itens.IdItemNF, 40, GETDATE() "
                        "FROM [Itens Nota], NFs_Itens WHERE [Itens Nota].CFOPtxt = '5901' AND NFs_Itens.qCom = 40"));
    EXPECT_EQ(rows(QStringLiteral("SELECT SdoN, SQtdeRet FROM [Itens Nota] WHERE CFOPtxt = '5901'")),
              (QList<QVariantList> {{60, 40}}));
    EXPECT_EQ(value(QStringLiteral("SELECT MTerc FROM Produtos WHERE Produto = N'Suporte SP-20'")).toDouble(), 60);
    EXPECT_EQ(rows(QStringLiteral("SELECT QtdeBoa, nObs FROM OF_Apoint WHERE Registro = -2")),
              (QList<QVariantList> {{40, QStringLiteral("NFe envio: 1260 - NFe ret: 7788")}}));
    EXPECT_EQ(stockOf(QStringLiteral("Suporte SP-20")), 54);
    EXPECT_EQ(stockOf(QStringLiteral("Chapa aço 2 mm")), 140);

    // The plastics plant's title deleted at the head office: its origin in zAraradovi goes.
    EXPECT_EQ(count(QStringLiteral("zAraradovi.dbo.ContasPR")), 1);
    exec(QStringLiteral("DELETE FROM ContasPR WHERE IdEmp = 7898"));
    EXPECT_EQ(count(QStringLiteral("zAraradovi.dbo.ContasPR")), 0);
}
