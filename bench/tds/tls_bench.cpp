// What encryption costs: connections per second and one-row INSERT round trips per second to
// sql-standin through QODBC (unixODBC + FreeTDS), with the whole session in TLS next to the same
// work in clear, against the same server in the same run. The ratios are the figures to track.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

namespace {

bool run(const QString &program, const QStringList &args, const QString &dir)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(program, args);
    return p.waitForFinished(60000) && p.exitCode() == 0;
}

struct Figures
{
    double connectsPerSecond = 0;
    double insertsPerSecond = 0;
};

// Opens `connects` connections one after the other, then sends `inserts` one-row INSERTs on one.
bool measure(const QString &port, const QString &encryption, int connects, int inserts, Figures *f)
{
    const QString text = QStringLiteral("Driver=FreeTDS;Server=127.0.0.1;Port=%1;Database=Bench;UID=bench;PWD=bench;"
                                        "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=%2")
                             .arg(port, encryption);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < connects; ++i) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("c"));
            db.setDatabaseName(text);
            if (!db.open()) {
                std::fprintf(stderr, "%s: %s\n", qPrintable(encryption), qPrintable(db.lastError().text()));
                return false;
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("c"));
    }
    f->connectsPerSecond = connects * 1000.0 / std::max<qint64>(1, t.elapsed());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("i"));
        db.setDatabaseName(text);
        if (!db.open())
            return false;
        QSqlQuery q(db);
        q.setForwardOnly(true);
        t.restart();
        for (int i = 0; i < inserts; ++i)
            if (!q.exec(QStringLiteral("INSERT INTO Medida (Nome, Valor) VALUES (N'linha %1', %1)").arg(i)))
                return false;
        f->insertsPerSecond = inserts * 1000.0 / std::max<qint64>(1, t.elapsed());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("i"));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int inserts = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 2000;
    const int connects = argc > 2 ? QString::fromLatin1(argv[2]).toInt() : 100;
    QTemporaryDir dir;
    const QString d = dir.path();
    if (!run(QStringLiteral("openssl"),
             {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
              QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
              QStringLiteral("-keyout"), QStringLiteral("k.pem"), QStringLiteral("-out"), QStringLiteral("c.pem"),
              QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-days"), QStringLiteral("1")},
             d)) {
        std::fprintf(stderr, "openssl could not make the certificate\n");
        return 1;
    }
    QFile script(dir.filePath(QStringLiteral("schema.sql")));
    script.open(QIODevice::WriteOnly);
    script.write("CREATE TABLE Medida (Id int IDENTITY(1,1) NOT NULL PRIMARY KEY, Nome nvarchar(50) NULL, Valor int "
                 "NULL)\nGO\n");
    script.close();

    QProcess server;
    server.start(QStringLiteral(SQL_STANDIN_PATH),
                 {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--login"),
                  QStringLiteral("bench:bench"), QStringLiteral("--database"),
                  QStringLiteral("Bench=") + script.fileName(), QStringLiteral("--tls-cert"),
                  dir.filePath(QStringLiteral("c.pem")), QStringLiteral("--tls-key"),
                  dir.filePath(QStringLiteral("k.pem"))});
    QByteArray first;
    while (!first.contains('\n') && server.waitForReadyRead(30000))
        first += server.readAllStandardOutput();
    const auto m = QRegularExpression(QStringLiteral("listening on [0-9.]+:(\\d+)")).match(QString::fromUtf8(first));
    if (!m.hasMatch()) {
        std::fprintf(stderr, "sql-standin did not start: %s\n", server.readAllStandardError().constData());
        return 1;
    }
    Figures clear, encrypted;
    if (!measure(m.captured(1), QStringLiteral("off"), connects, inserts, &clear)
        || !measure(m.captured(1), QStringLiteral("require"), connects, inserts, &encrypted))
        return 1;
    server.terminate();
    server.waitForFinished();

    std::printf("sql-standin through QODBC, %d connections, %d one-row INSERTs\n", connects, inserts);
    std::printf("                      clear    encrypted   ratio encrypted/clear\n");
    std::printf("  connections/s  %10.0f   %10.0f   %6.2f\n", clear.connectsPerSecond, encrypted.connectsPerSecond,
                encrypted.connectsPerSecond / clear.connectsPerSecond);
    std::printf("  INSERTs/s      %10.0f   %10.0f   %6.2f\n", clear.insertsPerSecond, encrypted.insertsPerSecond,
                encrypted.insertsPerSecond / clear.insertsPerSecond);
    return 0;
}
