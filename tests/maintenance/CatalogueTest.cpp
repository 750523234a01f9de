// The catalogues as data: what the runs send, counted and checked against the rules that
// build the statements.
#include "maintenance/Catalogue.h"
#include "maintenance/ColumnDescription.h"
#include "maintenance/catalogue/CatalogueData.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace catalogue;

namespace {

std::vector<const Step *> allSteps()
{
    std::vector<const Step *> out;
    for (auto area : {fiscalSteps(), stockSteps(), productionSteps(), userSteps(), wholeSteps()})
        for (const Step &s : area)
            out.push_back(&s);
    return out;
}

} // namespace

TEST(SchemaCatalogue, HoldsEightySixNumberedStepsWithTheirTablesColumnsAndDescriptions)
{
    QList<int> numbers;
    int creates = 0, columns = 0, descriptions = 0;
    for (const Step *s : allSteps()) {
        numbers << s->number;
        creates += s->form == Form::CreateTable;
        columns += int(s->columns.size());
        descriptions += int(catalogueDescriptions(*s).size());
        EXPECT_EQ(s->form == Form::Whole, s->columns.empty()) << s->number;
    }
    std::sort(numbers.begin(), numbers.end());
    QList<int> expected;
    for (int i = 1; i <= 86; ++i)
        expected << i;
    EXPECT_EQ(numbers, expected); // each step once
    EXPECT_EQ(creates, 18);
    EXPECT_EQ(columns, 299);
    EXPECT_EQ(descriptions, 200);

    const QList<SchemaStep> run = schemaCatalogue();
    ASSERT_EQ(run.size(), 86);
    int total = 0;
    for (int i = 0; i < run.size(); ++i) {
        const Guard want = (i + 1 == 5 || i + 1 == 7)     ? Guard::Reported
                           : (i + 1 == 14 || i + 1 == 15) ? Guard::Unguarded
                                                          : Guard::Silent;
        EXPECT_EQ(run[i].guard, want) << "step " << i + 1;
        EXPECT_FALSE(run[i].statement.contains(QLatin1Char('\n')) || run[i].statement.contains(QLatin1Char('\r')))
            << i + 1;
        EXPECT_TRUE(run[i].milestone.isEmpty());
        for (const DescriptionEntry &d : run[i].descriptions) {
            EXPECT_EQ(d.mode, QStringLiteral("Não_Excluir"));
            EXPECT_FALSE(d.table.startsWith(QLatin1Char('[')) || d.table.startsWith(QStringLiteral("dbo.")));
            EXPECT_LE(d.text.size(), 186) << qPrintable(d.table + QLatin1Char('.') + d.column);
            ++total;
        }
    }
    EXPECT_EQ(total, 200);
}

TEST(SchemaCatalogue, StatementsFollowTheFormsOfTheColumnTables)
{
    const QList<SchemaStep> run = schemaCatalogue();
    EXPECT_EQ(
        run[0].statement,
        QStringLiteral(
            "ALTER TABLE dbo.NatFiscal ADD ShowGraphic tinyint NOT NULL CONSTRAINT DF_NatFiscal_ShowG DEFAULT 1"));
    // A name with a blank in brackets; accented names as they stand.
    EXPECT_TRUE(run[7].statement.startsWith(
        QStringLiteral("ALTER TABLE dbo.[Itens Nota] ADD IdCCT int NOT NULL CONSTRAINT DF_ITN_IdCCT DEFAULT 0, ")));
    EXPECT_TRUE(run[55].statement.startsWith(QStringLiteral("ALTER TABLE dbo.[Itens Pedido] ADD TipoKardex int")));
    EXPECT_EQ(
        run[3].statement,
        QStringLiteral("ALTER TABLE dbo.Peças ADD QPecasEtqs int NOT NULL CONSTRAINT DF_Prd_QPecasEtqs DEFAULT 0"));
    EXPECT_EQ(run[7].descriptions.first().table, QStringLiteral("Itens Nota"));
    // Identity, server-named defaults, a key clause and the filegroup ending.
    EXPECT_TRUE(run[4].statement.startsWith(
        QStringLiteral("CREATE TABLE dbo.cClassTrib(IdCCT int IDENTITY(1,1) NOT NULL, CCT nvarchar(6) NOT NULL, ")));
    EXPECT_TRUE(run[4].statement.contains(QStringLiteral(", Tributar tinyint NOT NULL DEFAULT 0, ")));
    EXPECT_TRUE(run[4].statement.endsWith(QStringLiteral(
        ", CONSTRAINT [PK_cClassTrib] PRIMARY KEY CLUSTERED ( [CST] ASC, [CCT] ASC )WITH (PAD_INDEX = OFF, "
        "STATISTICS_NORECOMPUTE = OFF, "
        "IGNORE_DUP_KEY = OFF, ALLOW_ROW_LOCKS = ON, ALLOW_PAGE_LOCKS = ON) ON [PRIMARY]) ON [PRIMARY]")));
    // Nullability not stated: nothing between the type and the next column.
    EXPECT_TRUE(run[52].statement.endsWith(QStringLiteral(", DataM date NOT NULL, Host nvarchar(80))")));
    // A server-named text default on a nullable column.
    EXPECT_TRUE(run[82].statement.startsWith(
        QStringLiteral("ALTER TABLE dbo.NFs_ItensAJUSTE ADD xAjuste nvarchar(15) NULL DEFAULT 'Inv.Drumesk', ")));
    EXPECT_EQ(run[13].statement, QStringLiteral("UPDATE IPI SET diIVA = 45929 FROM dbo.IPI"));
    EXPECT_EQ(run[14].statement, QStringLiteral("UPDATE IPI SET dfIVA = 47481 FROM dbo.IPI"));
    // The description of gIBSUF_vIBSUF keeps its closing tab.
    bool tab = false;
    for (const DescriptionEntry &d : run[7].descriptions)
        if (d.column == QLatin1String("gIBSUF_vIBSUF"))
            tab = d.text == QStringLiteral("IBS-UF Valor do IBS\t");
    EXPECT_TRUE(tab);
    // Further entries come after those of the columns, naming their own table.
    EXPECT_EQ(run[74].descriptions.last().table, QStringLiteral("ContasPR"));
    EXPECT_EQ(run[74].descriptions.last().column, QStringLiteral("Csld"));
}

TEST(SchemaCatalogue, DefaultConstraintNamesAreUsedOnce)
{
    QSet<QString> names;
    for (const Step *s : allSteps())
        for (const Column &c : s->columns)
            if (!c.constraint.empty()) {
                const QString name = QString::fromUtf8(c.constraint.data(), qsizetype(c.constraint.size()));
                EXPECT_FALSE(names.contains(name.toLower())) << name.toStdString();
                names.insert(name.toLower());
            }
    EXPECT_TRUE(names.contains(QStringLiteral("embalagens_pesocaixa")));
}

TEST(MirrorCatalogue, AddsSilentlyCopiesUnguardedAndMarksFifteenPoints)
{
    const QList<SchemaStep> run = mirrorCatalogue();
    ASSERT_EQ(run.size(), 46);
    QStringList marks;
    int descriptions = 0;
    for (const SchemaStep &s : run) {
        if (s.statement.startsWith(QStringLiteral("ALTER TABLE dbo.")))
            EXPECT_EQ(s.guard, Guard::Silent) << s.statement.toStdString();
        else if (s.statement.startsWith(QStringLiteral("UPDATE ")))
            EXPECT_EQ(s.guard, Guard::Unguarded) << s.statement.toStdString();
        else
            ADD_FAILURE() << s.statement.toStdString();
        if (!s.milestone.isEmpty())
            marks << s.milestone;
        descriptions += int(s.descriptions.size());
    }
    EXPECT_EQ(marks, QStringList({"10%", "20%", "30%", "35%", "40%", "45%", "50%", "55%", "60%", "65%", "70%", "72%",
                                  "74%", "80%", "81%"}));
    EXPECT_EQ(descriptions, 10);
    EXPECT_EQ(run[0].milestone, QStringLiteral("10%"));
    EXPECT_EQ(run[37].statement, QStringLiteral("UPDATE Peças SET IdPeca =IdPeça FROM Peças"));
}

TEST(ColumnDescription, WritesBothTemplatesToTheByte)
{
    EXPECT_EQ(ColumnDescription::statements(QStringLiteral("Não_Excluir"), QStringLiteral("Itens Nota"),
                                            QStringLiteral("Qtde"), QStringLiteral("Quantidade")),
              QStringList {QStringLiteral(
                  "DECLARE @v sql_variant SET @v = 'Quantidade'EXECUTE sp_addextendedproperty 'MS_Description', @v, "
                  "'user', 'dbo', 'table', 'Itens Nota', 'column', 'Qtde'")});
    EXPECT_EQ(
        ColumnDescription::statements(QStringLiteral("Excluir_Antes"), QStringLiteral("Peças"),
                                      QStringLiteral("IdPeça"), QStringLiteral("Id")),
        (QStringList {
            QStringLiteral(
                "EXECUTE sp_dropextendedproperty 'MS_Description','user', dbo, 'table', 'Peças', 'column', 'IdPeça'"),
            QStringLiteral("DECLARE @v sql_variant SET @v = 'Id'EXECUTE sp_addextendedproperty 'MS_Description', @v, "
                           "'user', 'dbo', 'table', 'Peças', 'column', 'IdPeça'")}));
    // The mode is compared case-sensitively: only the exact word drops.
    EXPECT_EQ(ColumnDescription::statements(QStringLiteral("excluir_antes"), QStringLiteral("T"), QStringLiteral("C"),
                                            QStringLiteral("x"))
                  .size(),
              1);
    EXPECT_EQ(ColumnDescription::statements(QStringLiteral("EXCLUIR_ANTES"), QStringLiteral("T"), QStringLiteral("C"),
                                            QStringLiteral("x"))
                  .size(),
              1);
    // A quote inside a value stays data.
    EXPECT_EQ(ColumnDescription::addStatement(QStringLiteral("Peça d'água"), QStringLiteral("T"), QStringLiteral("C")),
              QStringLiteral(
                  "DECLARE @v sql_variant SET @v = 'Peça d''água'EXECUTE sp_addextendedproperty 'MS_Description', @v, "
                  "'user', 'dbo', 'table', 'T', 'column', 'C'"));
}
