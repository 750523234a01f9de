// The texts the installer carries, as the server receives them: line ends, the 8-bit text
// converted, headers, and the text each entry and the batch would send.
#include "maintenance/installer/InstallerEntries.h"
#include "maintenance/installer/ObjectTexts.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace installer;

TEST(InstallerTexts, PagesEndLinesWithCrLfAndBuiltInTextsWithCrAlone)
{
    for (const ScriptPage &page : scriptPages()) {
        const QString text = pageText(QString::fromLatin1(page.memo));
        ASSERT_FALSE(text.isEmpty()) << page.memo;
        EXPECT_TRUE(text.endsWith(QLatin1String("\r\n"))) << page.memo;
        // No line feed without its carriage return, no carriage return alone.
        EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("[^\\r]\\n|\\r[^\\n]")))) << page.memo;
    }
    for (const char *object : {"GNR_Fases_Servicos", "GNR_Etiquetas_Recebimento", "GNR_DEL_ContasPR_Matriz",
                               "GNR_UP_RND_ITENS", "Evol_Invent_Kardex", "GNR_UP_Kardex_Novo"}) {
        const QString text = builtInText(QString::fromLatin1(object));
        ASSERT_FALSE(text.isEmpty()) << object;
        EXPECT_FALSE(text.contains(QLatin1Char('\n'))) << object;
        EXPECT_GE(text.count(QLatin1Char('\r')), 2) << object;
        // Each begins with its block comment.
        EXPECT_TRUE(text.startsWith(QLatin1String("/* "))) << object;
    }
    EXPECT_TRUE(pageText(QStringLiteral("NoSuchPage")).isNull());
}

TEST(InstallerTexts, TheHeadersNameWhatEachObjectIs)
{
    EXPECT_TRUE(builtInText(QStringLiteral("GNR_UP_Kardex_Novo"))
                    .startsWith(QStringLiteral("/* Transição entre as versões */\r")));
    EXPECT_TRUE(
        pageText(QStringLiteral("Kardex_Novo"))
            .startsWith(QStringLiteral("/* Transição entre as versões com o objetivo de calcular até o PMP */\r\n")));
    EXPECT_TRUE(builtInText(QStringLiteral("Evol_Invent_Kardex"))
                    .startsWith(QStringLiteral("/* Erro_Saldo_Kardex Verifica o Saldo do Kardex dos")));
    EXPECT_TRUE(pageText(QStringLiteral("Erro_Saldo_Kardex"))
                    .startsWith(QStringLiteral("/* Erro_Saldo_Kardex Verifica o Saldo do Kardex dos")));
    EXPECT_TRUE(pageText(QStringLiteral("IdPlanta"))
                    .startsWith(QStringLiteral("/* Trigger temporária até unificar os BANCOS */")));
    const QString rnd = builtInText(QStringLiteral("GNR_UP_RND_ITENS"));
    EXPECT_TRUE(rnd.startsWith(QStringLiteral("/* Atualiza programação diária */\r")));
    EXPECT_TRUE(rnd.contains(QStringLiteral("-- A- Varre tudo para retirar caracteres estranhos\r")));
    EXPECT_TRUE(rnd.contains(QStringLiteral("SELECT @IdEmp = IdEmp FROM deleted")));
}

TEST(InstallerTexts, TheEightBitTextIsConvertedFromWindows1252)
{
    // The 0x80-0x9F range holds signs, not controls.
    EXPECT_EQ(fromWindows1252(QByteArray("\x80\x96\x9c \xe7\xe3", 6)), QStringLiteral("€–œ çã"));
    const QString evol = builtInText(QStringLiteral("Evol_Invent_Kardex"));
    EXPECT_TRUE(evol.contains(QStringLiteral("Inventário")));
    EXPECT_TRUE(evol.contains(QStringLiteral("último inventário")));
    EXPECT_FALSE(evol.contains(QChar(0xFFFD)));
}

TEST(InstallerTexts, TheCarriedTextOfAnObjectIsTheOneItsInstallationLeaves)
{
    EXPECT_EQ(carriedText(QStringLiteral("GNR_UP_Kardex_Novo")), builtInText(QStringLiteral("GNR_UP_Kardex_Novo")));
    EXPECT_EQ(carriedText(QStringLiteral("Remover_acento")), pageText(QStringLiteral("Remover_Acentos")));
    EXPECT_EQ(carriedText(QStringLiteral("Evol_Invent_Kardex")), builtInText(QStringLiteral("Evol_Invent_Kardex")));
    EXPECT_EQ(carriedText(QStringLiteral("GNR_UP_IdPlanta_Produto")), pageText(QStringLiteral("IdPlanta")));
    EXPECT_TRUE(carriedText(QStringLiteral("GNR_Inventario")).isNull());
    EXPECT_TRUE(carriedText(QStringLiteral("GNR_UP_Notas_Status")).isNull());
    // Each creation text names the object it creates.
    for (const MenuItem &item : menuItems()) {
        if (item.kind != ItemKind::Entry)
            continue;
        const QString text = carriedText(QString::fromUtf8(item.object));
        EXPECT_TRUE(text.contains(QString::fromUtf8(item.object))) << item.name;
    }
}

TEST(InstallerTexts, TheGateComparesTheStoredTextUnchanged)
{
    const MenuItem *matriz = menuItem(QStringLiteral("GNR_NEW_ContasPR"));
    const MenuItem *rnd = menuItem(QStringLiteral("GNRUPContasPRVctoImpostos2"));
    ASSERT_TRUE(matriz && rnd);
    for (const char *c : {"90817263000411", "90817263000250", "90817263000169"}) {
        EXPECT_TRUE(gateAdmits(*matriz, QString::fromLatin1(c)));
        EXPECT_TRUE(gateAdmits(*rnd, QString::fromLatin1(c)));
    }
    EXPECT_FALSE(gateAdmits(*matriz, QStringLiteral("41526374000197")));
    EXPECT_TRUE(gateAdmits(*rnd, QStringLiteral("41526374000197")));
    for (const char *c : {"90.817.263/0004-11", " 90817263000411", "90817263000411 ", "", "9081726300041"})
        EXPECT_FALSE(gateAdmits(*rnd, QString::fromLatin1(c))) << c;
    EXPECT_TRUE(gateAdmits(*menuItem(QStringLiteral("GNRKardexNovo1")), QString()));
}
