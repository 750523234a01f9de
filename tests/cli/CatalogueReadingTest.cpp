// What orvo-admin reads from the catalogues of the window: the mirror columns named by the
// mirror run's own statements, the steps that every run repeats, and how a definition held by
// a database compares with the texts the program carries.
#include "cli/InstalledObjects.h"
#include "cli/MirrorColumns.h"
#include "cli/SchemaRun.h"
#include "maintenance/Catalogue.h"
#include "maintenance/installer/ObjectTexts.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

QString joined(const MirrorColumns::Column &c)
{
    return c.table + QLatin1Char('.') + c.column;
}

TEST(MirrorColumnsTest, EveryColumnOfTheAddingStepsOnceWithBracketedTablesAndSizesKept)
{
    const QList<MirrorColumns::Column> columns = MirrorColumns::addedBy(mirrorCatalogue());
    QStringList names;
    for (const auto &c : columns)
        names << joined(c);
    // Steps 31, 32 and 35 repeat additions of steps 1, 20 and 18: listed once.
    EXPECT_EQ(names.count(QStringLiteral("CEPs.IdCep")), 1);
    EXPECT_EQ(names.count(QStringLiteral("NatFiscal.Codigo")), 1);
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), names.size());
    // A bracketed table name, the comma inside IDENTITY (1, 1) and float(53) split nothing.
    EXPECT_TRUE(names.contains(QStringLiteral("Itens Pedido.PrecoNF")));
    EXPECT_TRUE(names.contains(QStringLiteral("Especificações.IdEmp")));
    EXPECT_TRUE(names.contains(QStringLiteral("NFs.Serie")));
    EXPECT_TRUE(names.contains(QStringLiteral("Recebimento.PrecoR")));
    for (const QString &n : names) {
        EXPECT_FALSE(n.contains(QLatin1Char('('))) << qPrintable(n);
        EXPECT_FALSE(n.contains(QLatin1Char(' ')) && !n.startsWith(QLatin1String("Itens Pedido."))) << qPrintable(n);
    }
    // The copying steps add nothing.
    EXPECT_FALSE(names.contains(QStringLiteral("Unidades.Descrição")));
    EXPECT_EQ(names.first(), QStringLiteral("CEPs.IdCep"));
    EXPECT_EQ(names.last(), QStringLiteral("Recebimento.PrecoR"));
}

TEST(RepeatingStepsTest, TheTwoIvaUpdatesAndTheThreeLockEscalationsOfTheCatalogue)
{
    const QList<SchemaStep> steps = schemaCatalogue();
    QList<int> repeating;
    for (int i = 0; i < steps.size(); ++i)
        if (repeatsEveryRun(steps[i]))
            repeating << i + 1;
    EXPECT_EQ(repeating, (QList<int> {14, 15, 48, 61, 77}));
}

} // namespace

namespace {

// What a database may hold for GNR_UP_Kardex_Novo, and the verdict of each.
TEST(InstalledObjectVerdictTest, TheFullVersionAFinalLineEndAndAChangedLine)
{
    const QString shortText = installer::carriedText(QStringLiteral("GNR_UP_Kardex_Novo"));
    const QString fullText = installer::pageText(QStringLiteral("Kardex_Novo"));
    ASSERT_NE(InstalledObjects::normalizedLineEnds(shortText), InstalledObjects::normalizedLineEnds(fullText));
    QString changed = shortText;
    changed.insert(changed.indexOf(QLatin1Char('\r')) + 1, QStringLiteral("-- mudado\r"));
    const struct
    {
        const char *what;
        QString held;
        InstalledObjects::State state;
        int line;
    } cases[] = {
        {"the short version", shortText, InstalledObjects::State::Same, 0},
        {"the full version", fullText, InstalledObjects::State::SameFull, 0},
        {"a final line end more", shortText + QStringLiteral("\r\n"), InstalledObjects::State::Same, 0},
        {"LF line ends", QString(shortText).replace(QLatin1Char('\r'), QLatin1Char('\n')),
         InstalledObjects::State::Same, 0},
        {"a line inserted after the first", changed, InstalledObjects::State::Different, 2},
        {"the full version with a line more", fullText + QStringLiteral("\r\n-- fim"),
         InstalledObjects::State::Different, 0},
    };
    for (const auto &c : cases) {
        InstalledObjects::Object o {QStringLiteral("GNR_UP_Kardex_Novo"), QStringLiteral("trigger")};
        InstalledObjects::compare(o, c.held);
        EXPECT_EQ(o.state, c.state) << c.what;
        if (c.line > 0) {
            EXPECT_EQ(o.firstDifferentLine, c.line) << c.what;
        }
    }
}

} // namespace
