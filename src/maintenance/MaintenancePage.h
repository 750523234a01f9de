#pragma once

#include "maintenance/SchemaStep.h"

#include <QObject>

#include <functional>

struct Shell;

// The maintenance runs of the page " Exportar Usuários ": the schema equalization
// (DataBaseSTRU) and the accent-free mirror run (SemAcento). They show a run's report in
// MemoCCDB and the step under way in the status bar.
class MaintenancePage : public QObject
{
    Q_OBJECT
public:
    explicit MaintenancePage(Shell &shell, QObject *parent = nullptr);

    void DataBaseSTRUClick();
    void SemAcentoClick();

private:
    // Runs the steps with the busy cursor (before runs first, under the same cursor); an
    // unguarded failure is shown in the standard error box and ends the run.
    void runSteps(const QList<SchemaStep> &steps, const std::function<void()> &before = {});

    Shell &m_shell;
};
