// orvo-admin status: a look at each plant that only reads: the connection, the application
// switch, what the schema catalogue and the mirror run would still add, and the installer's
// objects.
#include "cli/AdminCli.h"
#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/PlantStatus.h"

#include <QJsonArray>

namespace AdminCli {
namespace {

QString switchText(const PlantStatus &s)
{
    if (!s.jobsError.isEmpty())
        return QStringLiteral("?");
    if (!s.jobsHasRow)
        return QStringLiteral("sem linha em Jobs");
    return s.switchedOn() ? QStringLiteral("liberado") : QStringLiteral("derrubado (Estado %1)").arg(s.state);
}

QString objectsLine(const PlantStatus &s)
{
    if (!s.objectsError.isEmpty())
        return QStringLiteral("Objetos: não puderam ser lidos: %1").arg(s.objectsError);
    const int notApplicable = s.objectsIn(InstalledObjects::State::NotApplicable);
    const int disabled = s.objectsIn(InstalledObjects::State::Disabled);
    return QStringLiteral(
               "Objetos: %1 de %2 instalados com o texto do programa; %3 ausentes, %4 com texto diferente%5%6")
        .arg(s.objectsIn(InstalledObjects::State::Same) + s.objectsIn(InstalledObjects::State::SameFull))
        .arg(s.objects.size())
        .arg(s.objectsIn(InstalledObjects::State::Missing))
        .arg(s.objectsIn(InstalledObjects::State::Different))
        .arg(disabled > 0 ? QStringLiteral("; %1 desativado%2").arg(disabled).arg(disabled == 1 ? "" : "s") : QString())
        .arg(notApplicable > 0 ? QStringLiteral("; %1 não se aplicam a esta empresa").arg(notApplicable) : QString());
}

QString encryptionText(const PlantStatus &s)
{
    if (!s.encrypted.has_value())
        return QStringLiteral("desconhecida: %1").arg(s.encryptionError);
    return *s.encrypted ? QStringLiteral("sim (toda a sessão)") : QStringLiteral("não");
}

// The objects in the final table: how many are missing and how many differ (a disabled
// trigger differs from the one the program installs).
QString objectsCell(const PlantStatus &s)
{
    if (!s.objectsError.isEmpty())
        return QStringLiteral("?");
    return QStringLiteral("%1/%2")
        .arg(s.objectsIn(InstalledObjects::State::Missing))
        .arg(s.objectsIn(InstalledObjects::State::Different) + s.objectsIn(InstalledObjects::State::Disabled));
}

void printStatus(Context &c, const QList<PlantStatus> &all)
{
    QList<QStringList> rows;
    for (const PlantStatus &s : all) {
        c.console.print(QStringLiteral("Planta %1 (%2, banco %3)").arg(s.plant, s.server, s.database));
        if (!s.reachable) {
            c.console.print(QStringLiteral("  Conexão: falhou: %1").arg(s.connectError));
            c.console.print(QString());
            rows << QStringList {s.plant,
                                 QStringLiteral("falhou"),
                                 QStringLiteral("-"),
                                 QStringLiteral("-"),
                                 QStringLiteral("-"),
                                 QStringLiteral("-"),
                                 QStringLiteral("-")};
            continue;
        }
        c.console.print(QStringLiteral("  Conexão: ok"));
        c.console.print(QStringLiteral("  Criptografia: %1").arg(encryptionText(s)));
        if (!s.jobsError.isEmpty())
            c.console.print(QStringLiteral("  Aplicativo: Jobs não pode ser lida: %1").arg(s.jobsError));
        else {
            c.console.print(QStringLiteral("  Aplicativo: %1").arg(switchText(s)));
            if (s.jobsHasRow) {
                c.console.print(
                    QStringLiteral("    Desabilitado em ... %1  Responsável ..... %2").arg(s.disabledAt, s.disabledBy));
                c.console.print(
                    QStringLiteral("    Reabilitado em .... %1  Responsável ..... %2").arg(s.enabledAt, s.enabledBy));
            }
        }
        QString steps = QStringLiteral("-"), descriptions = QStringLiteral("-");
        if (!s.catalogueError.isEmpty())
            c.console.print(QStringLiteral("  Catálogo: os metadados não puderam ser lidos: %1").arg(s.catalogueError));
        else {
            steps = QString::number(s.pendingSteps);
            descriptions = QString::number(s.pendingDescriptions);
            c.console.print(QStringLiteral("  Catálogo: %1 de %2 passos mudariam o esquema (mais %3 que toda execução "
                                           "repete); %4 de %5 descrições seriam gravadas")
                                .arg(s.pendingSteps)
                                .arg(s.steps)
                                .arg(s.repeatingSteps)
                                .arg(s.pendingDescriptions)
                                .arg(s.descriptions));
            if (!s.pendingStepNumbers.isEmpty()) {
                QStringList numbers;
                for (int n : s.pendingStepNumbers)
                    numbers << QString::number(n);
                c.console.print(QStringLiteral("    passos pendentes: ") + numbers.join(QStringLiteral(", ")));
            }
            if (s.stoppedAtStep > 0)
                c.console.print(
                    QStringLiteral("    a execução pararia no passo %1: %2").arg(s.stoppedAtStep).arg(s.stopError));
        }
        QString mirror = QStringLiteral("-");
        if (!s.mirrorError.isEmpty())
            c.console.print(QStringLiteral("  Campos sem acento: não puderam ser lidos: %1").arg(s.mirrorError));
        else {
            mirror = QString::number(s.mirrorMissing.size());
            c.console.print(QStringLiteral("  Campos sem acento: faltam %1 de %2")
                                .arg(s.mirrorMissing.size())
                                .arg(s.mirrorColumns));
            QStringList names;
            for (const MirrorColumns::Column &c : s.mirrorMissing)
                names << c.table + QLatin1Char('.') + c.column;
            if (!names.isEmpty())
                c.console.print(QStringLiteral("    ") + names.join(QStringLiteral(", ")));
        }
        c.console.print(QStringLiteral("  ") + objectsLine(s));
        for (const InstalledObjects::Object &o : s.objects) {
            if (o.state == InstalledObjects::State::Missing)
                c.console.print(QStringLiteral("    ausente: %1 (%2)").arg(o.name, o.kind));
            else if (o.state == InstalledObjects::State::NotApplicable)
                c.console.print(QStringLiteral("    não se aplica: %1 (%2), o CNPJ da empresa ativa não o instala")
                                    .arg(o.name, o.kind));
            else if (o.state == InstalledObjects::State::SameFull)
                c.console.print(QStringLiteral("    igual (versão completa): %1 (%2)").arg(o.name, o.kind));
            else if (o.state == InstalledObjects::State::Disabled)
                c.console.print(
                    QStringLiteral("    desativado: %1 (%2), não dispara%3")
                        .arg(o.name, o.kind)
                        .arg(o.firstDifferentLine > 0
                                 ? QStringLiteral("; texto diferente a partir da linha %1").arg(o.firstDifferentLine)
                                 : QString()));
            else if (o.state == InstalledObjects::State::Different)
                c.console.print(QStringLiteral("    texto diferente: %1 (%2), a partir da linha %3")
                                    .arg(o.name, o.kind)
                                    .arg(o.firstDifferentLine));
        }
        c.console.print(QString());
        rows << QStringList {s.plant, QStringLiteral("ok"), switchText(s), steps, descriptions, mirror, objectsCell(s)};
    }
    for (const QString &line :
         formatTable({QStringLiteral("Planta"), QStringLiteral("Conexão"), QStringLiteral("Aplicativo"),
                      QStringLiteral("Passos"), QStringLiteral("Descrições"), QStringLiteral("Sem acento"),
                      QStringLiteral("Objetos faltam/diferem")},
                     rows))
        c.console.print(line);
}

QJsonArray statusJson(const QList<PlantStatus> &all)
{
    QJsonArray out;
    for (const PlantStatus &s : all) {
        QJsonObject o {{QStringLiteral("planta"), s.plant},
                       {QStringLiteral("servidor"), s.server},
                       {QStringLiteral("banco"), s.database},
                       {QStringLiteral("conectada"), s.reachable}};
        if (!s.reachable) {
            o[QStringLiteral("erro")] = s.connectError;
            out.append(o);
            continue;
        }
        o[QStringLiteral("criptografada")] = s.encrypted.has_value() ? QJsonValue(*s.encrypted) : QJsonValue();
        QJsonObject app;
        if (!s.jobsError.isEmpty())
            app[QStringLiteral("erro")] = s.jobsError;
        else {
            app[QStringLiteral("temLinha")] = s.jobsHasRow;
            app[QStringLiteral("estado")] = s.state;
            app[QStringLiteral("liberado")] = s.jobsHasRow && s.switchedOn();
            app[QStringLiteral("desabilitadoPor")] = s.disabledBy;
            app[QStringLiteral("desabilitadoEm")] = s.disabledAt;
            app[QStringLiteral("reabilitadoPor")] = s.enabledBy;
            app[QStringLiteral("reabilitadoEm")] = s.enabledAt;
        }
        o[QStringLiteral("aplicativo")] = app;
        QJsonObject cat {{QStringLiteral("passos"), s.steps}, {QStringLiteral("descricoes"), s.descriptions}};
        if (!s.catalogueError.isEmpty())
            cat[QStringLiteral("erro")] = s.catalogueError;
        else {
            cat[QStringLiteral("passosPendentes")] = s.pendingSteps;
            QJsonArray numbers;
            for (int n : s.pendingStepNumbers)
                numbers.append(n);
            cat[QStringLiteral("passosPendentesLista")] = numbers;
            cat[QStringLiteral("passosRepetidos")] = s.repeatingSteps;
            cat[QStringLiteral("descricoesPendentes")] = s.pendingDescriptions;
            cat[QStringLiteral("paradaNoPasso")] = s.stoppedAtStep;
            if (s.stoppedAtStep > 0)
                cat[QStringLiteral("erroDaParada")] = s.stopError;
        }
        o[QStringLiteral("catalogo")] = cat;
        QJsonObject mirror {{QStringLiteral("colunas"), s.mirrorColumns}};
        if (!s.mirrorError.isEmpty())
            mirror[QStringLiteral("erro")] = s.mirrorError;
        else {
            QJsonArray missing;
            for (const MirrorColumns::Column &c : s.mirrorMissing)
                missing.append(c.table + QLatin1Char('.') + c.column);
            mirror[QStringLiteral("faltando")] = missing;
        }
        o[QStringLiteral("semAcento")] = mirror;
        QJsonObject objects {{QStringLiteral("total"), int(s.objects.size())}};
        if (!s.objectsError.isEmpty())
            objects[QStringLiteral("erro")] = s.objectsError;
        else {
            objects[QStringLiteral("iguais")] = s.objectsIn(InstalledObjects::State::Same);
            objects[QStringLiteral("versaoCompleta")] = s.objectsIn(InstalledObjects::State::SameFull);
            objects[QStringLiteral("naoSeAplica")] = s.objectsIn(InstalledObjects::State::NotApplicable);
            objects[QStringLiteral("ausentes")] = s.objectsIn(InstalledObjects::State::Missing);
            objects[QStringLiteral("diferentes")] = s.objectsIn(InstalledObjects::State::Different);
            objects[QStringLiteral("desativados")] = s.objectsIn(InstalledObjects::State::Disabled);
            QJsonArray list;
            for (const InstalledObjects::Object &ob : s.objects) {
                QJsonObject j {{QStringLiteral("nome"), ob.name},
                               {QStringLiteral("tipo"), ob.kind},
                               {QStringLiteral("estado"), InstalledObjects::stateKey(ob.state)}};
                if (ob.firstDifferentLine > 0)
                    j[QStringLiteral("primeiraLinhaDiferente")] = ob.firstDifferentLine;
                list.append(j);
            }
            objects[QStringLiteral("lista")] = list;
        }
        o[QStringLiteral("objetos")] = objects;
        out.append(o);
    }
    return out;
}

int status(Context &c)
{
    QStringList plants;
    for (const QString &name : c.o.arguments) {
        const QString section = c.plantNamed(name);
        if (section.isEmpty())
            return BadUsage;
        plants << section;
    }
    if (plants.isEmpty())
        plants = c.ini.plants();
    if (plants.isEmpty()) {
        c.console.error(QStringLiteral("Nenhuma planta em %1 ..!").arg(c.ini.path()));
        return BadUsage;
    }
    QList<PlantStatus> all;
    for (int i = 0; i < plants.size(); ++i) {
        c.console.progress(QStringLiteral("Status: planta %1 de %2 (%3)").arg(i + 1).arg(plants.size()).arg(plants[i]),
                           i + 1, int(plants.size()));
        PlantSession session(c.ini.profile(plants[i]), c.o.timeout);
        all << PlantStatus::of(session);
    }
    c.console.endProgress();
    bool allReachable = true, allRead = true;
    for (const PlantStatus &s : all) {
        allReachable = allReachable && s.reachable;
        allRead = allRead && !s.readFailed();
    }
    if (c.o.json)
        c.printJson(QJsonObject {{QStringLiteral("plantas"), statusJson(all)}});
    else
        printStatus(c, all);
    return !allReachable ? NoConnection : allRead ? Done : StatementFailed;
}

} // namespace

const CommandSpec statusCommand {
    "status",
    "Uso: orvo-admin status [PLANTA...] [--ini ARQUIVO] [--json] [--timeout SEGUNDOS]\n"
    "\n"
    "Para cada planta (todas quando nenhuma é dada): se o servidor responde, ou a mensagem dele; se a\n"
    "sessão vai criptografada (toda ela, como o servidor informa); o estado da chave do aplicativo\n"
    "(tabela Jobs) com quem e quando desabilitou e reabilitou; quantos\n"
    "passos e descrições do catálogo de equalização ainda mudariam o banco e quais; quais colunas sem\n"
    "acento faltam; cada objeto do instalador (triggers, funções e procedimentos cujo texto o programa\n"
    "traz): igual, igual (versão completa), ausente, não se aplica (o CNPJ da empresa ativa não o\n"
    "instala), desativado (um trigger que não dispara) ou com texto diferente (a definição do banco\n"
    "comparada com o texto do programa, fins de linha igualados, com a primeira linha que difere).\n"
    "Termina com uma tabela de todas as plantas; a coluna dos objetos dá ausentes/diferentes (os\n"
    "desativados contam entre os diferentes).\n"
    "Só lê: tudo vem dos metadados do banco (INFORMATION_SCHEMA e sys), sem transação, sem alterar nada\n"
    "e sem bloquear as estações; pode rodar a qualquer hora.\n"
    "Uma leitura que passa do --timeout é cancelada e dita na seção que lia.\n"
    "Sai com 0 quando todas as plantas respondem e tudo pôde ser lido, 1 quando alguma leitura falhou\n"
    "ou passou do --timeout, 3 quando alguma planta não responde.\n",
    status, false};

} // namespace AdminCli
