#include "switch/ApplicationSwitch.h"

#include "connection/Command.h"
#include "connection/Dataset.h"

namespace ApplicationSwitch {

bool isEnabledState(const QString &stateText)
{
    return stateText == QLatin1String("0");
}

Change changeFor(const QString &stateText)
{
    return isEnabledState(stateText) ? Change::Disable : Change::Enable;
}

QString disableQuestion()
{
    return QStringLiteral("Deseja realmente DERRUBAR o aplicativo VALDOR de todas as estações ..!");
}

QString hintFor(const QString &stateText)
{
    return isEnabledState(stateText) ? QStringLiteral("Encerra todos os aplicativos ORVO.exe na Rede ..!")
                                     : QStringLiteral("Libera todos os usuários para o aplicativos ORVO.EXE ..!");
}

QString stateFor(Change change)
{
    return change == Change::Disable ? QStringLiteral("1") : QStringLiteral("0");
}

QString stampStatement(Change change)
{
    return change == Change::Disable ? QStringLiteral("Update Jobs SET DataFT = GetDate(), RespFT = SYSTEM_USER")
                                     : QStringLiteral("Update Jobs SET DataRT = GetDate(), RespRT = SYSTEM_USER");
}

Report run(Dataset &jobs, Command &command, Change change, const std::function<void(const QString &)> &writeState)
{
    Report report;
    report.change = change;
    report.state = stateFor(change);
    report.stampStatement = stampStatement(change);
    jobs.edit();
    if (writeState)
        writeState(report.state);
    else
        jobs.setValue(QStringLiteral("Estado"), report.state.toInt());
    jobs.post();
    jobs.close();
    report.stampedRows = command.execute(report.stampStatement);
    jobs.open();
    return report;
}

} // namespace ApplicationSwitch
