// What orvo-admin reads from the catalogues of the window: the mirror columns named by the
// mirror run's own statements, and the steps that every run repeats.
#include "cli/MirrorColumns.h"
#include "cli/SchemaRun.h"
#include "maintenance/Catalogue.h"

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
