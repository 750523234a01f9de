#include "cli/AdminCli.h"

#include "app/DatasetTexts.h"
#include "cli/Console.h"
#include "cli/InstallRun.h"
#include "cli/PlantSession.h"
#include "cli/PlantStatus.h"
#include "cli/SchemaRun.h"
#include "conference/ConferenceRun.h"
#include "conference/ConferenceStatements.h"
#include "conference/ReaderFiles.h"
#include "connection/Dataset.h"
#include "connection/DbError.h"
#include "maintenance/Catalogue.h"
#include "maintenance/installer/InstallerEntries.h"
#include "switch/ApplicationSwitch.h"
#include "users/UserScript.h"
#include "users/UserStatements.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace AdminCli {
namespace {

const char *const generalHelp =
    "Uso: orvo-admin [--ini ARQUIVO] [--json] COMANDO [ARGUMENTOS] [OPÇÕES]\n"
    "\n"
    "Administrador de senhas do sistema ORVO sem janela: as mesmas operações do aplicativo, sobre as\n"
    "plantas do arquivo INI do programa.\n"
    "\n"
    "Comandos:\n"
    "  plantas                          as plantas do arquivo INI, com servidor e banco\n"
    "  status [PLANTA...]               conexão, chave do aplicativo, passos do catálogo, colunas\n"
    "                                   sem acento e objetos (triggers, funções, procedimentos) que\n"
    "                                   faltam, de cada planta (todas quando nenhuma)\n"
    "  equalizar PLANTA [--dry-run]     a equalização do esquema de acordo com o padrão\n"
    "  sem-acento PLANTA [--dry-run]    os campos sem acento nas tabelas\n"
    "  instalar PLANTA (--lote | --entrada NOME) [--dry-run]\n"
    "                                   o lote de triggers ou uma entrada do instalador de objetos\n"
    "  chave PLANTA (liga|desliga)      libera ou derruba o aplicativo ORVO.exe na rede\n"
    "  exportar-usuario PLANTA REGISTRO o script de inclusão do usuário\n"
    "  conferir PLANTA PASTA            confere os arquivos do leitor de código de barras (*.txt)\n"
    "\n"
    "Opções:\n"
    "  --ini ARQUIVO   o arquivo INI das plantas (padrão: orvo-senhas.INI na pasta do programa)\n"
    "  --json          saída em JSON, para scripts\n"
    "  --yes           confirma um comando que altera o banco\n"
    "  --dry-run       ensaio: roda cada passo numa transação e desfaz tudo ao final\n"
    "  --help          esta ajuda; \"orvo-admin COMANDO --help\" mostra a ajuda do comando\n"
    "\n"
    "Códigos de saída: 0 feito, 1 alguma instrução falhou, 2 uso incorreto ou arquivo INI,\n"
    "3 sem conexão com o servidor.\n";

struct CommandHelp
{
    const char *name;
    const char *text;
};

const CommandHelp commandHelps[] = {
    {"plantas", "Uso: orvo-admin plantas [--ini ARQUIVO] [--json]\n"
                "\n"
                "Lista as plantas (seções) do arquivo INI, na ordem do arquivo, com servidor e banco de dados.\n"
                "A senha nunca é mostrada.\n"},
    {"status", "Uso: orvo-admin status [PLANTA...] [--ini ARQUIVO] [--json]\n"
               "\n"
               "Para cada planta (todas quando nenhuma é dada): se o servidor responde, ou a mensagem dele; o\n"
               "estado da chave do aplicativo (tabela Jobs) com quem e quando desabilitou e reabilitou; quantos\n"
               "passos e descrições do catálogo de equalização ainda mudariam o banco (por um ensaio desfeito ao\n"
               "final); quais colunas sem acento faltam; cada objeto do instalador (triggers, funções e\n"
               "procedimentos cujo texto o programa traz): igual, ausente ou com texto diferente (a definição\n"
               "do banco comparada com o texto do programa, fins de linha igualados, com a primeira linha que\n"
               "difere). Termina com uma tabela de todas as plantas; a coluna dos objetos dá ausentes/diferentes.\n"
               "Sai com 0 quando todas as plantas respondem, 3 quando alguma não responde.\n"},
    {"equalizar",
     "Uso: orvo-admin equalizar PLANTA (--yes | --dry-run) [--ini ARQUIVO] [--json]\n"
     "\n"
     "Equaliza o banco da planta de acordo com o padrão: os passos do catálogo, um de cada vez, como o\n"
     "botão da janela. Mostra cada passo como aplicado ou falhou (com o número e a mensagem do\n"
     "servidor) e as linhas que o MemoCCDB mostraria.\n"
     "--dry-run: abre uma transação, envia cada passo como a execução real, anota o resultado (aplicaria,\n"
     "falharia) e desfaz tudo: o banco fica como estava.\n"
     "Sai com 1 quando um passo relatado falha ou um passo sem proteção interrompe a execução.\n"},
    {"sem-acento", "Uso: orvo-admin sem-acento PLANTA (--yes | --dry-run) [--ini ARQUIVO] [--json]\n"
                   "\n"
                   "Cria e atualiza os campos sem acento nas tabelas da planta, como o botão da janela, com as linhas\n"
                   "de progresso do MemoCCDB. --dry-run como em \"equalizar\".\n"
                   "Sai com 1 quando uma cópia falha e interrompe a execução.\n"},
    {"instalar",
     "Uso: orvo-admin instalar PLANTA (--lote | --entrada NOME) (--yes | --dry-run) [--ini ARQUIVO] [--json]\n"
     "\n"
     "--lote: o lote de triggers, como o botão \"Cria Triggers no Banco de Dados\": as funções\n"
     "Remover_acento e First_Day_Month, os triggers GNR_Etiquetas_Recebimento e GNR_Saldo_Terceiros_NOTAS,\n"
     "o procedimento Evol_Invent_Kardex e a versão curta de GNR_UP_Kardex_Novo.\n"
     "--entrada NOME: uma entrada dos menus do instalador, pelo nome do item (FUNCTIONRemoverAcentos1,\n"
     "GNR_NFs, mnIdPlanta...) ou pelo objeto que instala (Remover_acento). Cada instalação exclui o objeto\n"
     "e o cria de novo com o texto do programa; a falha da exclusão (objeto ainda inexistente) é ignorada.\n"
     "GNR_NEW_ContasPR e GNRUPContasPRVctoImpostos2 só instalam para os CNPJs da sua lista (o CNPJ da\n"
     "empresa ativa, como gravado); fora dela nada é enviado e sai com 2.\n"
     "--dry-run: abre uma transação, envia cada instrução como a execução real, anota o resultado e\n"
     "desfaz tudo.\n"
     "Sai com 1 quando uma criação falha e o banco fica sem o objeto.\n"},
    {"chave", "Uso: orvo-admin chave PLANTA (liga|desliga) --yes [--ini ARQUIVO] [--json]\n"
              "\n"
              "desliga: encerra todos os aplicativos ORVO.exe na rede (Estado 1, com data e responsável do\n"
              "servidor em DataFT e RespFT). liga: libera todos os usuários (Estado 0, DataRT e RespRT).\n"
              "Nada muda quando o aplicativo já está no estado pedido.\n"},
    {"exportar-usuario",
     "Uso: orvo-admin exportar-usuario PLANTA REGISTRO [--ini ARQUIVO] [--json]\n"
     "\n"
     "Escreve o script de inclusão do usuário de registro REGISTRO, como \"Gera Script de Usuários\":\n"
     "uma instrução INSERT INTO Usuarios com um retorno de carro entre os nomes e os valores (num\n"
     "terminal ele aparece como quebra de linha).\n"},
    {"conferir", "Uso: orvo-admin conferir PLANTA PASTA --yes [--ini ARQUIVO] [--json]\n"
                 "\n"
                 "Confere o bloco de notas dos arquivos *.txt da pasta (na ordem dos nomes), como \"02-Conferir\":\n"
                 "registra as unidades master em Etq_MasterUD, casa cada etiqueta de nota com seu item em\n"
                 "ItensNFLogix e grava nele a unidade master. A empresa é a Razão da empresa ativa (PessoaFJ).\n"
                 "Mostra o resultado como a página \"  Conferido  \" (ConferirTEMP).\n"
                 "Sai com 1 quando uma instrução falha e interrompe a conferência.\n"},
};

QString helpFor(const QString &command)
{
    for (const CommandHelp &h : commandHelps)
        if (command == QLatin1String(h.name))
            return QString::fromUtf8(h.text);
    return QString::fromUtf8(generalHelp);
}

struct Options
{
    QString ini;
    bool json = false;
    bool yes = false;
    bool dryRun = false;
    bool help = false;
    bool batch = false; // instalar --lote
    QString entry; // instalar --entrada NOME
    bool entryGiven = false;
    QString command;
    QStringList arguments;
};

// The outcome of a step as the text output words it.
QString outcomeWord(const SchemaRun::StepResult &s, bool rehearsal)
{
    if (!s.sent)
        return QStringLiteral("não enviado");
    if (s.ok)
        return rehearsal ? QStringLiteral("aplicaria") : QStringLiteral("aplicado");
    return rehearsal ? QStringLiteral("falharia") : QStringLiteral("falhou");
}

QString outcomeKey(const SchemaRun::StepResult &s)
{
    return !s.sent ? QStringLiteral("nao_enviado") : s.ok ? QStringLiteral("aplicado") : QStringLiteral("falhou");
}

QString guardWord(Guard g)
{
    switch (g) {
    case Guard::Silent:
        return QStringLiteral("silencioso");
    case Guard::Reported:
        return QStringLiteral("relatado");
    case Guard::Unguarded:
        return QStringLiteral("sem proteção");
    }
    return QString();
}

QString guardKey(Guard g)
{
    switch (g) {
    case Guard::Silent:
        return QStringLiteral("silencioso");
    case Guard::Reported:
        return QStringLiteral("relatado");
    case Guard::Unguarded:
        return QStringLiteral("sem_protecao");
    }
    return QString();
}

QString head(const QString &statement, int chars = 72)
{
    return statement.size() <= chars ? statement : statement.left(chars - 1) + QChar(0x2026);
}

class Admin
{
public:
    Admin(Options options, Console &console) : m_o(std::move(options)), m_console(console) { }

    int run()
    {
        if (m_o.help) {
            m_console.print(helpFor(m_o.command).trimmed());
            return Done;
        }
        static const QStringList known {QStringLiteral("plantas"),   QStringLiteral("status"),
                                        QStringLiteral("equalizar"), QStringLiteral("sem-acento"),
                                        QStringLiteral("chave"),     QStringLiteral("exportar-usuario"),
                                        QStringLiteral("conferir"),  QStringLiteral("instalar")};
        if (m_o.command.isEmpty())
            return usage(QStringLiteral("Falta o comando ..!"));
        if (!known.contains(m_o.command))
            return usage(QStringLiteral("Comando desconhecido: %1 ..!").arg(m_o.command));
        if (m_o.dryRun && m_o.command != QLatin1String("equalizar") && m_o.command != QLatin1String("sem-acento")
            && m_o.command != QLatin1String("instalar"))
            return usage(QStringLiteral("--dry-run só vale para equalizar, sem-acento e instalar ..!"), m_o.command);
        if ((m_o.batch || m_o.entryGiven) && m_o.command != QLatin1String("instalar"))
            return usage(QStringLiteral("--lote e --entrada só valem para instalar ..!"), m_o.command);
        if (!m_ini.load(m_o.ini)) {
            m_console.error(m_ini.error());
            return BadUsage;
        }
        if (m_o.command == QLatin1String("plantas"))
            return plantas();
        if (m_o.command == QLatin1String("status"))
            return status();
        if (m_o.command == QLatin1String("equalizar"))
            return schemaRun(schemaCatalogue(), QStringLiteral("Equalização"));
        if (m_o.command == QLatin1String("sem-acento"))
            return schemaRun(mirrorCatalogue(), QStringLiteral("Campos sem acento"));
        if (m_o.command == QLatin1String("chave"))
            return chave();
        if (m_o.command == QLatin1String("conferir"))
            return conferir();
        if (m_o.command == QLatin1String("instalar"))
            return instalar();
        return exportarUsuario();
    }

private:
    int usage(const QString &message, const QString &command = QString())
    {
        m_console.error(message);
        m_console.error(command.isEmpty() ? QStringLiteral("Veja \"orvo-admin --help\".")
                                          : QStringLiteral("Veja \"orvo-admin %1 --help\".").arg(command));
        return BadUsage;
    }

    void printJson(const QJsonObject &o)
    {
        m_console.print(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented)).trimmed());
    }

    // The plant named on the command line, as the INI file spells it; empty (said) when unknown.
    QString plantNamed(const QString &name)
    {
        const QString section = m_ini.find(name);
        if (section.isEmpty())
            m_console.error(QStringLiteral("Planta desconhecida: %1 (plantas de %2: %3) ..!")
                                .arg(name, m_ini.path(), m_ini.plants().join(QStringLiteral(", "))));
        return section;
    }

    // Opens the plant's connection; false (said) when it cannot.
    bool connect(PlantSession &session)
    {
        if (session.open())
            return true;
        m_console.error(
            QStringLiteral("Não foi possível conectar à planta %1 (%2, banco %3): %4")
                .arg(session.profile().section, session.profile().server, session.profile().database, session.error()));
        return false;
    }

    bool confirmed()
    {
        if (m_o.yes)
            return true;
        m_console.error(
            QStringLiteral("Este comando altera o banco da planta: confirme com --yes%1 ..!")
                .arg(m_o.command == QLatin1String("chave") ? QString() : QStringLiteral(" (ou ensaie com --dry-run)")));
        return false;
    }

    int plantas()
    {
        if (!m_o.arguments.isEmpty())
            return usage(QStringLiteral("plantas não recebe argumentos ..!"), m_o.command);
        QJsonArray list;
        QList<QStringList> rows;
        for (const QString &plant : m_ini.plants()) {
            const PlantProfile p = m_ini.profile(plant);
            list.append(QJsonObject {{QStringLiteral("planta"), plant},
                                     {QStringLiteral("servidor"), p.server},
                                     {QStringLiteral("banco"), p.database}});
            rows << QStringList {plant, p.server, p.database};
        }
        if (m_o.json) {
            printJson(QJsonObject {{QStringLiteral("ini"), m_ini.path()}, {QStringLiteral("plantas"), list}});
            return Done;
        }
        if (rows.isEmpty()) {
            m_console.print(QStringLiteral("Nenhuma planta em %1 ..!").arg(m_ini.path()));
            return Done;
        }
        for (const QString &line : formatTable(
                 {QStringLiteral("Planta"), QStringLiteral("Servidor"), QStringLiteral("Banco de Dados")}, rows))
            m_console.print(line);
        return Done;
    }

    int status()
    {
        QStringList plants;
        for (const QString &name : m_o.arguments) {
            const QString section = plantNamed(name);
            if (section.isEmpty())
                return BadUsage;
            plants << section;
        }
        if (plants.isEmpty())
            plants = m_ini.plants();
        if (plants.isEmpty()) {
            m_console.error(QStringLiteral("Nenhuma planta em %1 ..!").arg(m_ini.path()));
            return BadUsage;
        }
        QList<PlantStatus> all;
        for (int i = 0; i < plants.size(); ++i) {
            m_console.progress(
                QStringLiteral("Status: planta %1 de %2 (%3)").arg(i + 1).arg(plants.size()).arg(plants[i]), i + 1,
                int(plants.size()));
            PlantSession session(m_ini.profile(plants[i]));
            all << PlantStatus::of(session);
        }
        m_console.endProgress();
        bool allReachable = true;
        for (const PlantStatus &s : all)
            allReachable = allReachable && s.reachable;
        if (m_o.json)
            printJson(QJsonObject {{QStringLiteral("plantas"), statusJson(all)}});
        else
            printStatus(all);
        return allReachable ? Done : NoConnection;
    }

    static QString switchText(const PlantStatus &s)
    {
        if (!s.jobsError.isEmpty())
            return QStringLiteral("?");
        if (!s.jobsHasRow)
            return QStringLiteral("sem linha em Jobs");
        return s.switchedOn() ? QStringLiteral("liberado") : QStringLiteral("derrubado (Estado %1)").arg(s.state);
    }

    void printStatus(const QList<PlantStatus> &all)
    {
        QList<QStringList> rows;
        for (const PlantStatus &s : all) {
            m_console.print(QStringLiteral("Planta %1 (%2, banco %3)").arg(s.plant, s.server, s.database));
            if (!s.reachable) {
                m_console.print(QStringLiteral("  Conexão: falhou: %1").arg(s.connectError));
                m_console.print(QString());
                rows << QStringList {s.plant,
                                     QStringLiteral("falhou"),
                                     QStringLiteral("-"),
                                     QStringLiteral("-"),
                                     QStringLiteral("-"),
                                     QStringLiteral("-"),
                                     QStringLiteral("-")};
                continue;
            }
            m_console.print(QStringLiteral("  Conexão: ok"));
            if (!s.jobsError.isEmpty())
                m_console.print(QStringLiteral("  Aplicativo: Jobs não pode ser lida: %1").arg(s.jobsError));
            else {
                m_console.print(QStringLiteral("  Aplicativo: %1").arg(switchText(s)));
                if (s.jobsHasRow) {
                    m_console.print(QStringLiteral("    Desabilitado em ... %1  Responsável ..... %2")
                                        .arg(s.disabledAt, s.disabledBy));
                    m_console.print(QStringLiteral("    Reabilitado em .... %1  Responsável ..... %2")
                                        .arg(s.enabledAt, s.enabledBy));
                }
            }
            QString steps = QStringLiteral("-"), descriptions = QStringLiteral("-");
            if (!s.catalogueError.isEmpty())
                m_console.print(QStringLiteral("  Catálogo: o ensaio não pôde ser feito: %1").arg(s.catalogueError));
            else {
                steps = QString::number(s.pendingSteps);
                descriptions = QString::number(s.pendingDescriptions);
                m_console.print(
                    QStringLiteral("  Catálogo: %1 de %2 passos mudariam o esquema (mais %3 que toda execução "
                                   "repete); %4 de %5 descrições seriam gravadas")
                        .arg(s.pendingSteps)
                        .arg(s.steps)
                        .arg(s.repeatingSteps)
                        .arg(s.pendingDescriptions)
                        .arg(s.descriptions));
                if (s.stoppedAtStep > 0)
                    m_console.print(
                        QStringLiteral("    a execução pararia no passo %1: %2").arg(s.stoppedAtStep).arg(s.stopError));
            }
            QString mirror = QStringLiteral("-");
            if (!s.mirrorError.isEmpty())
                m_console.print(QStringLiteral("  Campos sem acento: não puderam ser lidos: %1").arg(s.mirrorError));
            else {
                mirror = QString::number(s.mirrorMissing.size());
                m_console.print(QStringLiteral("  Campos sem acento: faltam %1 de %2")
                                    .arg(s.mirrorMissing.size())
                                    .arg(s.mirrorColumns));
                QStringList names;
                for (const MirrorColumns::Column &c : s.mirrorMissing)
                    names << c.table + QLatin1Char('.') + c.column;
                if (!names.isEmpty())
                    m_console.print(QStringLiteral("    ") + names.join(QStringLiteral(", ")));
            }
            m_console.print(QStringLiteral("  ") + objectsLine(s));
            for (const InstalledObjects::Object &o : s.objects) {
                if (o.state == InstalledObjects::State::Missing)
                    m_console.print(QStringLiteral("    ausente: %1 (%2)").arg(o.name, o.kind));
                else if (o.state == InstalledObjects::State::Different)
                    m_console.print(QStringLiteral("    texto diferente: %1 (%2), a partir da linha %3")
                                        .arg(o.name, o.kind)
                                        .arg(o.firstDifferentLine));
            }
            m_console.print(QString());
            rows << QStringList {s.plant, QStringLiteral("ok"), switchText(s), steps, descriptions, mirror,
                                 objectsCell(s)};
        }
        for (const QString &line :
             formatTable({QStringLiteral("Planta"), QStringLiteral("Conexão"), QStringLiteral("Aplicativo"),
                          QStringLiteral("Passos"), QStringLiteral("Descrições"), QStringLiteral("Sem acento"),
                          QStringLiteral("Objetos faltam/diferem")},
                         rows))
            m_console.print(line);
    }

    static QString objectsLine(const PlantStatus &s)
    {
        if (!s.objectsError.isEmpty())
            return QStringLiteral("Objetos: não puderam ser lidos: %1").arg(s.objectsError);
        return QStringLiteral("Objetos: %1 de %2 instalados com o texto do programa; %3 ausentes, %4 com texto diferente")
            .arg(s.objectsIn(InstalledObjects::State::Same))
            .arg(s.objects.size())
            .arg(s.objectsIn(InstalledObjects::State::Missing))
            .arg(s.objectsIn(InstalledObjects::State::Different));
    }

    // The objects in the final table: how many are missing and how many differ.
    static QString objectsCell(const PlantStatus &s)
    {
        if (!s.objectsError.isEmpty())
            return QStringLiteral("?");
        return QStringLiteral("%1/%2")
            .arg(s.objectsIn(InstalledObjects::State::Missing))
            .arg(s.objectsIn(InstalledObjects::State::Different));
    }

    static QString stateKey(InstalledObjects::State state)
    {
        switch (state) {
        case InstalledObjects::State::Same:
            return QStringLiteral("igual");
        case InstalledObjects::State::Missing:
            return QStringLiteral("ausente");
        case InstalledObjects::State::Different:
            return QStringLiteral("diferente");
        }
        return QString();
    }

    static QJsonArray statusJson(const QList<PlantStatus> &all)
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
                objects[QStringLiteral("ausentes")] = s.objectsIn(InstalledObjects::State::Missing);
                objects[QStringLiteral("diferentes")] = s.objectsIn(InstalledObjects::State::Different);
                QJsonArray list;
                for (const InstalledObjects::Object &ob : s.objects) {
                    QJsonObject j {{QStringLiteral("nome"), ob.name},
                                   {QStringLiteral("tipo"), ob.kind},
                                   {QStringLiteral("estado"), stateKey(ob.state)}};
                    if (ob.state == InstalledObjects::State::Different)
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

    int schemaRun(const QList<SchemaStep> &steps, const QString &label)
    {
        if (m_o.arguments.size() != 1)
            return usage(QStringLiteral("Dê uma planta ..!"), m_o.command);
        if (!m_o.dryRun && !confirmed())
            return BadUsage;
        const QString plant = plantNamed(m_o.arguments[0]);
        if (plant.isEmpty())
            return BadUsage;
        PlantSession session(m_ini.profile(plant));
        if (!connect(session))
            return NoConnection;
        const bool rehearsal = m_o.dryRun;
        SchemaRun run(session.connection(), session.command());
        run.onStepStarting = [&](int n, int count) {
            m_console.progress(QStringLiteral("%1: passo %2 de %3").arg(label).arg(n).arg(count), n, count);
        };
        SchemaRun::Result r;
        try {
            r = run.run(steps, rehearsal ? SchemaRun::Mode::Rehearse : SchemaRun::Mode::Apply);
        } catch (const DbError &e) {
            m_console.endProgress();
            m_console.error(
                QStringLiteral("O ensaio não pôde abrir ou desfazer sua transação: %1").arg(e.message().trimmed()));
            return StatementFailed;
        }
        m_console.endProgress();
        if (m_o.json)
            printJson(runJson(plant, r));
        else
            printRun(plant, label, r);
        if (rehearsal && !r.rolledBack) {
            m_console.error(QStringLiteral("A transação do ensaio continua aberta no servidor ..!"));
            return StatementFailed;
        }
        return r.anyShownFailure() ? StatementFailed : Done;
    }

    void printRun(const QString &plant, const QString &label, const SchemaRun::Result &r)
    {
        const bool rehearsal = r.mode == SchemaRun::Mode::Rehearse;
        m_console.print(QStringLiteral("%1 da planta %2%3")
                            .arg(label, plant, rehearsal ? QStringLiteral(" (ensaio: nada fica gravado)") : QString()));
        const int count = int(r.steps.size());
        for (const SchemaRun::StepResult &s : r.steps) {
            if (!s.sent)
                continue;
            QString line = QStringLiteral("Passo %1 de %2 (%3): %4")
                               .arg(s.number)
                               .arg(count)
                               .arg(guardWord(s.guard), outcomeWord(s, rehearsal));
            if (!s.ok)
                line += QStringLiteral(" [%1] %2").arg(s.errorCode).arg(s.error);
            if (s.descriptions > 0)
                line += QStringLiteral("; descrições %1 de %2").arg(s.descriptionsWritten).arg(s.descriptions);
            m_console.print(line);
            m_console.print(QStringLiteral("    ") + head(s.statement));
        }
        if (r.endedByFailure)
            m_console.print(QStringLiteral("A execução %1 no passo %2: [%3] %4")
                                .arg(rehearsal ? QStringLiteral("pararia") : QStringLiteral("parou"))
                                .arg(r.endedAtStep)
                                .arg(r.endErrorCode)
                                .arg(r.endError));
        if (r.transactionLostAtStep > 0)
            m_console.print(
                QStringLiteral("O servidor encerrou a transação do ensaio no passo %1; nada mais foi enviado e "
                               "o que o ensaio mudou foi desfeito pelo servidor ..!")
                    .arg(r.transactionLostAtStep));
        int notSent = 0;
        for (const SchemaRun::StepResult &s : r.steps)
            notSent += !s.sent;
        m_console.print(QStringLiteral("%1 de %2 passos %3, %4 %5%6; descrições: %7 de %8 %9")
                            .arg(r.stepsOk())
                            .arg(count)
                            .arg(rehearsal ? QStringLiteral("aplicariam") : QStringLiteral("aplicados"))
                            .arg(r.stepsFailed())
                            .arg(rehearsal ? QStringLiteral("falhariam") : QStringLiteral("falharam"))
                            .arg(notSent > 0 ? QStringLiteral(", %1 não enviados").arg(notSent) : QString())
                            .arg(r.descriptionsWritten())
                            .arg(r.descriptionsSent())
                            .arg(rehearsal ? QStringLiteral("seriam gravadas") : QStringLiteral("gravadas")));
        m_console.print(r.memoLines.isEmpty() ? QStringLiteral("MemoCCDB: nenhuma linha")
                                              : QStringLiteral("MemoCCDB:"));
        for (const QString &line : r.memoLines)
            m_console.print(line);
    }

    static QJsonObject runJson(const QString &plant, const SchemaRun::Result &r)
    {
        QJsonArray steps;
        for (const SchemaRun::StepResult &s : r.steps) {
            QJsonObject o {{QStringLiteral("passo"), s.number},
                           {QStringLiteral("guarda"), guardKey(s.guard)},
                           {QStringLiteral("instrucao"), s.statement},
                           {QStringLiteral("resultado"), outcomeKey(s)},
                           {QStringLiteral("descricoes"), s.descriptions},
                           {QStringLiteral("descricoesGravadas"), s.descriptionsWritten}};
            if (s.sent && !s.ok) {
                o[QStringLiteral("erroNumero")] = s.errorCode;
                o[QStringLiteral("erro")] = s.error;
            }
            steps.append(o);
        }
        QJsonArray statements;
        for (const StatementOutcome &o : r.outcomes) {
            QJsonObject j {{QStringLiteral("passo"), o.step},
                           {QStringLiteral("tipo"), o.kind == StatementOutcome::Kind::Step ? QStringLiteral("passo")
                                                    : o.kind == StatementOutcome::Kind::AddDescription
                                                        ? QStringLiteral("descricao")
                                                        : QStringLiteral("exclui_descricao")},
                           {QStringLiteral("texto"), o.text},
                           {QStringLiteral("ok"), o.ok}};
            if (!o.ok) {
                j[QStringLiteral("erroNumero")] = o.errorCode;
                j[QStringLiteral("erro")] = o.error.trimmed();
            }
            statements.append(j);
        }
        QJsonObject out {{QStringLiteral("planta"), plant},
                         {QStringLiteral("ensaio"), r.mode == SchemaRun::Mode::Rehearse},
                         {QStringLiteral("passos"), steps},
                         {QStringLiteral("instrucoes"), statements},
                         {QStringLiteral("memo"), QJsonArray::fromStringList(r.memoLines)},
                         {QStringLiteral("paradaNoPasso"), r.endedAtStep}};
        if (r.endedByFailure) {
            out[QStringLiteral("erroDaParada")] = r.endError;
            out[QStringLiteral("erroDaParadaNumero")] = r.endErrorCode;
        }
        if (r.mode == SchemaRun::Mode::Rehearse) {
            out[QStringLiteral("desfeito")] = r.rolledBack;
            out[QStringLiteral("transacaoPerdidaNoPasso")] = r.transactionLostAtStep;
        }
        return out;
    }

    int chave()
    {
        if (m_o.arguments.size() != 2)
            return usage(QStringLiteral("Dê a planta e liga ou desliga ..!"), m_o.command);
        const QString what = m_o.arguments[1].toLower();
        if (what != QLatin1String("liga") && what != QLatin1String("desliga"))
            return usage(QStringLiteral("A chave é liga ou desliga, não %1 ..!").arg(m_o.arguments[1]), m_o.command);
        if (!confirmed())
            return BadUsage;
        const QString plant = plantNamed(m_o.arguments[0]);
        if (plant.isEmpty())
            return BadUsage;
        PlantSession session(m_ini.profile(plant));
        if (!connect(session))
            return NoConnection;
        const ApplicationSwitch::Change wanted =
            what == QLatin1String("liga") ? ApplicationSwitch::Change::Enable : ApplicationSwitch::Change::Disable;
        Dataset jobs;
        jobs.setConnection(&session.connection());
        jobs.setSql(QString::fromUtf8(DatasetTexts::JobSQL));
        bool changed = false;
        QString stamp;
        try {
            jobs.open();
            const QString state = jobs.asString(QStringLiteral("Estado"));
            // The page flips what it shows; here the administrator names the state wanted, and a
            // plant already in it keeps its state and its stamps.
            if (ApplicationSwitch::changeFor(state) == wanted) {
                const ApplicationSwitch::Report report = ApplicationSwitch::run(jobs, session.command(), wanted);
                stamp = report.stampStatement;
                changed = true;
            }
        } catch (const DbError &e) {
            m_console.error(QStringLiteral("A chave da planta %1 falhou: %2").arg(plant, e.message().trimmed()));
            // No transaction joins the state and its stamp: say what the table holds now.
            try {
                Dataset now;
                now.setConnection(&session.connection());
                now.setReadOnly(true);
                now.setSql(QString::fromUtf8(DatasetTexts::JobSQL));
                now.open();
                m_console.error(
                    QStringLiteral("Jobs tem agora Estado %1 ..!")
                        .arg(now.isEmpty() ? QStringLiteral("vazio") : now.asString(QStringLiteral("Estado"))));
            } catch (const DbError &) {
                m_console.error(QStringLiteral("Jobs não pôde ser lida de novo; confira o estado pelo status ..!"));
            }
            return StatementFailed;
        }
        const bool on = wanted == ApplicationSwitch::Change::Enable;
        const QString who = jobs.asString(on ? QStringLiteral("RespRT") : QStringLiteral("RespFT"));
        const QString when = displayDateTime(jobs.asDateTime(on ? QStringLiteral("DataRT") : QStringLiteral("DataFT")));
        if (m_o.json) {
            printJson(QJsonObject {{QStringLiteral("planta"), plant},
                                   {QStringLiteral("alterado"), changed},
                                   {QStringLiteral("estado"), jobs.asString(QStringLiteral("Estado"))},
                                   {QStringLiteral("responsavel"), who},
                                   {QStringLiteral("data"), when},
                                   {QStringLiteral("instrucao"), stamp}});
            return Done;
        }
        if (!changed)
            m_console.print(
                QStringLiteral("Planta %1: o aplicativo já está %2 (Estado %3); nada foi alterado ..!")
                    .arg(plant, on ? QStringLiteral("liberado") : QStringLiteral("derrubado"),
                         jobs.isEmpty() ? QStringLiteral("vazio") : jobs.asString(QStringLiteral("Estado"))));
        else
            m_console.print(QStringLiteral("Planta %1: %2 (Estado %3) por %4 em %5 ..!")
                                .arg(plant,
                                     on ? QStringLiteral("usuários liberados para o aplicativo ORVO.EXE")
                                        : QStringLiteral("aplicativos ORVO.exe encerrados na rede"),
                                     jobs.asString(QStringLiteral("Estado")), who, when));
        return Done;
    }

    // An entry named on the command line: its menu item's name or the object it installs,
    // without regard to case; nullptr (said) when there is none.
    const installer::MenuItem *entryNamed(const QString &name)
    {
        for (const installer::MenuItem &item : installer::menuItems())
            if (QString::fromLatin1(item.name).compare(name, Qt::CaseInsensitive) == 0)
                return &item;
        for (const installer::MenuItem &item : installer::menuItems())
            if ((item.kind == installer::ItemKind::Entry || item.kind == installer::ItemKind::DropOnly)
                && QString::fromUtf8(item.object).compare(name, Qt::CaseInsensitive) == 0)
                return &item;
        QStringList names;
        for (const installer::MenuItem &item : installer::menuItems())
            if (item.kind == installer::ItemKind::Entry || item.kind == installer::ItemKind::DropOnly)
                names << QString::fromLatin1(item.name);
        m_console.error(
            QStringLiteral("Entrada desconhecida: %1 (entradas: %2) ..!").arg(name, names.join(QStringLiteral(", "))));
        return nullptr;
    }

    int instalar()
    {
        if (m_o.arguments.size() != 1)
            return usage(QStringLiteral("Dê uma planta ..!"), m_o.command);
        if (m_o.batch == m_o.entryGiven)
            return usage(QStringLiteral("Dê --lote ou --entrada NOME (um dos dois) ..!"), m_o.command);
        const installer::MenuItem *item = nullptr;
        if (m_o.entryGiven) {
            if (!(item = entryNamed(m_o.entry)))
                return BadUsage;
            if (InstallRun::statementsOf(*item) == 0) {
                m_console.error(QStringLiteral("A entrada %1 (\"%2\") não instala nada ..!")
                                    .arg(QString::fromLatin1(item->name), QString::fromUtf8(item->caption).trimmed()));
                return BadUsage;
            }
        }
        if (!m_o.dryRun && !confirmed())
            return BadUsage;
        const QString plant = plantNamed(m_o.arguments[0]);
        if (plant.isEmpty())
            return BadUsage;
        PlantSession session(m_ini.profile(plant));
        if (!connect(session))
            return NoConnection;
        const bool rehearsal = m_o.dryRun;
        const InstallRun::Mode mode = rehearsal ? InstallRun::Mode::Rehearse : InstallRun::Mode::Apply;
        InstallRun run(session.connection(), session.command());
        run.onStatement = [&](int n, int count) {
            m_console.progress(QStringLiteral("Instalação: instrução %1 de %2").arg(n).arg(count), n, count);
        };
        InstallRun::Result r;
        try {
            r = item ? run.runEntry(*item, mode) : run.runBatch(mode);
        } catch (const DbError &e) {
            m_console.endProgress();
            // The gate's reading of the active company, or the rehearsal's transaction.
            m_console.error(
                QStringLiteral("A instalação na planta %1 não pôde ser feita: %2").arg(plant, e.message().trimmed()));
            return StatementFailed;
        }
        m_console.endProgress();
        const QString target = item ? QString::fromLatin1(item->name) : QStringLiteral("lote");
        if (r.gatedOut) {
            const QString line =
                QStringLiteral("A entrada %1 só instala para as empresas de CNPJ %2; a empresa ativa da planta %3 "
                               "tem o CNPJ \"%4\": nada foi enviado ..!")
                    .arg(target, item->cnpjs.join(QStringLiteral(", ")), plant, r.cnpj);
            if (m_o.json)
                printJson(QJsonObject {{QStringLiteral("planta"), plant},
                                       {QStringLiteral("ensaio"), rehearsal},
                                       {QStringLiteral("alvo"), target},
                                       {QStringLiteral("cnpj"), r.cnpj},
                                       {QStringLiteral("recusadoPeloCnpj"), true},
                                       {QStringLiteral("instalacoes"), QJsonArray()}});
            m_console.error(line);
            return BadUsage;
        }
        if (m_o.json)
            printJson(installJson(plant, target, r));
        else
            printInstall(plant, target, r);
        if (rehearsal && !r.rolledBack) {
            m_console.error(QStringLiteral("A transação do ensaio continua aberta no servidor ..!"));
            return StatementFailed;
        }
        return r.leftMissing.isEmpty() && r.transactionLostAtStatement == 0 ? Done : StatementFailed;
    }

    // Each statement of an installation: its part (drop or creation) and outcome.
    struct InstallStatement
    {
        bool creation;
        const StatementOutcome *outcome;
    };
    static QList<InstallStatement> statementsOf(const installer::InstallReport &report)
    {
        QList<InstallStatement> out;
        for (qsizetype i = 0; i < report.statements.size(); ++i)
            out << InstallStatement {report.creationSent && i == report.statements.size() - 1, &report.statements[i]};
        return out;
    }

    void printInstall(const QString &plant, const QString &target, const InstallRun::Result &r)
    {
        const bool rehearsal = r.mode == InstallRun::Mode::Rehearse;
        m_console.print(QStringLiteral("Instalação (%1) na planta %2%3")
                            .arg(target == QLatin1String("lote") ? QStringLiteral("lote de triggers")
                                                                 : QStringLiteral("entrada ") + target,
                                 plant, rehearsal ? QStringLiteral(" (ensaio: nada fica gravado)") : QString()));
        for (const installer::InstallReport &report : r.reports) {
            m_console.print(report.item == report.object ? report.object
                                                         : QStringLiteral("%1 (%2)").arg(report.object, report.item));
            for (const InstallStatement &st : statementsOf(report)) {
                QString line = QStringLiteral("  %1: %2")
                                   .arg(st.creation ? QStringLiteral("criação") : QStringLiteral("exclusão"),
                                        st.outcome->ok ? (rehearsal ? QStringLiteral("aplicaria")
                                                                    : QStringLiteral("aplicada"))
                                                       : (rehearsal ? QStringLiteral("falharia")
                                                                    : QStringLiteral("falhou")));
                if (!st.outcome->ok)
                    line += QStringLiteral(" [%1] %2").arg(st.outcome->errorCode).arg(st.outcome->error.trimmed());
                m_console.print(line);
            }
        }
        if (r.transactionLostAtStatement > 0)
            m_console.print(
                QStringLiteral("O servidor encerrou a transação do ensaio na instrução %1; nada mais foi enviado e "
                               "o que o ensaio mudou foi desfeito pelo servidor ..!")
                    .arg(r.transactionLostAtStatement));
        const int ok = r.creationsOk(), failed = r.creationsFailed();
        m_console.print(QStringLiteral("%1 %2, %3 %4")
                            .arg(ok)
                            .arg(ok == 1 ? (rehearsal ? QStringLiteral("criação aplicaria") : QStringLiteral("criação aplicada"))
                                         : (rehearsal ? QStringLiteral("criações aplicariam")
                                                      : QStringLiteral("criações aplicadas")))
                            .arg(failed)
                            .arg(failed == 1 ? (rehearsal ? QStringLiteral("falharia") : QStringLiteral("falhou"))
                                             : (rehearsal ? QStringLiteral("falhariam") : QStringLiteral("falharam"))));
        if (!r.leftMissing.isEmpty())
            m_console.print(QStringLiteral("%1 sem o objeto: %2")
                                .arg(rehearsal ? QStringLiteral("O banco ficaria") : QStringLiteral("O banco ficou"),
                                     r.leftMissing.join(QStringLiteral(", "))));
    }

    static QJsonObject installJson(const QString &plant, const QString &target, const InstallRun::Result &r)
    {
        QJsonArray installs;
        for (const installer::InstallReport &report : r.reports) {
            QJsonArray statements;
            for (const InstallStatement &st : statementsOf(report)) {
                QJsonObject j {{QStringLiteral("tipo"), st.creation ? QStringLiteral("criacao") : QStringLiteral("exclusao")},
                               {QStringLiteral("texto"), st.outcome->text},
                               {QStringLiteral("ok"), st.outcome->ok}};
                if (!st.outcome->ok) {
                    j[QStringLiteral("erroNumero")] = st.outcome->errorCode;
                    j[QStringLiteral("erro")] = st.outcome->error.trimmed();
                }
                statements.append(j);
            }
            installs.append(QJsonObject {{QStringLiteral("entrada"), report.item},
                                         {QStringLiteral("objeto"), report.object},
                                         {QStringLiteral("instrucoes"), statements}});
        }
        QJsonObject out {{QStringLiteral("planta"), plant},
                         {QStringLiteral("ensaio"), r.mode == InstallRun::Mode::Rehearse},
                         {QStringLiteral("alvo"), target},
                         {QStringLiteral("recusadoPeloCnpj"), false},
                         {QStringLiteral("instalacoes"), installs},
                         {QStringLiteral("criacoesAplicadas"), r.creationsOk()},
                         {QStringLiteral("criacoesFalhas"), r.creationsFailed()},
                         {QStringLiteral("ausentesAoFinal"), QJsonArray::fromStringList(r.leftMissing)}};
        if (!r.cnpj.isNull())
            out[QStringLiteral("cnpj")] = r.cnpj;
        if (r.mode == InstallRun::Mode::Rehearse) {
            out[QStringLiteral("desfeito")] = r.rolledBack;
            out[QStringLiteral("transacaoPerdidaNaInstrucao")] = r.transactionLostAtStatement;
        }
        return out;
    }

    int exportarUsuario()
    {
        if (m_o.arguments.size() != 2)
            return usage(QStringLiteral("Dê a planta e o registro do usuário ..!"), m_o.command);
        const QString plant = plantNamed(m_o.arguments[0]);
        if (plant.isEmpty())
            return BadUsage;
        const QString registro = m_o.arguments[1];
        PlantSession session(m_ini.profile(plant));
        if (!connect(session))
            return NoConnection;
        Dataset users;
        users.setConnection(&session.connection());
        users.setReadOnly(true);
        users.setSql(UserStatements::reload(registro));
        UserScript::Report report;
        try {
            users.open();
            report = UserScript::insertScript(users);
        } catch (const DbError &e) {
            m_console.error(
                QStringLiteral("Os usuários da planta %1 não puderam ser lidos: %2").arg(plant, e.message().trimmed()));
            return StatementFailed;
        }
        if (!report.exported) {
            m_console.error(QStringLiteral("Não há usuário com o Registro %1 na planta %2 ..!").arg(registro, plant));
            return BadUsage;
        }
        if (m_o.json) {
            printJson(QJsonObject {{QStringLiteral("planta"), plant},
                                   {QStringLiteral("registro"), registro},
                                   {QStringLiteral("colunas"), report.columns},
                                   {QStringLiteral("script"), report.script}});
            return Done;
        }
        // The script as the export writes it, carriage return included; a terminal would let the
        // values overwrite the names, so there it shows as a line break.
        QString text = report.script;
        if (m_console.outIsTerminal())
            text.replace(QChar(13), QChar(10));
        m_console.write(text.toUtf8() + '\n');
        return Done;
    }

    int conferir()
    {
        if (m_o.arguments.size() != 2)
            return usage(QStringLiteral("Dê a planta e a pasta dos arquivos do leitor ..!"), m_o.command);
        if (!confirmed())
            return BadUsage;
        const QString plant = plantNamed(m_o.arguments[0]);
        if (plant.isEmpty())
            return BadUsage;
        const QDir folder(m_o.arguments[1]);
        if (!QFileInfo(m_o.arguments[1]).isDir()) {
            m_console.error(QStringLiteral("Pasta não encontrada: %1 ..!").arg(m_o.arguments[1]));
            return BadUsage;
        }
        // The files are read before anything is sent: a file that cannot be read leaves the
        // database untouched.
        QStringList files, lines;
        try {
            for (const QString &name : ReaderFiles::list(folder.path(), QStringLiteral("*.txt"))) {
                if (!ReaderFiles::isLoaded(name))
                    continue;
                lines << ReaderFiles::readLines(folder.filePath(name));
                files << name;
            }
        } catch (const ReaderFileError &e) {
            m_console.error(e.message());
            return BadUsage;
        }
        if (files.isEmpty()) {
            m_console.error(QStringLiteral("A pasta %1 não tem arquivos do leitor (*.txt) ..!").arg(m_o.arguments[1]));
            return BadUsage;
        }
        PlantSession session(m_ini.profile(plant));
        if (!connect(session))
            return NoConnection;
        QString company;
        try {
            Dataset active;
            active.setConnection(&session.connection());
            active.setReadOnly(true);
            active.setSql(QString::fromUtf8(DatasetTexts::Data1SQL));
            active.open();
            company = active.asString(QStringLiteral("Razão"));
        } catch (const DbError &e) {
            m_console.error(
                QStringLiteral("A empresa ativa da planta %1 não pôde ser lida: %2").arg(plant, e.message().trimmed()));
            return StatementFailed;
        }
        const int total = int(lines.size());
        const ConferenceRun::Result result = ConferenceRun::run(
            lines, company, session.command(), [&](const ConferenceStep &step, const ConferenceOutcome &) {
                if (step.line >= 0)
                    m_console.progress(QStringLiteral("Conferência: linha %1 de %2").arg(step.line + 1).arg(total),
                                       step.line + 1, total);
            });
        m_console.endProgress();

        QList<QStringList> rows;
        QString resultError;
        try {
            Dataset conferred;
            conferred.setConnection(&session.connection());
            conferred.setReadOnly(true);
            conferred.setSql(ConferenceStatements::resultQuery());
            conferred.open();
            for (int r = 0; r < conferred.recordCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < conferred.columns().size(); ++c)
                    cells << conferred.rowValue(r, c).toString();
                rows << cells;
            }
        } catch (const DbError &e) {
            resultError = e.message().trimmed();
        }

        if (m_o.json) {
            QJsonArray conferredRows;
            for (const QStringList &r : rows)
                conferredRows.append(QJsonObject {{QStringLiteral("Cod128"), r.value(0)},
                                                  {QStringLiteral("EtqNF"), r.value(1)},
                                                  {QStringLiteral("IdMud"), r.value(2)},
                                                  {QStringLiteral("IdItemNF"), r.value(3)}});
            QJsonObject o {{QStringLiteral("planta"), plant},
                           {QStringLiteral("empresa"), company},
                           {QStringLiteral("arquivos"), QJsonArray::fromStringList(files)},
                           {QStringLiteral("linhas"), total},
                           {QStringLiteral("instrucoes"), result.statements},
                           {QStringLiteral("etiquetas"), result.labels},
                           {QStringLiteral("unidades"), result.units},
                           {QStringLiteral("falhasIgnoradas"), result.ignoredFailures},
                           {QStringLiteral("concluida"), result.completed()},
                           {QStringLiteral("conferido"), conferredRows}};
            if (!result.completed()) {
                o[QStringLiteral("erro")] = result.failure->message().trimmed();
                o[QStringLiteral("erroNumero")] = result.failure->nativeCode();
                o[QStringLiteral("instrucaoComErro")] = result.failedStatement;
            }
            printJson(o);
        } else {
            m_console.print(QStringLiteral("Conferência da planta %1 (empresa %2): %3 linhas de %4 arquivos")
                                .arg(plant, company.isEmpty() ? QStringLiteral("vazia") : company)
                                .arg(total)
                                .arg(files.size()));
            m_console.print(
                QStringLiteral("%1 etiquetas de nota, %2 unidades master registradas, %3 inclusões de unidade "
                               "recusadas e ignoradas; %4 instruções")
                    .arg(result.labels)
                    .arg(result.units)
                    .arg(result.ignoredFailures)
                    .arg(result.statements));
            if (!result.completed())
                m_console.print(QStringLiteral("A conferência parou em: %1\n[%2] %3")
                                    .arg(result.failedStatement)
                                    .arg(result.failure->nativeCode())
                                    .arg(result.failure->message().trimmed()));
            m_console.print(QStringLiteral("Conferido:"));
            if (!resultError.isEmpty())
                m_console.print(QStringLiteral("ConferirTEMP não pôde ser lida: %1").arg(resultError));
            else
                for (const QString &line : formatTable({QStringLiteral("Cod128"), QStringLiteral("EtqNF"),
                                                        QStringLiteral("IdMud"), QStringLiteral("IdItemNF")},
                                                       rows))
                    m_console.print(line);
        }
        return result.completed() ? Done : StatementFailed;
    }

    Options m_o;
    Console &m_console;
    PlantIni m_ini;
};

} // namespace

QString defaultIniPath(const QString &executablePath)
{
    return programIniPath(QFileInfo(executablePath).absoluteDir().filePath(QStringLiteral("orvo-senhas")));
}

int run(const QStringList &args, const QString &defaultIni, Console &console)
{
    Options o;
    o.ini = defaultIni;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--ini")) {
            if (i + 1 >= args.size()) {
                console.error(QStringLiteral("--ini precisa do caminho do arquivo ..!"));
                return BadUsage;
            }
            o.ini = args[++i];
        } else if (a.startsWith(QLatin1String("--ini="))) {
            o.ini = a.mid(6);
        } else if (a == QLatin1String("--json")) {
            o.json = true;
        } else if (a == QLatin1String("--yes")) {
            o.yes = true;
        } else if (a == QLatin1String("--dry-run")) {
            o.dryRun = true;
        } else if (a == QLatin1String("--lote")) {
            o.batch = true;
        } else if (a == QLatin1String("--entrada")) {
            if (i + 1 >= args.size()) {
                console.error(QStringLiteral("--entrada precisa do nome da entrada ..!"));
                return BadUsage;
            }
            o.entry = args[++i];
            o.entryGiven = true;
        } else if (a.startsWith(QLatin1String("--entrada="))) {
            o.entry = a.mid(10);
            o.entryGiven = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            console.error(QStringLiteral("Opção desconhecida: %1 ..!").arg(a));
            console.error(QStringLiteral("Veja \"orvo-admin --help\"."));
            return BadUsage;
        } else if (o.command.isEmpty()) {
            o.command = a;
        } else {
            o.arguments << a;
        }
    }
    return Admin(std::move(o), console).run();
}

} // namespace AdminCli
