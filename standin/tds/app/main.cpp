// sql-standin: a SQL Server look-alike speaking TDS on a loopback port, over the stand-in engine.
#include "EngineBackend.h"
#include "Server.h"
#include "standin/ValueOps.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdio>

using namespace standin;
using namespace standin::tds;

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "sql-standin: %s\n", qPrintable(message));
    return 2;
}

struct DatabaseSpec {
    QString name;
    QStringList scripts;
};

const char* kHelp =
    "Serves the stand-in engine's databases over TDS (SQL Server's protocol), for ODBC/FreeTDS clients.\n"
    "\n"
    "  --listen HOST:PORT        address to listen on (default 127.0.0.1:14330). Port 0 picks a free\n"
    "                            port; the first line of output is then 'listening on HOST:PORT'.\n"
    "  --allow-remote            allow a listen address that is not a loopback address.\n"
    "  --login NAME:PASSWORD[:LANGUAGE]\n"
    "                            a SQL login (repeatable), with its default language (us_english,\n"
    "                            British, Português, Brazilian ...). Without any --login every login\n"
    "                            is accepted.\n"
    "  --database NAME[=SCRIPTS] creates database NAME and runs the scripts into it (repeatable).\n"
    "                            SCRIPTS is one file or a comma-separated list; repeating --database\n"
    "                            with the same NAME appends scripts, run in the order given. Scripts\n"
    "                            use lines holding only GO as batch separators. The first database\n"
    "                            named is the default database of every login.\n"
    "  --data DIR                loads the databases from DIR at start (when DIR holds a saved state;\n"
    "                            the scripts of databases already there are not run again) and saves\n"
    "                            them there, atomically, after every batch that changed data.\n"
    "  --log FILE                appends every batch received (time, login, database, text) and its\n"
    "                            outcome to FILE.\n"
    "  --tls-cert FILE           PEM certificate (chain) offered to clients that encrypt; with\n"
    "  --tls-key FILE            its PEM private key. Without them the server cannot encrypt.\n"
    "  --force-encryption        every connection must be encrypted whole; a client that does not\n"
    "                            encrypt is refused after PRELOGIN (needs --tls-cert and --tls-key).\n"
    "  --demo                    the demo set-up: login orvo:orvo, ORVO from the base and demo fixture\n"
    "                            scripts, Vuzur and zAraradovi from the sister script.\n";

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::signal(SIGPIPE, SIG_IGN);

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kHelp));
    parser.addHelpOption();
    const QCommandLineOption listenOpt(QStringLiteral("listen"), QStringLiteral("HOST:PORT"), QStringLiteral("address"),
                                       QStringLiteral("127.0.0.1:14330"));
    const QCommandLineOption loginOpt(QStringLiteral("login"), QStringLiteral("NAME:PASSWORD[:LANGUAGE]"),
                                      QStringLiteral("login"));
    const QCommandLineOption databaseOpt(QStringLiteral("database"), QStringLiteral("NAME[=SCRIPTS]"), QStringLiteral("database"));
    const QCommandLineOption dataOpt(QStringLiteral("data"), QStringLiteral("DIR"), QStringLiteral("dir"));
    const QCommandLineOption logOpt(QStringLiteral("log"), QStringLiteral("FILE"), QStringLiteral("file"));
    const QCommandLineOption remoteOpt(QStringLiteral("allow-remote"), QStringLiteral("allow a non-loopback address"));
    const QCommandLineOption demoOpt(QStringLiteral("demo"), QStringLiteral("the demo databases and login"));
    const QCommandLineOption certOpt(QStringLiteral("tls-cert"), QStringLiteral("PEM certificate"), QStringLiteral("file"));
    const QCommandLineOption keyOpt(QStringLiteral("tls-key"), QStringLiteral("PEM private key"), QStringLiteral("file"));
    const QCommandLineOption forceOpt(QStringLiteral("force-encryption"), QStringLiteral("refuse clients that do not encrypt"));
    parser.addOptions({listenOpt, loginOpt, databaseOpt, dataOpt, logOpt, remoteOpt, demoOpt, certOpt, keyOpt, forceOpt});
    parser.process(app);

    QString host;
    uint16_t port = 0;
    QString error;
    if (!parseListenAddress(parser.value(listenOpt), &host, &port, &error))
        return fail(error);
    if (!isLoopbackAddress(host) && !parser.isSet(remoteOpt))
        return fail(QStringLiteral("refusing to listen on %1, which is not a loopback address (use --allow-remote)").arg(host));

    ServerConfig config;
    QStringList logins = parser.values(loginOpt);
    QStringList databases = parser.values(databaseOpt);
    if (parser.isSet(demoOpt)) {
        // The source tree's fixtures, or those installed beside the program.
        QString fx = QStringLiteral(STANDIN_FIXTURES_DIR);
        if (!QFileInfo::exists(fx + QStringLiteral("/orvo-base.sql")))
            fx = QCoreApplication::applicationDirPath() + QStringLiteral("/fixtures");
        logins << QStringLiteral("orvo:orvo");
        databases.prepend(QStringLiteral("zAraradovi=%1/sister.sql").arg(fx));
        databases.prepend(QStringLiteral("Vuzur=%1/sister.sql").arg(fx));
        databases.prepend(QStringLiteral("ORVO=%1/orvo-base.sql,%1/orvo-demo.sql").arg(fx));
    }
    for (const QString& l : logins) {
        const int colon = int(l.indexOf(u':'));
        if (colon <= 0)
            return fail(QStringLiteral("--login expects NAME:PASSWORD[:LANGUAGE], got '%1'").arg(l));
        const QString name = l.left(colon).toLower();
        QString password = l.mid(colon + 1);
        // NAME:PASSWORD:LANGUAGE when the last field names a language of the server.
        const int last = int(password.lastIndexOf(u':'));
        if (last >= 0) {
            if (const Language* language = findLanguage(password.mid(last + 1))) {
                config.loginLanguages.insert(name, languageName(*language));
                password.truncate(last);
            }
        }
        config.logins.insert(name, password);
    }
    if (parser.isSet(certOpt) != parser.isSet(keyOpt))
        return fail(QStringLiteral("--tls-cert and --tls-key go together"));
    if (parser.isSet(certOpt)) {
        config.tls = TlsContext::load(parser.value(certOpt), parser.value(keyOpt), &error);
        if (!config.tls)
            return fail(error);
    }
    config.forceEncryption = parser.isSet(forceOpt);
    if (config.forceEncryption && !config.tls)
        return fail(QStringLiteral("--force-encryption needs --tls-cert and --tls-key"));
    if (config.logins.isEmpty())
        std::fprintf(stderr, "sql-standin: no --login given, every login is accepted\n");

    std::vector<DatabaseSpec> specs;
    for (const QString& d : databases) {
        const int eq = int(d.indexOf(u'='));
        const QString name = (eq < 0 ? d : d.left(eq)).trimmed();
        if (name.isEmpty())
            return fail(QStringLiteral("--database expects NAME[=SCRIPTS], got '%1'").arg(d));
        auto it = std::find_if(specs.begin(), specs.end(),
                               [&](const DatabaseSpec& s) { return s.name.compare(name, Qt::CaseInsensitive) == 0; });
        if (it == specs.end()) {
            specs.push_back({name, {}});
            it = specs.end() - 1;
        }
        if (eq >= 0)
            for (const QString& s : d.mid(eq + 1).split(u',', Qt::SkipEmptyParts))
                it->scripts << s.trimmed();
    }

    Engine engine;
    const QString dataDir = parser.value(dataOpt);
    if (!dataDir.isEmpty()) {
        if (!QDir().mkpath(dataDir))
            return fail(QStringLiteral("cannot create the data directory %1").arg(dataDir));
        if (!QDir(dataDir).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty() && !engine.load(dataDir, &error))
            return fail(QStringLiteral("cannot load %1: %2").arg(dataDir, error));
    }
    bool created = false;
    for (const DatabaseSpec& spec : specs) {
        if (engine.hasDatabase(spec.name))
            continue;
        if (!engine.createDatabase(spec.name, &error))
            return fail(QStringLiteral("cannot create database %1: %2").arg(spec.name, error));
        created = true;
        ServerMessage openError;
        auto session = engine.openSession(QStringLiteral("sa"), QString(), spec.name, &openError);
        if (!session)
            return fail(openError.text);
        for (const QString& script : spec.scripts) {
            QFile f(script);
            if (!f.open(QIODevice::ReadOnly))
                return fail(QStringLiteral("cannot read %1: %2").arg(script, f.errorString()));
            const BatchResult r = engine.executeScript(*session, QString::fromUtf8(f.readAll()));
            for (const StatementResult& s : r.statements)
                for (const ServerMessage& m : s.messages)
                    if (m.severity > 10)
                        return fail(QStringLiteral("%1 (database %2): error %3, line %4: %5")
                                        .arg(script, spec.name).arg(m.number).arg(m.line).arg(m.text));
            if (r.aborted)
                return fail(QStringLiteral("%1 (database %2): the script stopped").arg(script, spec.name));
        }
    }
    if (!dataDir.isEmpty() && created && !engine.save(dataDir, &error))
        return fail(QStringLiteral("cannot save to %1: %2").arg(dataDir, error));

    QString defaultDatabase = specs.empty() ? QString() : specs.front().name;
    if (defaultDatabase.isEmpty()) {
        const QStringList names = engine.databaseNames();
        defaultDatabase = names.contains(QStringLiteral("master"), Qt::CaseInsensitive) || names.isEmpty()
                              ? QStringLiteral("master") : names.front();
    }
    EngineBackend backend(engine, defaultDatabase);
    if (!dataDir.isEmpty())
        backend.setDataDirectory(dataDir);
    if (parser.isSet(logOpt) && !backend.setLogFile(parser.value(logOpt), &error))
        return fail(QStringLiteral("cannot open the log %1: %2").arg(parser.value(logOpt), error));

    Server server(backend, config);
    if (!server.listen(host, port, &error))
        return fail(error);
    std::printf("listening on %s:%u\n", qPrintable(host), unsigned(server.port()));
    std::fflush(stdout);
    server.serve();
    return 0;
}
