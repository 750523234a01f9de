#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

// Standard output and error as the command line writes them: UTF-8 text, and on standard
// error the progress of long work (a bar that rewrites itself on a terminal, plain lines
// otherwise).
class Console
{
public:
    Console(FILE *out = stdout, FILE *err = stderr);

    void print(const QString &line); // one line on standard output
    void write(const QByteArray &bytes); // bytes as they are on standard output
    void error(const QString &line); // one line on standard error

    // One line of progress, "Equalização: passo 5 de 86" (behind a bar of n of N on a terminal).
    void progress(const QString &text, int n, int count);
    void endProgress();

    bool outIsTerminal() const { return m_outTty; }

private:
    void clearBar();

    FILE *m_out;
    FILE *m_err;
    bool m_outTty = false;
    bool m_errTty = false;
    bool m_barShown = false;
};

// A text table: columns as wide as their widest cell, two blanks between them.
QStringList formatTable(const QStringList &header, const QList<QStringList> &rows);
