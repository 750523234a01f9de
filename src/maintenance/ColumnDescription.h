#pragma once

#include <QString>
#include <QStringList>

struct DescriptionEntry;

// The statements that write a column description (the extended property MS_Description).
namespace ColumnDescription {

// The mode that drops an existing description before adding (compared case-sensitively).
QString dropFirstMode(); // "Excluir_Antes"
// The mode of every catalogue entry: only add, so a description once written stays.
QString addOnlyMode(); // "Não_Excluir"

QString dropStatement(const QString &table, const QString &column);
QString addStatement(const QString &text, const QString &table, const QString &column);

// The statements of one entry in the order they are sent: the drop (mode "Excluir_Antes"
// only), then the add.
QStringList statements(const QString &mode, const QString &table, const QString &column, const QString &text);
QStringList statements(const DescriptionEntry &entry);

} // namespace ColumnDescription
