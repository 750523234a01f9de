#include "maintenance/ColumnDescription.h"

#include "connection/SqlText.h"
#include "maintenance/SchemaStep.h"

namespace ColumnDescription {

QString dropFirstMode()
{
    return QStringLiteral("Excluir_Antes");
}

QString addOnlyMode()
{
    return QStringLiteral("Não_Excluir");
}

// The owner is written bare in the drop and quoted in the add: both forms are accepted by
// the server and both are the texts the tool has always sent.
QString dropStatement(const QString &table, const QString &column)
{
    return QStringLiteral("EXECUTE sp_dropextendedproperty 'MS_Description','user', dbo, 'table', '")
           + SqlText::escaped(table) + QStringLiteral("', 'column', '") + SqlText::escaped(column)
           + QStringLiteral("'");
}

// No blank between the quote that closes the text and EXECUTE.
QString addStatement(const QString &text, const QString &table, const QString &column)
{
    return QStringLiteral("DECLARE @v sql_variant SET @v = '") + SqlText::escaped(text)
           + QStringLiteral("'EXECUTE sp_addextendedproperty 'MS_Description', @v, 'user', 'dbo', 'table', '")
           + SqlText::escaped(table) + QStringLiteral("', 'column', '") + SqlText::escaped(column)
           + QStringLiteral("'");
}

QStringList statements(const QString &mode, const QString &table, const QString &column, const QString &text)
{
    QStringList out;
    if (mode == dropFirstMode())
        out << dropStatement(table, column);
    out << addStatement(text, table, column);
    return out;
}

QStringList statements(const DescriptionEntry &entry)
{
    return statements(entry.mode, entry.table, entry.column, entry.text);
}

} // namespace ColumnDescription
