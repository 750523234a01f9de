#include "users/NumbersEdit.h"

NumbersEdit::NumbersEdit(QWidget *parent)
    : QLineEdit(parent)
{
    setInputMask(mask());
}

QString NumbersEdit::mask()
{
    // Every '9' is an optional digit; "(", ")", "-" and the blanks are literals.
    return QStringLiteral("(999)99999-9999  99999-9999  99999-9999  99999-9999;_");
}

QString NumbersEdit::digits() const
{
    QString out;
    for (const QChar c : text())
        if (c.isDigit())
            out += c;
    return out.left(MaxDigits);
}

void NumbersEdit::setDigits(const QString &value)
{
    QString only;
    for (const QChar c : value)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            only += c;
    setText(only.left(MaxDigits));
}
