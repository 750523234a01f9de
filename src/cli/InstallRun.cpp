#include "cli/InstallRun.h"

#include "app/DatasetTexts.h"
#include "cli/PlantReader.h"
#include "cli/SchemaRun.h"
#include "connection/Command.h"
#include "connection/Connection.h"
#include "connection/Dataset.h"
#include "connection/DbError.h"
#include "connection/SqlText.h"

using namespace installer;

namespace {

// Thrown from the installer's report when the server has ended the rehearsal's transaction.
struct TransactionLost
{ };

// Thrown from the installer's report when a statement ran out of time: a drop cancelled
// would leave the old object for the creation to trip on, so nothing more is sent.
struct TimedOut
{ };

} // namespace

int InstallRun::Result::creationsOk() const
{
    int n = 0;
    for (const InstallReport &r : reports)
        n += r.creationSent && !r.statements.isEmpty() && r.statements.last().ok;
    return n;
}

int InstallRun::Result::creationsFailed() const
{
    int n = 0;
    for (const InstallReport &r : reports)
        n += r.failedCreation() != nullptr;
    return n;
}

int InstallRun::statementsOf(const MenuItem &item)
{
    return item.kind == ItemKind::Entry ? 2 : item.kind == ItemKind::DropOnly ? 1 : 0;
}

int InstallRun::statementsOfBatch()
{
    int n = 0;
    for (const BatchStep &step : triggerBatch()) {
        switch (step.kind) {
        case BatchStep::Kind::Entry:
            if (const MenuItem *item = menuItem(QString::fromLatin1(step.name)))
                n += statementsOf(*item);
            break;
        case BatchStep::Kind::Install:
            n += 2;
            break;
        case BatchStep::Kind::Drop:
        case BatchStep::Kind::Create:
            n += 1;
            break;
        }
    }
    return n;
}

QString InstallRun::activeCnpj(const PlantReader &reader)
{
    return reader.read(QString::fromUtf8(DatasetTexts::OrganizacaoSQL))->value(QStringLiteral("CNPJ")).toString();
}

PlantReader InstallRun::reader() const
{
    return PlantReader(m_connection, m_command.timeout());
}

int InstallRun::transactionCount()
{
    return reader().read(QStringLiteral("SELECT @@TRANCOUNT AS Transacoes"))->asInteger(QStringLiteral("Transacoes"));
}

bool InstallRun::exists(const QString &object)
{
    return !reader()
                .read(
                    QStringLiteral("SELECT OBJECT_ID(%1) AS Id").arg(SqlText::unicode(QStringLiteral("dbo.") + object)))
                ->isNull(QStringLiteral("Id"));
}

InstallRun::Result InstallRun::runEntry(const MenuItem &item, Mode mode)
{
    if (!item.cnpjs.isEmpty()) {
        // Read before any transaction is opened: a refused entry sends nothing at all.
        const QString cnpj = activeCnpj(reader());
        if (!gateAdmits(item, cnpj)) {
            Result r;
            r.mode = mode;
            r.gatedOut = true;
            r.cnpj = cnpj;
            r.rolledBack = true;
            return r;
        }
        Result r = run(mode, statementsOf(item),
                       [&](Installer &i) { return QList<InstallReport> {i.install(item, [cnpj] { return cnpj; })}; });
        r.cnpj = cnpj;
        return r;
    }
    return run(mode, statementsOf(item), [&](Installer &i) { return QList<InstallReport> {i.install(item)}; });
}

InstallRun::Result InstallRun::runBatch(Mode mode)
{
    return run(mode, statementsOfBatch(), [](Installer &i) { return i.runTriggerBatch(); });
}

InstallRun::Result InstallRun::run(Mode mode, int count, const std::function<QList<InstallReport>(Installer &)> &work)
{
    Result result;
    result.mode = mode;
    const bool rehearse = mode == Mode::Rehearse;
    if (rehearse) {
        // As for the equalization's rehearsal: with XACT_ABORT on the first refused statement
        // would end the transaction; each statement is a batch of its own, so the setting
        // changes no outcome.
        m_command.execute(QStringLiteral("SET XACT_ABORT OFF"));
        m_command.execute(QStringLiteral("BEGIN TRANSACTION"));
    }
    Installer installer(m_command);
    installer.onStatement = [&](const StatementOutcome &o) {
        result.outcomes << o;
        if (onStatement)
            onStatement(int(result.outcomes.size()), count);
        if (!o.ok && timedOut(o)) {
            result.timedOutAtStatement = int(result.outcomes.size());
            throw TimedOut {};
        }
        if (!rehearse || o.ok)
            return;
        bool open = false;
        try {
            open = transactionCount() > 0;
        } catch (const DbError &) {
            open = false;
        }
        if (!open) {
            result.transactionLostAtStatement = int(result.outcomes.size());
            throw TransactionLost {};
        }
    };
    try {
        result.reports = work(installer);
        for (const InstallReport &r : result.reports)
            if (r.failedCreation() && !exists(r.object) && !result.leftMissing.contains(r.object))
                result.leftMissing << r.object;
    } catch (const TransactionLost &) {
    } catch (const TimedOut &) { }
    if (rehearse) {
        if (transactionCount() > 0)
            m_command.execute(QStringLiteral("ROLLBACK TRANSACTION"));
        result.rolledBack = transactionCount() == 0;
    }
    return result;
}
