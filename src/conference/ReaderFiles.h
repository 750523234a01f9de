#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <stdexcept>

// A reader file that could not be read; the message is the one shown to the user.
class ReaderFileError : public std::runtime_error
{
public:
    explicit ReaderFileError(const QString &message) : std::runtime_error(message.toStdString()), m_message(message) { }
    QString message() const { return m_message; }

private:
    QString m_message;
};

// The barcode readers' text files: single-byte Windows-1252 text, one code per line, lines
// ending with CR LF, CR or LF. A line is kept whole, blanks included.
namespace ReaderFiles {

// The normal files of a folder whose names match the mask ("*.txt"), sorted by name
// without regard to case. Hidden files and folders are not listed.
QStringList list(const QString &folder, const QString &mask);

// Windows-1252 bytes as text (each byte one character).
QString decode(const QByteArray &bytes);
// Splits text into lines at CR LF, CR or LF; a line end at the very end gives no empty
// last line.
QStringList splitLines(const QString &text);

// Reads a file as lines; throws ReaderFileError when it cannot be read.
QStringList readLines(const QString &path);

// Whether the loading reads a listed file: its name is longer than 3 characters.
bool isLoaded(const QString &name);

} // namespace ReaderFiles
