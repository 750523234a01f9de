#pragma once

#include <QLineEdit>

// The masked edit of up to four telephone (or pager) numbers: the first with a
// three-digit prefix in parentheses, the numbers separated by two blanks, '_' in the
// empty places. The text as stored leaves out the mask's literals: the typed digits
// only, at most 39.
class NumbersEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit NumbersEdit(QWidget *parent = nullptr);

    static QString mask();
    static constexpr int MaxDigits = 39;

    // The typed digits, without parentheses, hyphens and blanks.
    QString digits() const;
    // Fills the places in order from the digits of a stored value.
    void setDigits(const QString &value);
};
