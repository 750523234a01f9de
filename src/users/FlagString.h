#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

// A module flag string of Usuarios (ComprasFLAGS, VendasFLAGS, QualidadeFLAGS): 30
// characters, position n (from 1) grants an option with "S" and denies it with "0".
// Position 21 of the purchases and sales strings holds the option character chosen in a
// combo box; that option belongs to position 3 (no option without position 3).
struct FlagLayout
{
    QString column;          // the Usuarios column
    QList<int> positions;    // positions that have a check box, in order
    bool hasOption = false;  // position 21 holds the option character
};

namespace FlagString {

inline constexpr int Length = 30;
inline constexpr int OptionPosition = 21;
inline constexpr int OptionOwnerPosition = 3;

const FlagLayout &compras();    // positions 1-12, option at 21
const FlagLayout &vendas();     // positions 1-8 and 25, option at 21
const FlagLayout &qualidade();  // positions 1-2

// Texts of the option combo boxes' items, in order, and the character each one stores.
const QStringList &optionItems();
inline const QString optionPlaceholder = QStringLiteral("Escolha opção");
QChar optionCharacter(int itemIndex);   // "0" for -1 (no item) or any index out of range

// Reading. A position beyond the string's end counts as neither "S" nor an option.
bool granted(const QString &flags, int position);   // the character is exactly "S"
int optionItem(const QString &flags);               // item 0-5 for "IEAT12" at 21, -1 otherwise

// The whole string from the boxes: "S" for each ticked box position, the option character
// at 21 (only when position 3 is ticked), "0" everywhere else; always 30 characters.
// `ticked` holds the positions whose box is ticked.
QString build(const FlagLayout &layout, const QList<int> &ticked, int optionItem);

} // namespace FlagString
