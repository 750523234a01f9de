#include "users/FlagString.h"

namespace FlagString {

const FlagLayout &compras()
{
    static const FlagLayout layout{QStringLiteral("ComprasFLAGS"), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, true};
    return layout;
}

const FlagLayout &vendas()
{
    static const FlagLayout layout{QStringLiteral("VendasFLAGS"), {1, 2, 3, 4, 5, 6, 7, 8, 25}, true};
    return layout;
}

const FlagLayout &qualidade()
{
    static const FlagLayout layout{QStringLiteral("QualidadeFLAGS"), {1, 2}, false};
    return layout;
}

const QStringList &optionItems()
{
    static const QStringList items{
        QStringLiteral("I-Somente inclui Recebimento"),
        QStringLiteral("E-Somente Exclui Recebimento"),
        QStringLiteral("A-Somente Altera Recebimento"),
        QStringLiteral("T=Total (Incluir, Excluir e Alterar)"),
        QStringLiteral("1=Total (Incluir, Excluir e Alterar) até 1 Hora da alteração"),
        QStringLiteral("2=Total (Incluir, Excluir e Alterar) até 1 Dia da alteração"),
    };
    return items;
}

namespace {
const QString optionCharacters = QStringLiteral("IEAT12");
}

QChar optionCharacter(int itemIndex)
{
    if (itemIndex < 0 || itemIndex >= optionCharacters.size())
        return QLatin1Char('0');
    return optionCharacters.at(itemIndex);
}

bool granted(const QString &flags, int position)
{
    return position >= 1 && position <= flags.size() && flags.at(position - 1) == QLatin1Char('S');
}

int optionItem(const QString &flags)
{
    if (flags.size() < OptionPosition)
        return -1;
    // Case matters: only the six upper-case characters (and digits) choose an item.
    return int(optionCharacters.indexOf(flags.at(OptionPosition - 1), 0, Qt::CaseSensitive));
}

QString build(const FlagLayout &layout, const QList<int> &ticked, int optionItem)
{
    QString flags(Length, QLatin1Char('0'));
    for (int position : layout.positions)
        if (ticked.contains(position))
            flags[position - 1] = QLatin1Char('S');
    if (layout.hasOption && ticked.contains(OptionOwnerPosition))
        flags[OptionPosition - 1] = optionCharacter(optionItem);
    return flags;
}

} // namespace FlagString
