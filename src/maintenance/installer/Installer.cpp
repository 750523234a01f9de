#include "maintenance/installer/Installer.h"

#include "maintenance/installer/ObjectTexts.h"

namespace installer {

const StatementOutcome *InstallReport::failedCreation() const
{
    if (!creationSent || statements.isEmpty() || statements.last().ok)
        return nullptr;
    return &statements.last();
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
