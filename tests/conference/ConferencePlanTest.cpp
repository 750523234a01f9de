// The statements of a conference run, from the lines of the reader files.
#include "conference/ConferencePlan.h"
#include "StatementCorpus.h"
#include "conference/ConferenceStatements.h"
#include "conference/ReaderFiles.h"

#include <gtest/gtest.h>

namespace {

using Kind = ConferenceStep::Kind;

const QString company = QString::fromUtf8("Bravik Indústria Metalúrgica Ltda");

QList<ConferenceStep> stepsOf(const QStringList &lines, const QString &companyValue = company)
{
    ConferencePlan plan(lines, companyValue);
    QList<ConferenceStep> out;
    ConferenceStep step;
    while (plan.next(step))
        out << step;
    return out;
}

QList<Kind> kinds(const QList<ConferenceStep> &steps)
{
    QList<Kind> out;
    for (const auto &s : steps)
        out << s.kind;
    return out;
}

} // namespace

TEST(ConferencePlan, TheDemoReaderFileGivesTheStatementsOfTheCorpusInOrder)
{
    const QStringList lines = ReaderFiles::readLines(demoReaderFolder() + QStringLiteral("/exemplo.txt"));
    ASSERT_EQ(lines.size(), 10);
    QStringList texts;
    for (const auto &s : stepsOf(lines))
        texts << s.text;
    const QStringList expected = corpusStatements(QStringLiteral("conference.sql"));
    ASSERT_EQ(expected.size(), 16);
    EXPECT_EQ(texts, expected);
}

TEST(ConferencePlan, TheLastMasterLabelIsRegisteredAgainOnlyWhenItBeginsWith999999)
{
    const QStringList lines {QStringLiteral("999999-001001234-MASTER00000001"),
                             QStringLiteral("nff-001234-0001-PC1001"),
                             QStringLiteral("123456-001001235-MASTER00000002")};
    EXPECT_FALSE(kinds(stepsOf(lines)).contains(Kind::MasterInsertAgain));
    // An empty list: the delete and the seven updates.
    EXPECT_EQ(kinds(stepsOf({})), (QList<Kind> {Kind::ClearResult, Kind::Match, Kind::Match, Kind::Match, Kind::Match,
                                                Kind::Match, Kind::Attach, Kind::Attach}));
}

TEST(ConferencePlan, QuotesInTheCompanyAndOnLabelsAreDoubledInsideTheLiterals)
{
    const QString quoted = QString::fromUtf8("Bravik D'Ávila Ltda");
    const QString master = QStringLiteral("999999-0'1001'34-MASTER0000'001");
    const QString label = QStringLiteral("nff-001234-0001-PC'001");
    const QList<ConferenceStep> steps = stepsOf({master, label}, quoted);
    ASSERT_EQ(steps.size(), 11);
    EXPECT_EQ(steps[2].text,
              QString::fromUtf8("INSERT INTO ConferirTEMP (cod_empresa, Cod128, EtqNF) VALUES ('Bravik D''Ávila Ltda', "
                                "'999999-0''1001''34-MASTER0000''001', 'nff-001234-0001-PC''001')"));
    // Invoice (positions 11-16) and volume (8-10) pieces of the master label, and the company.
    EXPECT_TRUE(steps[1].text.contains(QStringLiteral("'999999-0''1001''34-MASTER0000''001' AS Cod128")));
    EXPECT_TRUE(steps[1].text.endsWith(QString::fromUtf8(
        "WHERE (num_nff = '001''34') AND (volume = '0''1') AND (cod_empresa = 'Bravik D''Ávila Ltda') AND (NOT EXISTS "
        "(SELECT * FROM Etq_MasterUD WHERE Etq_MasterUD.Cod128 = '999999-0''1001''34-MASTER0000''001'))")))
        << steps[1].text.toStdString();
}
