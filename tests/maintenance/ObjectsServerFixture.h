#pragma once

// A stand-in of its own with the ORVO database and its sister databases, and the objects the
// installer carries installed into it as the administrator installs them: each entry through
// the installer, its gate reading the active company's CNPJ from the database. No window: the
// stories are about what the installed objects do to the rows.
#include "AppFixture.h"
#include "connection/Command.h"
#include "connection/Connection.h"
#include "connection/DbError.h"
#include "connection/PlantProfiles.h"
#include "maintenance/Catalogue.h"
#include "maintenance/StepRunner.h"
#include "maintenance/installer/Installer.h"
#include "maintenance/installer/InstallerEntries.h"

#include <gtest/gtest.h>

class ObjectsServerTest : public ::testing::Test
{
protected:
    // Further databases or scripts for the stand-in ("--database", "NAME=FILE").
    virtual QStringList serverArguments() const { return {}; }

    void SetUp() override
    {
        fx.server().start({}, serverArguments());
        PlantProfile p;
        p.server = fx.server().address();
        p.database = QStringLiteral("ORVO");
        p.userSql = QStringLiteral("orvo");
        p.passwordSql = QStringLiteral("orvo");
        connection.setConnectionString(p.connectionString());
        command.setConnection(&connection);
    }

    installer::InstallReport install(const QString &item)
    {
        const installer::MenuItem *entry = installer::menuItem(item);
        if (!entry) {
            ADD_FAILURE() << "no menu item " << item.toStdString();
            return {};
        }
        installer::Installer installer(command);
        return installer.install(*entry, [this] { return activeCnpj(); });
    }
    // Installs an entry whose creation the server must accept.
    void installed(const QString &item)
    {
        const installer::InstallReport r = install(item);
        ASSERT_TRUE(r.creationSent) << item.toStdString();
        const StatementOutcome *failed = r.failedCreation();
        ASSERT_EQ(failed, nullptr) << item.toStdString() << ": "
                                   << (failed ? failed->error.toStdString() : std::string());
    }
    // The administrator's schema equalization and accent-free mirror runs, which add columns
    // and tables some objects use.
    void equalize() { StepRunner(command).run(schemaCatalogue()); }
    void mirror() { StepRunner(command).run(mirrorCatalogue()); }

    QString activeCnpj() { return fx.scalar(QStringLiteral("SELECT CNPJ FROM PessoaFJ WHERE Ativa = 1")).toString(); }
    void makeActive(const QString &cnpj)
    {
        exec(QStringLiteral("UPDATE PessoaFJ SET Ativa = 0"));
        exec(QStringLiteral("UPDATE PessoaFJ SET Ativa = 1 WHERE CNPJ = N'%1'").arg(cnpj));
    }

    void exec(const QString &sql) { fx.exec(sql); }
    QVariant value(const QString &sql) { return fx.scalar(sql); }
    QList<QVariantList> rows(const QString &sql) { return fx.rows(sql); }
    int count(const QString &fromWhere) { return value(QStringLiteral("SELECT COUNT(*) FROM ") + fromWhere).toInt(); }
    // Inserts a row and gives the identity it received.
    int insert(const QString &sql)
    {
        exec(sql);
        return value(QStringLiteral("SELECT CAST(IDENT_CURRENT('%1') AS int)").arg(tableOf(sql))).toInt();
    }
    // The server's error number when the statement fails (-1 when it has none), 0 when it runs.
    int failure(const QString &sql, QString *message = nullptr)
    {
        try {
            fx.exec(sql);
        } catch (const DbError &e) {
            if (message)
                *message = e.message();
            return e.nativeCode() ? e.nativeCode() : -1;
        }
        return 0;
    }

    AppFixture fx;
    Connection connection;
    Command command;

private:
    static QString tableOf(const QString &insertSql)
    {
        // "INSERT INTO <table> (" with the table possibly bracketed or database-qualified.
        QString rest = insertSql.section(QLatin1String("INSERT INTO "), 1).trimmed();
        const qsizetype end = rest.indexOf(QLatin1String(" ("));
        return rest.left(end).remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    }
};
