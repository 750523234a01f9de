#include "maintenance/installer/Installer.h"

#include "maintenance/installer/ObjectTexts.h"

#include <QHash>

namespace installer {

const StatementOutcome *InstallReport::failedCreation() const
{
    if (!creationSent || statements.isEmpty() || statements.last().ok)
        return nullptr;
    return &statements.last();
}

QList<MissingObject> missingAfter(const QList<InstallReport> &reports)
{
    struct State
    {
        bool present = false;
        QString error;
        bool refused = false;
    };
    QStringList order; // object names folded to lower case, in order of first refusal
    QHash<QString, State> states;
    for (const InstallReport &report : reports) {
        const QString key = report.object.toLower();
        for (qsizetype i = 0; i < report.statements.size(); ++i) {
            const StatementOutcome &outcome = report.statements[i];
            const bool creation = report.creationSent && i == report.statements.size() - 1;
            State &state = states[key];
            if (outcome.ok) {
                state.present = creation;
            } else if (creation) {
                state.error = outcome.error;
                if (!state.refused)
                    order << key;
                state.refused = true;
            }
        }
    }
    QList<MissingObject> missing;
    for (const QString &key : std::as_const(order)) {
        if (states[key].present)
            continue;
        // The name as the first report wrote it.
        for (const InstallReport &report : reports)
            if (report.object.toLower() == key) {
                missing.append({report.object, states[key].error});
                break;
            }
    }
    return missing;
}

Installer::Installer(Command &command) : m_command(command)
{ }

namespace {

InstallReport reportFor(const QString &item, const QString &object)
{
    InstallReport report;
    report.item = item;
    report.object = object;
    return report;
}

SchemaStep silentStep(const QString &text)
{
    SchemaStep step;
    step.statement = text;
    step.guard = Guard::Silent;
    return step;
}

QString creationText(const MenuItem &item)
{
    const QString name = QString::fromLatin1(item.textName);
    return item.source == TextSource::Page ? pageText(name) : builtInText(name);
}

} // namespace

InstallReport Installer::install(const MenuItem &item, const std::function<QString()> &readCnpj)
{
    const QString name = QString::fromLatin1(item.name);
    const QString object = QString::fromUtf8(item.object);
    if (item.kind != ItemKind::Entry && item.kind != ItemKind::DropOnly)
        return reportFor(name, object);
    if (!item.cnpjs.isEmpty()) {
        const QString cnpj = readCnpj ? readCnpj() : QString();
        if (!gateAdmits(item, cnpj)) {
            InstallReport report = reportFor(name, object);
            report.gatedOut = true;
            return report;
        }
    }
    const bool create = item.kind == ItemKind::Entry;
    return send(name, object, QString::fromUtf8(item.dropText), create ? creationText(item) : QString(), create);
}

QList<InstallReport> Installer::runTriggerBatch()
{
    QList<InstallReport> reports;
    for (const BatchStep &step : triggerBatch()) {
        const QString name = QString::fromLatin1(step.name);
        switch (step.kind) {
        case BatchStep::Kind::Entry:
            if (const MenuItem *item = menuItem(name); item && item->kind == ItemKind::Entry)
                reports << install(*item);
            break;
        case BatchStep::Kind::Install:
            reports << send(name, name, QString::fromLatin1(step.dropText),
                            builtInText(QString::fromLatin1(step.textName)), true);
            break;
        case BatchStep::Kind::Drop:
            reports << send(name, name, QString::fromLatin1(step.dropText), QString(), false);
            break;
        case BatchStep::Kind::Create:
            reports << send(name, name, QString(), builtInText(QString::fromLatin1(step.textName)), true);
            break;
        }
    }
    return reports;
}

InstallReport Installer::send(const QString &item, const QString &object, const QString &dropText,
                              const QString &creationText, bool withCreation)
{
    QList<SchemaStep> steps;
    if (!dropText.isEmpty())
        steps << silentStep(dropText);
    if (withCreation)
        steps << silentStep(creationText);
    StepRunner runner(m_command);
    runner.onStatement = onStatement;
    runner.run(steps);
    InstallReport report = reportFor(item, object);
    report.statements = runner.outcomes();
    report.creationSent = withCreation;
    return report;
}

} // namespace installer
