#pragma once

#include <QString>

// Pieces of SQL text built from values. Every value that a statement puts between single
// quotes goes through here, so that a quote inside the value stays data.
namespace SqlText {

// The value with each single quote doubled, for a template that writes the quotes itself
// ("... LIKE '%" + escaped(x) + "%'").
QString escaped(const QString &value);
// 'value', quotes inside doubled.
QString quoted(const QString &value);
// N'value': a Unicode literal, quotes inside doubled.
QString unicode(const QString &value);
// [name]: a bracketed identifier, closing brackets inside doubled.
QString bracketed(const QString &name);

} // namespace SqlText
