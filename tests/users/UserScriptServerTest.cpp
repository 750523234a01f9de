// The insert script of the current user (ImportaKDXC on " Exportar Usuários "), against an
// own sql-standin: the script is run back on the server and must recreate the user.
#include "UserListTest.h"
#include "users/UserScript.h"

#include <QToolButton>

namespace {

// Left out of the script, so given anew by the server or left empty.
const QStringList kNotExported {QStringLiteral("RGUser"), QStringLiteral("IdUser"),
                                QStringLiteral("Assinatura_Compras"), QStringLiteral("Assinatura_Diretoria")};

class UserScriptTest : public UserListTest
{
protected:
    // The export page, then its first button, as a person does.
    QString exportCurrent()
    {
        sh->PageControl1->setCurrentWidget(sh->TabSheet12);
        QTest::mouseClick(sh->ImportaKDXC, Qt::LeftButton);
        return memo();
    }
};

} // namespace

TEST_F(UserScriptTest, TheScriptRecreatesTheUserColumnForColumn)
{
    // A name with a quote and a letter outside the server's code page, NULLs of every kind,
    // a time of day with all its digits, and columns added later of the types the script
    // renders by choice.
    fx.exec(QStringLiteral(
        "ALTER TABLE Usuarios ADD DiasExpirar int NOT NULL CONSTRAINT DF_Usuarios_DiasExpirar DEFAULT 60"));
    fx.exec(
        QStringLiteral("ALTER TABLE Usuarios ADD DataRedefiniu date NULL, Apelido varchar(20) NULL, Turno time NULL, "
                       "Ultimo datetime NULL, Saldo money NULL, Peso float NULL, Cota decimal(12,3) NULL, "
                       "Ramal smallint NULL, Conta bigint NULL, Nivel int NULL"));
    fx.exec(QStringLiteral(
        "UPDATE Usuarios SET Nome = N'Łukasz D''Ávila', Follow_LIB00 = N'a''b''''c', Eng3 = NULL, "
        "DataRedefiniu = '20261130', Ultimo = '2026-11-30T07:15:42.997', Saldo = 1234.5678, "
        "Peso = 0.1, Cota = -12.345, Turno = '07:05:42.123', Ramal = -32768, Conta = 9223372036854775807 "
        "WHERE Registro = N'0103'"));
    reconnect();
    pick(QStringLiteral("Łukasz D'Ávila"));
    const QMap<QString, QVariant> before = row(QStringLiteral("0103"));
    ASSERT_FALSE(before.isEmpty());

    fx.server().markLog();
    const QString script = exportCurrent();
    EXPECT_TRUE(fx.server().batches().isEmpty()); // the export sends nothing
    EXPECT_TRUE(fx.prompter().prompts().isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    EXPECT_TRUE(script.startsWith(QStringLiteral("INSERT INTO Usuarios ( Registro, Nome, Senha, Vendas0, ")));
    EXPECT_TRUE(script.contains(QStringLiteral(", Via_acesso, DiasExpirar, DataRedefiniu, ")));
    // One statement: a carriage return alone between names and values, which the memo
    // shows as a line break.
    const QString exact = UserScript::insertScript(*sh->SenhaSQL).script;
    EXPECT_EQ(exact.count(QChar(13)), 1);
    EXPECT_FALSE(exact.contains(QChar(10)));
    EXPECT_TRUE(exact.contains(QStringLiteral(", Conta, Nivel ) \rVALUES (N'0103', ")));
    EXPECT_EQ(script, QString(exact).replace(QChar(13), QChar(10)));
    EXPECT_TRUE(script.contains(QStringLiteral("VALUES (N'0103', N'Łukasz D''Ávila', N'x9y8', '0', ")));
    EXPECT_TRUE(script.contains(
        QStringLiteral(", '0', '60', '20261130', NULL, '07:05:42.1230000', '2026-11-30T07:15:42.997', ")))
        << qPrintable(script.right(300));
    for (const QString &name : kNotExported)
        EXPECT_FALSE(script.contains(name)) << qPrintable(name);

    fx.exec(QStringLiteral("DELETE Usuarios WHERE Registro = N'0103'"));
    fx.exec(script);
    const QMap<QString, QVariant> after = row(QStringLiteral("0103"));
    ASSERT_FALSE(after.isEmpty());
    QMap<QString, QString> types;
    for (const QVariantList &r : fx.rows(QStringLiteral(
             "SELECT COLUMN_NAME, DATA_TYPE FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_NAME = 'Usuarios'")))
        types[r.value(0).toString()] = r.value(1).toString();
    int nullTexts = 0;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (kNotExported.contains(it.key()))
            continue;
        const QString type = types.value(it.key());
        const QVariant got = after.value(it.key());
        // A null bit is written as '0'; a null Unicode or fixed-length text as ''.
        if (it.value().isNull() && type == QLatin1String("bit")) {
            EXPECT_EQ(got, QVariant(false)) << qPrintable(it.key());
        } else if (it.value().isNull() && (type.startsWith(QLatin1Char('n')) || type == QLatin1String("char"))) {
            EXPECT_FALSE(got.isNull()) << qPrintable(it.key());
            EXPECT_EQ(got.toString().trimmed(), QString()) << qPrintable(it.key());
            ++nullTexts;
        } else {
            EXPECT_EQ(got.isNull(), it.value().isNull()) << qPrintable(it.key());
            EXPECT_EQ(got.toString(), it.value().toString()) << qPrintable(it.key());
            EXPECT_EQ(got, it.value()) << qPrintable(it.key());
        }
    }
    EXPECT_GT(nullTexts, 5); // EmailU, VendasFLAGS, the telephones ...
}

TEST_F(UserScriptTest, ASecondClickReplacesTheMemoAndAnEmptyListExportsNothing)
{
    pick(QStringLiteral("João da Silva"));
    exportCurrent();
    pick(QStringLiteral("Maria Conceição"));
    const QString script = exportCurrent();
    EXPECT_EQ(script.count(QStringLiteral("INSERT INTO")), 1);
    EXPECT_TRUE(script.contains(QStringLiteral("VALUES (N'0002', N'Maria Conceição', N'abcd', ")));
    // Maria has no purchases password: a null nchar is written as two quotes.
    EXPECT_TRUE(script.contains(QStringLiteral(", N'', N'', '1', '0', '0')"))) << qPrintable(script.right(80));

    // No current user: nothing exported, the memo stays empty, and the reason is shown.
    search(QStringLiteral("9999"));
    ASSERT_TRUE(sh->SenhaSQL->isEmpty());
    EXPECT_TRUE(exportCurrent().isEmpty());
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("message")),
              QStringList {QStringLiteral("Não há usuário corrente para exportar ..!")});
    EXPECT_TRUE(fx.prompter().texts(QStringLiteral("error")).isEmpty());
}
