// Round trips per second of a one-row INSERT sent to sql-standin through QODBC (unixODBC +
// FreeTDS, the administration tool's path), next to the same statements sent by FreeTDS's
// bsqldb from a file. The ratio is the figure to track.
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

QString insertText(int i)
{
    return QStringLiteral("INSERT INTO Medida (Nome, Valor) VALUES (N'linha %1', %1)").arg(i);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 2000;
    QTemporaryDir dir;
    QFile script(dir.filePath(QStringLiteral("schema.sql")));
    script.open(QIODevice::WriteOnly);
    script.write("CREATE TABLE Medida (Id int IDENTITY(1,1) NOT NULL PRIMARY KEY, Nome nvarchar(50) NULL, Valor int NULL)\nGO\n");
    script.close();

    QProcess server;
    server.start(QStringLiteral(SQL_STANDIN_PATH),
                 {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--login"), QStringLiteral("bench:bench"),
                  QStringLiteral("--database"), QStringLiteral("Bench=") + script.fileName()});
    QByteArray first;
    while (!first.contains('\n') && server.waitForReadyRead(30000))
        first += server.readAllStandardOutput();
    const auto m = QRegularExpression(QStringLiteral("listening on [0-9.]+:(\\d+)")).match(QString::fromUtf8(first));
    if (!m.hasMatch()) {
        std::fprintf(stderr, "sql-standin did not start: %s\n", server.readAllStandardError().constData());
        return 1;
    }
    const QString port = m.captured(1);

    double odbcRate = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("bench"));
        db.setDatabaseName(QStringLiteral("Driver=FreeTDS;Server=127.0.0.1;Port=%1;Database=Bench;UID=bench;PWD=bench;"
                                          "TDS_Version=7.4;ClientCharset=UTF-8").arg(port));
        if (!db.open()) {
            std::fprintf(stderr, "QODBC: %s\n", qPrintable(db.lastError().text()));
            return 1;
        }
        QSqlQuery q(db);
        q.setForwardOnly(true);
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < count; ++i) {
            if (!q.exec(insertText(i))) {
                std::fprintf(stderr, "QODBC insert: %s\n", qPrintable(q.lastError().text()));
                return 1;
            }
        }
        odbcRate = count * 1000.0 / std::max<qint64>(1, t.elapsed());
        q = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));

    QFile batches(dir.filePath(QStringLiteral("inserts.sql")));
    batches.open(QIODevice::WriteOnly);
    for (int i = 0; i < count; ++i)
        batches.write((insertText(count + i) + QStringLiteral("\ngo\n")).toUtf8());
    batches.close();
    QProcess bsqldb;
    QElapsedTimer t;
    t.start();
    bsqldb.start(QStringLiteral("bsqldb"), {QStringLiteral("-S"), QStringLiteral("127.0.0.1:") + port, QStringLiteral("-U"),
                                            QStringLiteral("bench"), QStringLiteral("-P"), QStringLiteral("bench"), QStringLiteral("-D"),
                                            QStringLiteral("Bench"), QStringLiteral("-i"), batches.fileName(), QStringLiteral("-q")});
    bsqldb.waitForFinished(600000);
    const double bsqldbRate = count * 1000.0 / std::max<qint64>(1, t.elapsed());
    if (bsqldb.exitCode() != 0) {
        std::fprintf(stderr, "bsqldb failed: %s\n", bsqldb.readAllStandardError().constData());
        return 1;
    }
    server.terminate();
    server.waitForFinished();

    std::printf("one-row INSERT round trips/s, %d statements\n", count);
    std::printf("  QODBC (unixODBC + FreeTDS): %10.0f\n", odbcRate);
    std::printf("  bsqldb from a file:         %10.0f\n", bsqldbRate);
    std::printf("  ratio QODBC / bsqldb:       %10.2f\n", odbcRate / bsqldbRate);
    return 0;
}
