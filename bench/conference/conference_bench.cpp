// The conference run end to end: reader files of N lines (one master label per 100 lines,
// every invoice label matching an invoice item) loaded into the page and conferred through
// the window (QODBC over unixODBC + FreeTDS), next to the same statements sent by a plain
// ODBC client on a server holding the same data. Prints both times and their ratio, the
// time to load the lines into MemoORG and the memory the loaded list takes.
#include "app/Shell.h"
#include "app/UsersForm.h"
#include "conference/ConferencePlan.h"
#include "conference/ConferenceRun.h"
#include "connection/Command.h"
#include "connection/Connection.h"
#include "connection/Dataset.h"
#include "connection/PlantProfiles.h"
#include "widgets/Prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>

#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <malloc.h>
#include <memory>

namespace {

const QString company = QString::fromUtf8("Bravik Indústria Metalúrgica Ltda");

// Answers every question with Yes and the folder chooser with the bench's folder.
class BenchPrompter : public Prompter
{
public:
    QString folder;
    QStringList errors;
    void error(QWidget *, const QString &text) override { errors << text; }
    void message(QWidget *, const QString &) override { }
    Answer confirm(QWidget *, const QString &, Buttons) override { return Answer::Yes; }
    QString chooseFolder(QWidget *, const QString &, const QString &) override { return folder; }
};

QString invoiceOf(int group)
{
    return QStringLiteral("%1").arg(100000 + group, 6, 10, QLatin1Char('0'));
}
QString itemOf(int volume)
{
    return QStringLiteral("IT%1").arg(volume, 4, 10, QLatin1Char('0'));
}

// Invoice items for every label of the reader files: group g is invoice 100000+g with
// volumes 1..99.
void writeItems(const QString &path, int groups)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QString batch;
    int inBatch = 0;
    for (int g = 0; g < groups; ++g) {
        for (int v = 1; v <= 99; ++v) {
            batch +=
                (inBatch == 0
                     ? QStringLiteral("INSERT INTO dbo.ItensNFLogix (cod_empresa, num_nff, volume, cod_item) VALUES\n")
                     : QStringLiteral(",\n"))
                + QStringLiteral("(N'%1', %2, %3, N'%4')").arg(company, invoiceOf(g)).arg(v).arg(itemOf(v));
            if (++inBatch == 1000) {
                f.write((batch + QStringLiteral("\nGO\n")).toUtf8());
                batch.clear();
                inBatch = 0;
            }
        }
    }
    if (inBatch > 0)
        f.write((batch + QStringLiteral("\nGO\n")).toUtf8());
}

// Reader files of 1000 lines each (CR LF); returns all lines in order.
QStringList writeReaderFiles(const QString &folder, int lines)
{
    QStringList all;
    for (int i = 0; i < lines; ++i) {
        const int group = i / 100;
        const int volume = i % 100;
        if (volume == 0)
            all << QStringLiteral("999999-001%1-MASTER%2")
                       .arg(invoiceOf(group))
                       .arg(group + 1, 8, 10, QLatin1Char('0'));
        else
            all << QStringLiteral("nff-%1-%2-%3")
                       .arg(invoiceOf(group))
                       .arg(volume, 4, 10, QLatin1Char('0'))
                       .arg(itemOf(volume));
    }
    for (int start = 0, file = 0; start < all.size(); start += 1000, ++file) {
        QFile f(QDir(folder).filePath(QStringLiteral("leitor%1.txt").arg(file, 4, 10, QLatin1Char('0'))));
        f.open(QIODevice::WriteOnly);
        f.write((all.mid(start, 1000).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
    }
    return all;
}

class Standin
{
public:
    explicit Standin(const QString &items)
    {
        const QString fx = QStringLiteral(ORVO_SOURCE_DIR "/standin/fixtures");
        m_process.start(QStringLiteral(SQL_STANDIN_PATH),
                        {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--login"),
                         QStringLiteral("orvo:orvo"), QStringLiteral("--database"),
                         QStringLiteral("ORVO=%1/orvo-base.sql").arg(fx), QStringLiteral("--database"),
                         QStringLiteral("ORVO=%1/orvo-demo.sql").arg(fx), QStringLiteral("--database"),
                         QStringLiteral("ORVO=") + items});
        QByteArray first;
        while (!first.contains('\n') && m_process.waitForReadyRead(120000))
            first += m_process.readAllStandardOutput();
        const auto m =
            QRegularExpression(QStringLiteral("listening on [0-9.]+:(\\d+)")).match(QString::fromUtf8(first));
        if (m.hasMatch())
            port = m.captured(1).toInt();
        else
            std::fprintf(stderr, "sql-standin did not start: %s\n", m_process.readAllStandardError().constData());
    }
    ~Standin()
    {
        m_process.terminate();
        m_process.waitForFinished();
    }
    int port = 0;

private:
    QProcess m_process;
};

// Heap bytes in use (the loaded list lives on the heap).
long heapKiB()
{
    return long(mallinfo2().uordblks / 1024);
}

struct PlainFigures
{
    qint64 ms = -1;
    int failures = 0;
    int matched = -1;
};

// The same statements, one SQLExecDirectW each on one statement handle.
PlainFigures plainClient(int port, const QStringList &lines)
{
    PlainFigures out;
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT stmt = nullptr;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    const std::u16string dsn = QStringLiteral("Driver=FreeTDS;Server=127.0.0.1;Port=%1;Database=ORVO;UID=orvo;PWD=orvo;"
                                              "TDS_Version=7.4;ClientCharset=UTF-8")
                                   .arg(port)
                                   .toStdU16String();
    if (!SQL_SUCCEEDED(SQLDriverConnectW(dbc, nullptr, (SQLWCHAR *)dsn.c_str(), SQL_NTS, nullptr, 0, nullptr,
                                         SQL_DRIVER_NOPROMPT))) {
        std::fprintf(stderr, "plain ODBC client: no connection\n");
        return out;
    }
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    ConferencePlan plan(lines, company);
    ConferenceStep step;
    QElapsedTimer t;
    t.start();
    while (plan.next(step)) {
        const std::u16string text = step.text.toStdU16String();
        SQLRETURN rc = SQLExecDirectW(stmt, (SQLWCHAR *)text.c_str(), SQL_NTS);
        bool ok = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA;
        SQLLEN rows = 0;
        if (ok) {
            SQLRowCount(stmt, &rows);
            while ((rc = SQLMoreResults(stmt)) != SQL_NO_DATA)
                if (!SQL_SUCCEEDED(rc)) {
                    ok = false;
                    break;
                }
        }
        SQLFreeStmt(stmt, SQL_CLOSE);
        if (!ok)
            ++out.failures;
    }
    out.ms = t.elapsed();
    const std::u16string count = u"SELECT COUNT(*) FROM ConferirTEMP WHERE IdItemNF IS NOT NULL";
    SQLINTEGER n = -1;
    SQLLEN indicator = 0;
    if (SQL_SUCCEEDED(SQLExecDirectW(stmt, (SQLWCHAR *)count.c_str(), SQL_NTS)) && SQL_SUCCEEDED(SQLFetch(stmt))
        && SQL_SUCCEEDED(SQLGetData(stmt, 1, SQL_C_SLONG, &n, 0, &indicator)))
        out.matched = n;
    SQLFreeStmt(stmt, SQL_CLOSE);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return out;
}

// The run operation alone over a Command of its own (QODBC), without the window.
qint64 operationAlone(int port, const QStringList &lines)
{
    PlantProfile p;
    p.server = QStringLiteral("127.0.0.1,%1").arg(port);
    p.database = QStringLiteral("ORVO");
    p.userSql = QStringLiteral("orvo");
    p.passwordSql = QStringLiteral("orvo");
    Connection connection;
    connection.setConnectionString(p.connectionString());
    connection.open();
    Command command;
    command.setConnection(&connection);
    QElapsedTimer t;
    t.start();
    const ConferenceRun::Result r = ConferenceRun::run(lines, company, command);
    const qint64 ms = t.elapsed();
    return r.completed() ? ms : -1;
}

struct AppFigures
{
    qint64 loadMs = -1;
    qint64 runMs = -1;
    long listKiB = 0;
    int matched = -1;
    QStringList errors;
};

QAbstractButton *button(QWidget *w, const char *name)
{
    return w->findChild<QAbstractButton *>(QString::fromLatin1(name));
}

AppFigures throughTheWindow(int port, const QString &folder, const QString &work)
{
    AppFigures out;
    const QString ini = QDir(work).filePath(QStringLiteral("orvo-senhas.INI"));
    QFile f(ini);
    f.open(QIODevice::WriteOnly);
    f.write(QStringLiteral("[Bench]\r\nServer=127.0.0.1,%1\r\nDataBase=ORVO\r\nName=Administrator\r\nUserSQL="
                           "orvo\r\nPasswordSQL=orvo\r\n")
                .arg(port)
                .toUtf8());
    f.close();
    BenchPrompter prompter;
    prompter.folder = folder;
    auto form = std::make_unique<UsersForm>(&prompter, ini);
    form->FormCreate();
    form->resize(1366, 768);
    form->show();
    QApplication::processEvents();
    Shell &shell = form->shell();
    shell.PageControl1->setCurrentWidget(shell.TabSheet4);
    QApplication::processEvents();
    button(form.get(), "sbtSelDir")->click();

    const long before = heapKiB();
    QElapsedTimer t;
    t.start();
    button(form.get(), "CaminhoRX")->click();
    QApplication::processEvents(); // the list's first paint with its lines
    out.loadMs = t.elapsed();
    out.listKiB = heapKiB() - before;

    t.restart();
    button(form.get(), "Conferir")->click();
    out.runMs = t.elapsed();
    QApplication::processEvents();

    // Every invoice label should have found its item.
    Dataset matched;
    matched.setConnection(shell.SERVER1);
    matched.setSql(QStringLiteral("SELECT COUNT(*) AS n FROM ConferirTEMP WHERE IdItemNF IS NOT NULL"));
    matched.open();
    out.matched = matched.asInteger(QStringLiteral("n"));
    out.errors = prompter.errors;
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes << QString::fromLocal8Bit(argv[i]).toInt();
    if (sizes.isEmpty())
        sizes = {20000, 100000};

    int status = 0;
    for (const int n : sizes) {
        QTemporaryDir work;
        const QString folder = QDir(work.path()).filePath(QStringLiteral("leitores"));
        QDir().mkpath(folder);
        const QString items = QDir(work.path()).filePath(QStringLiteral("itens.sql"));
        writeItems(items, (n + 99) / 100);
        const QStringList lines = writeReaderFiles(folder, n);

        // Each measurement on a fresh server holding the same rows, the sides taking turns
        // (20 000 lines and fewer: three rounds in changing order; more: one round); the best of
        // each side is kept, so a drift of the machine's load weighs on every side alike.
        enum Side { Plain, Window, Operation };
        const QList<Side> order =
            n <= 20000 ? QList<Side> {Plain, Window, Operation, Operation, Window, Plain, Window, Plain, Operation}
                       : QList<Side> {Plain, Window, Operation};
        PlainFigures plain;
        AppFigures window;
        qint64 operation = -1;
        for (const Side side : order) {
            Standin server(items);
            if (!server.port)
                return 1;
            if (side == Operation) {
                const qint64 ms = operationAlone(server.port, lines);
                if (operation < 0 || (ms >= 0 && ms < operation))
                    operation = ms;
            } else if (side == Window) {
                const AppFigures w = throughTheWindow(server.port, folder, work.path());
                if (window.runMs < 0 || w.runMs < window.runMs)
                    window = w;
            } else {
                const PlainFigures p = plainClient(server.port, lines);
                if (plain.ms < 0 || p.ms < plain.ms)
                    plain = p;
            }
        }
        QFile load(QStringLiteral("/proc/loadavg"));
        load.open(QIODevice::ReadOnly);
        std::printf(
            "conference of %d reader lines (%d master labels, %d invoice labels), best of %lld; load average %s", n,
            (n + 99) / 100, n - (n + 99) / 100, (long long)order.size() / 3, load.readAll().constData());
        std::printf("  loading into MemoORG:            %8lld ms, list memory %ld KiB (heap in use after the loading "
                    "less before)\n",
                    (long long)window.loadMs, window.listKiB);
        std::printf("  run through the window (QODBC): %8lld ms\n", (long long)window.runMs);
        std::printf("  the run operation alone (QODBC): %7lld ms\n", (long long)operation);
        std::printf("  same statements, plain ODBC:    %8lld ms (%d failed)\n", (long long)plain.ms, plain.failures);
        std::printf("  ratio window / plain client:    %8.2f\n", double(window.runMs) / std::max<qint64>(1, plain.ms));
        std::printf("  ratio operation / plain client: %8.2f\n", double(operation) / std::max<qint64>(1, plain.ms));
        std::printf("  labels matched: window %d, plain client %d\n", window.matched, plain.matched);
        if (window.matched != n - (n + 99) / 100 || plain.matched != window.matched)
            status = 1;
        for (const QString &e : window.errors) {
            std::fprintf(stderr, "  error box: %s\n", qPrintable(e));
            status = 1;
        }
    }
    return status;
}
