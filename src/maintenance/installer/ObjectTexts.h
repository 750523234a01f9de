#pragma once

#include <QByteArray>
#include <QString>

// The T-SQL texts the installer carries, compiled in as resources byte for byte: the script
// pages (CR LF line ends) and the built-in creation texts (CR alone). Every text is
// UTF-8 except the built-in text of Evol_Invent_Kardex, kept in Windows-1252 as the
// workstations' code page writes it and converted before it is sent.
namespace installer {

// The text of a script page by its memo name, as the entry sends it; a null string when
// the program has no such page.
QString pageText(const QString &memo);
// A built-in creation text by its object name; a null string when there is none.
QString builtInText(const QString &object);
// The creation text the installer leaves in the database for an object, by object name
// (for GNR_UP_Kardex_Novo the short version, the one the trigger batch installs); a null
// string for an object the installer does not create.
QString carriedText(const QString &object);

// Windows-1252 bytes to text (the 0x80-0x9F range holds the typographic signs, not C1
// controls as in Latin-1).
QString fromWindows1252(const QByteArray &bytes);

} // namespace installer
