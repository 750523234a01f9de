#include "StandinProcess.h"

#include <QFile>
#include <QRegularExpression>

#include <csignal>

StandinProcess::~StandinProcess()
{
    stop();
}

bool StandinProcess::start(const QStringList& args, QString* error)
{
    process.setProgram(QStringLiteral(SQL_STANDIN_PATH));
    process.setArguments(QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")} + args);
    process.start();
    if (!process.waitForStarted(10000)) {
        if (error) *error = process.errorString();
        return false;
    }
    QByteArray out;
    while (!out.contains('\n')) {
        if (!process.waitForReadyRead(60000) && process.state() != QProcess::Running) {
            if (error) *error = QString::fromUtf8(process.readAllStandardError());
            return false;
        }
        out += process.readAllStandardOutput();
        if (process.state() != QProcess::Running && !out.contains('\n')) {
            if (error) *error = QString::fromUtf8(process.readAllStandardError());
            return false;
        }
    }
    static const QRegularExpression re(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)\n"));
    const auto m = re.match(QString::fromUtf8(out));
    if (!m.hasMatch()) {
        if (error) *error = QStringLiteral("unexpected first line: ") + QString::fromUtf8(out);
        return false;
    }
    port = uint16_t(m.captured(1).toUInt());
    return true;
}

void StandinProcess::kill9()
{
    if (process.state() != QProcess::NotRunning) {
        ::kill(pid_t(process.processId()), SIGKILL);
        process.waitForFinished(10000);
    }
}

void StandinProcess::stop()
{
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        if (!process.waitForFinished(5000))
            kill9();
    }
}

QString StandinProcess::writeFile(const QString& name, const QByteArray& content)
{
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return f.fileName();
}

QString StandinProcess::odbcConnectionString(const QString& user, const QString& password, const QString& database) const
{
    return QStringLiteral("Driver=FreeTDS;Server=127.0.0.1;Port=%1;Database=%2;UID=%3;PWD=%4;TDS_Version=7.4;ClientCharset=UTF-8")
        .arg(port).arg(database, user, password);
}

ToolResult runTool(const QString& program, const QStringList& args, const QByteArray& input, int timeoutMs)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    ToolResult r;
    if (!p.waitForStarted(10000)) {
        r.out = p.errorString();
        return r;
    }
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.out = QString::fromUtf8(p.readAll()) + QStringLiteral("\n<timeout>");
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAll());
    return r;
}

const char* kTypesScript = R"(CREATE TABLE Tipos (
  IdTipo int IDENTITY(1,1) NOT NULL,
  Ligado bit NULL, Pequeno tinyint NULL, Medio smallint NULL, Inteiro int NULL, Grande bigint NULL,
  Real4 real NULL, Duplo float NULL, Troco smallmoney NULL, Valor money NULL, Preco decimal(18,2) NULL,
  Sigla char(5) NULL, Texto varchar(20) NULL, NSigla nchar(4) NULL, Nome nvarchar(30) NOT NULL,
  Memo nvarchar(max) NULL, Bytes varbinary(10) NULL, Foto image NULL,
  Quando datetime NULL, RG uniqueidentifier NULL)
GO
INSERT INTO Tipos (Ligado, Pequeno, Medio, Inteiro, Grande, Real4, Duplo, Troco, Valor, Preco, Sigla, Texto, NSigla, Nome, Memo, Bytes, Foto, Quando, RG)
VALUES (1, 255, -32768, -5, 9000000000, 1.5, 2.25, 12.3456, -92233720368.5477, 1234567890123456.78,
        'ab', 'Peças', N'ção', N'Conceição', N'máx', 0x0102, 0xFFD8FFE0, 45929, '6F9619FF-8B86-D011-B42D-00C04FC96401')
GO
INSERT INTO Tipos (Nome) VALUES (N'Vazio')
GO
CREATE TABLE Datas (Dia date NULL, Hora time(3) NULL, Momento datetime2(3) NULL, Minuto smalldatetime NULL,
    Fuso datetimeoffset(3) NULL)
GO
INSERT INTO Datas VALUES ('2025-10-01', '13:45:10.123', '2025-10-01T13:45:10.123', '2025-10-01T13:45:00',
    '2025-10-01 13:45:10.123 -03:00')
GO
)";
