#include "cli/AdminCli.h"

#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/Console.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

namespace AdminCli {
namespace {

const char *const generalHelp =
    "Uso: orvo-admin [--ini ARQUIVO] [--json] [--timeout SEGUNDOS] COMANDO [ARGUMENTOS] [OPÇÕES]\n"
    "\n"
    "Administrador de senhas do sistema ORVO sem janela: as mesmas operações do aplicativo, sobre as\n"
    "plantas do arquivo INI do programa.\n"
    "\n"
    "Comandos:\n"
    "  plantas                          as plantas do arquivo INI, com servidor e banco\n"
    "  status [PLANTA...]               conexão, chave do aplicativo, passos do catálogo, colunas\n"
    "                                   sem acento e objetos (triggers, funções, procedimentos) que\n"
    "                                   faltam, de cada planta (todas quando nenhuma); só lê\n"
    "  equalizar PLANTA [--dry-run]     a equalização do esquema de acordo com o padrão\n"
    "  sem-acento PLANTA [--dry-run]    os campos sem acento nas tabelas\n"
    "  instalar PLANTA (--lote | --entrada NOME) [--dry-run]\n"
    "                                   o lote de triggers ou uma entrada do instalador de objetos\n"
    "  chave PLANTA (liga|desliga)      libera ou derruba o aplicativo ORVO.exe na rede\n"
    "  exportar-usuario PLANTA REGISTRO o script de inclusão do usuário\n"
    "  conferir PLANTA PASTA            confere os arquivos do leitor de código de barras (*.txt)\n"
    "  comparar PLANTA_A PLANTA_B       o esquema, os objetos, as descrições e os direitos dos\n"
    "                                   usuários de duas plantas, lado a lado; só lê\n"
    "\n"
    "Opções:\n"
    "  --ini ARQUIVO       o arquivo INI das plantas (padrão: orvo-senhas.INI na pasta do programa)\n"
    "  --json              saída em JSON, para scripts\n"
    "  --yes               confirma um comando que altera o banco\n"
    "  --dry-run           ensaio: roda cada passo numa transação e desfaz tudo ao final\n"
    "  --timeout SEGUNDOS  tempo máximo de cada instrução, leituras incluídas (padrão 1200; 0: sem\n"
    "                      limite); a que passar dele é cancelada e o comando sai com 1\n"
    "  --help              esta ajuda; \"orvo-admin COMANDO --help\" mostra a ajuda do comando\n"
    "\n"
    "Códigos de saída: 0 feito (ou plantas iguais), 1 alguma instrução falhou (ou plantas diferentes),\n"
    "2 uso incorreto ou arquivo INI, 3 sem conexão com o servidor.\n";

const CommandSpec *const commands[] = {&plantasCommand,         &statusCommand,   &equalizarCommand,
                                       &semAcentoCommand,       &instalarCommand, &chaveCommand,
                                       &exportarUsuarioCommand, &conferirCommand, &compararCommand};

const CommandSpec *commandNamed(const QString &name)
{
    for (const CommandSpec *c : commands)
        if (name == QLatin1String(c->name))
            return c;
    return nullptr;
}

QString helpFor(const QString &command)
{
    const CommandSpec *c = commandNamed(command);
    return QString::fromUtf8(c ? c->help : generalHelp);
}

} // namespace

int Context::usage(const QString &message)
{
    console.error(message);
    console.error(commandNamed(o.command) ? QStringLiteral("Veja \"orvo-admin %1 --help\".").arg(o.command)
                                          : QStringLiteral("Veja \"orvo-admin --help\"."));
    return BadUsage;
}

void Context::printJson(const QJsonObject &object)
{
    console.print(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented)).trimmed());
}

QString Context::plantNamed(const QString &name)
{
    const QString section = ini.find(name);
    if (section.isEmpty())
        console.error(QStringLiteral("Planta desconhecida: %1 (plantas de %2: %3) ..!")
                          .arg(name, ini.path(), ini.plants().join(QStringLiteral(", "))));
    return section;
}

bool Context::connect(PlantSession &session)
{
    if (session.open())
        return true;
    console.error(
        QStringLiteral("Não foi possível conectar à planta %1 (%2, banco %3): %4")
            .arg(session.profile().section, session.profile().server, session.profile().database, session.error()));
    return false;
}

std::unique_ptr<PlantSession> Context::openPlant(const QString &name, int &exitCode)
{
    const QString plant = plantNamed(name);
    if (plant.isEmpty()) {
        exitCode = BadUsage;
        return nullptr;
    }
    auto session = std::make_unique<PlantSession>(ini.profile(plant), o.timeout);
    if (!connect(*session)) {
        exitCode = NoConnection;
        return nullptr;
    }
    return session;
}

bool Context::confirmed(bool rehearsalExists)
{
    if (o.yes)
        return true;
    console.error(QStringLiteral("Este comando altera o banco da planta: confirme com --yes%1 ..!")
                      .arg(rehearsalExists ? QStringLiteral(" (ou ensaie com --dry-run)") : QString()));
    return false;
}

QString defaultIniPath(const QString &executablePath)
{
    return programIniPath(QFileInfo(executablePath).absoluteDir().filePath(QStringLiteral("orvo-senhas")));
}

int run(const QStringList &args, const QString &defaultIni, Console &console)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption ini(QStringLiteral("ini"), QString(), QStringLiteral("ARQUIVO"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption yes(QStringLiteral("yes"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"));
    const QCommandLineOption batch(QStringLiteral("lote"));
    const QCommandLineOption entry(QStringLiteral("entrada"), QString(), QStringLiteral("NOME"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), QString(), QStringLiteral("SEGUNDOS"));
    const QCommandLineOption help(QStringList {QStringLiteral("help"), QStringLiteral("h")});
    parser.addOptions({ini, json, yes, dryRun, batch, entry, timeout, help});

    if (!parser.parse(QStringList {QStringLiteral("orvo-admin")} + args)) {
        // The parser's own words are English: say the same in the tool's words.
        static const QList<QPair<QString, QString>> needsValue {
            {QStringLiteral("--ini"), QStringLiteral("--ini precisa do caminho do arquivo ..!")},
            {QStringLiteral("--entrada"), QStringLiteral("--entrada precisa do nome da entrada ..!")},
            {QStringLiteral("--timeout"), QStringLiteral("--timeout precisa do número de segundos ..!")}};
        for (const auto &[option, message] : needsValue)
            if (!args.isEmpty() && args.last() == option) {
                console.error(message);
                return BadUsage;
            }
        QString offending;
        for (const QString &a : args)
            if (a.startsWith(QLatin1Char('-')) && a.size() > 1
                && parser.unknownOptionNames().contains(
                    a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1).section(QLatin1Char('='), 0, 0)))
                offending = a;
        console.error(offending.isEmpty() ? QStringLiteral("Opção inválida: %1 ..!").arg(parser.errorText())
                                          : QStringLiteral("Opção desconhecida: %1 ..!").arg(offending));
        console.error(QStringLiteral("Veja \"orvo-admin --help\"."));
        return BadUsage;
    }

    Options o;
    o.ini = parser.isSet(ini) ? parser.value(ini) : defaultIni;
    o.json = parser.isSet(json);
    o.yes = parser.isSet(yes);
    o.dryRun = parser.isSet(dryRun);
    o.batch = parser.isSet(batch);
    o.entryGiven = parser.isSet(entry);
    o.entry = parser.value(entry);
    const QStringList positional = parser.positionalArguments();
    o.command = positional.value(0);
    o.arguments = positional.mid(1);
    Context context(std::move(o), console);

    if (parser.isSet(help)) {
        console.print(helpFor(context.o.command).trimmed());
        return Done;
    }
    if (parser.isSet(timeout)) {
        bool ok = false;
        context.o.timeout = parser.value(timeout).toInt(&ok);
        if (!ok || context.o.timeout < 0)
            return context.usage(QStringLiteral("--timeout precisa de um número inteiro de segundos (0: sem limite), "
                                                "não %1 ..!")
                                     .arg(parser.value(timeout)));
    }
    if (context.o.command.isEmpty())
        return context.usage(QStringLiteral("Falta o comando ..!"));
    const CommandSpec *command = commandNamed(context.o.command);
    if (!command)
        return context.usage(QStringLiteral("Comando desconhecido: %1 ..!").arg(context.o.command));
    if (context.o.dryRun && !command->rehearses)
        return context.usage(QStringLiteral("--dry-run só vale para equalizar, sem-acento e instalar ..!"));
    if ((context.o.batch || context.o.entryGiven) && command != &instalarCommand)
        return context.usage(QStringLiteral("--lote e --entrada só valem para instalar ..!"));
    if (!context.ini.load(context.o.ini)) {
        console.error(context.ini.error());
        return BadUsage;
    }
    return command->run(context);
}

} // namespace AdminCli
