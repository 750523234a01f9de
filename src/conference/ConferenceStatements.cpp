#include "conference/ConferenceStatements.h"

#include "connection/SqlText.h"

namespace ConferenceStatements {

QString clearResult()
{
    return QStringLiteral("DELETE FROM ConferirTEMP");
}

QString labelInsert(const QString &company, const QString &master, const QString &label)
{
    return QStringLiteral("INSERT INTO ConferirTEMP (cod_empresa, Cod128, EtqNF) VALUES ('") + SqlText::escaped(company)
           + QStringLiteral("', '") + SqlText::escaped(master) + QStringLiteral("', '") + SqlText::escaped(label)
           + QStringLiteral("')");
}

QString masterInsert(const QString &company, const QString &master)
{
    const QString invoice = master.mid(10, 6);
    const QString volume = master.mid(7, 3);
    return QStringLiteral(
               "INSERT INTO Etq_MasterUD (EtqTIPO, SeqUC, IdHjk, Cod128, EntraHora, EntraMUD, SaidaMud, EntraOpr) "
               "SELECT TOP 1 num_nff, volume, 2 As IdHjk, '")
           + SqlText::escaped(master)
           + QStringLiteral("' AS Cod128, GetDate() AS Agora, 1 AS EntraMUD, 0 AS SaidaMud, SYSTEM_USER As Opera "
                            "FROM ItensNFLogix WHERE (num_nff = '")
           + SqlText::escaped(invoice) + QStringLiteral("') AND (volume = '") + SqlText::escaped(volume)
           + QStringLiteral("') AND (cod_empresa = '")
           + SqlText::escaped(company)
           // A master unit is registered once: the last label of a run and the labels of a
           // folder conferred again are already there.
           + QStringLiteral("') AND (NOT EXISTS (SELECT * FROM Etq_MasterUD WHERE Etq_MasterUD.Cod128 = '")
           + SqlText::escaped(master) + QStringLiteral("'))");
}

const QStringList &matchUpdates()
{
    static const QStringList texts {
        QStringLiteral("UPDATE ConferirTEMP SET ConferirTEMP.IdMud = Etq_MasterUD.IdMud FROM ConferirTEMP INNER JOIN "
                       "Etq_MasterUD ON ConferirTEMP.Cod128 = Etq_MasterUD.Cod128"),
        QStringLiteral("UPDATE ConferirTEMP SET num_nff = CAST(SUBSTRING(EtqNF, 5, 6) AS integer) FROM ConferirTEMP "
                       "WHERE (EtqNF LIKE 'nff-%') AND (ISNUMERIC(SUBSTRING(EtqNF, 5, 6)) = 1)"),
        QStringLiteral("UPDATE ConferirTEMP SET volume = CAST(SUBSTRING(EtqNF, 12, 4) AS integer) FROM ConferirTEMP "
                       "WHERE (EtqNF LIKE 'nff-%') AND (ISNUMERIC(SUBSTRING(EtqNF, 5, 6)) = 1)"),
        QStringLiteral("UPDATE ConferirTEMP SET cod_item = SUBSTRING(EtqNF, 17, 6) FROM ConferirTEMP "
                       "WHERE (EtqNF LIKE 'nff-%') AND (ISNUMERIC(SUBSTRING(EtqNF, 5, 6)) = 1)"),
        QStringLiteral(
            "UPDATE ConferirTEMP SET IdItemNF = ItensNFLogix.IdItemNF FROM ConferirTEMP INNER JOIN ItensNFLogix "
            "ON ConferirTEMP.cod_empresa = ItensNFLogix.cod_empresa AND ConferirTEMP.num_nff = ItensNFLogix.num_nff "
            "AND ConferirTEMP.volume = ItensNFLogix.volume AND ConferirTEMP.cod_item = ItensNFLogix.cod_item "
            "WHERE (EtqNF LIKE 'nff-%') AND (ISNUMERIC(SUBSTRING(EtqNF, 5, 6)) = 1)"),
    };
    return texts;
}

const QStringList &attachUpdates()
{
    static const QStringList texts {
        QStringLiteral("UPDATE ConferirTEMP SET RGMud = Etq_MasterUD.rowguid FROM Etq_MasterUD INNER JOIN ConferirTEMP "
                       "ON Etq_MasterUD.IdMud = ConferirTEMP.IdMud"),
        QStringLiteral("UPDATE ItensNFLogix SET IdMud = ConferirTEMP.IdMud FROM ConferirTEMP INNER JOIN ItensNFLogix "
                       "ON ConferirTEMP.IdItemNF = ItensNFLogix.IdItemNF"),
    };
    return texts;
}

QString resultQuery()
{
    // Only the columns the run writes: a work table of an installation need not have a
    // key of its own. Ordered by master label and invoice label: without an ORDER BY the
    // server gives the rows in whatever order its plan reads them.
    return QStringLiteral("SELECT Cod128, EtqNF, IdMud, IdItemNF FROM ConferirTEMP ORDER BY Cod128, EtqNF");
}

} // namespace ConferenceStatements
