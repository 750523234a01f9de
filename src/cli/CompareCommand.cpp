// orvo-admin comparar: two plants side by side, read only, one table per section.
#include "cli/AdminCli.h"
#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/PlantComparison.h"

#include <QJsonArray>

namespace AdminCli {
namespace {

using PlantComparison::Difference;
using PlantComparison::Section;
using PlantComparison::SectionId;

// An installed object present on a plant, as its cell and its JSON say it: a trigger by its
// state where the plants differ there, then where the text differs; "presente" otherwise.
QString objectCell(const Difference &d, const QString &state)
{
    QStringList said;
    if (!state.isEmpty())
        said << state;
    if (d.firstDifferentLine > 0)
        said << QStringLiteral("difere a partir da linha %1").arg(d.firstDifferentLine);
    return said.isEmpty() ? QStringLiteral("presente") : said.join(QStringLiteral(", "));
}

// A value as a cell: "ausente" where the plant does not have it; an object's text by where
// it differs, not whole.
QString cell(const Section &section, const Difference &d, const QString &value, const QString &state)
{
    if (value.isNull())
        return QStringLiteral("ausente");
    if (section.id == SectionId::Objects)
        return objectCell(d, state);
    return value.isEmpty() ? QStringLiteral("''") : value;
}

void printComparison(Context &c, const QString &a, const QString &b, const QList<Section> &sections)
{
    c.console.print(QStringLiteral("Comparação das plantas %1 e %2").arg(a, b));
    int total = 0, notCompared = 0;
    for (const Section &s : sections) {
        c.console.print(QString());
        if (!s.errorA.isEmpty() || !s.errorB.isEmpty()) {
            ++notCompared;
            c.console.print(QStringLiteral("%1: não comparado, não pôde ser lido em %2: %3")
                                .arg(s.name, !s.errorA.isEmpty() ? a : b, !s.errorA.isEmpty() ? s.errorA : s.errorB));
            continue;
        }
        total += int(s.differences.size());
        if (s.differences.isEmpty()) {
            c.console.print(QStringLiteral("%1: iguais").arg(s.name));
            continue;
        }
        c.console.print(QStringLiteral("%1: %2 diferença%3")
                            .arg(s.name)
                            .arg(s.differences.size())
                            .arg(s.differences.size() == 1 ? QString() : QStringLiteral("s")));
        QList<QStringList> rows;
        for (const Difference &d : s.differences) {
            QStringList row = d.key;
            row << cell(s, d, d.a, d.stateA) << cell(s, d, d.b, d.stateB);
            rows << row;
        }
        for (const QString &line : formatTable(s.keyHeaders + QStringList {a, b}, rows))
            c.console.print(QStringLiteral("  ") + line);
    }
    c.console.print(QString());
    // A section that could not be read may hide differences: the plants are then not said
    // to be equal.
    const QString unread = notCompared == 0   ? QString()
                           : notCompared == 1 ? QStringLiteral("1 seção não pôde ser comparada")
                                              : QStringLiteral("%1 seções não puderam ser comparadas").arg(notCompared);
    if (total > 0)
        c.console.print(QStringLiteral("As plantas %1 e %2 diferem em %3 ponto%4%5 ..!")
                            .arg(a, b)
                            .arg(total)
                            .arg(total == 1 ? QString() : QStringLiteral("s"))
                            .arg(unread.isEmpty() ? QString() : QStringLiteral("; ") + unread));
    else if (!unread.isEmpty())
        c.console.print(
            QStringLiteral("As plantas %1 e %2 não diferem no que pôde ser lido, mas %3 ..!").arg(a, b, unread));
    else
        c.console.print(QStringLiteral("As plantas %1 e %2 são iguais ..!").arg(a, b));
}

QJsonObject comparisonJson(const QString &a, const QString &b, const QList<Section> &sections, bool equal,
                           bool complete)
{
    QJsonObject out {{QStringLiteral("plantaA"), a},
                     {QStringLiteral("plantaB"), b},
                     {QStringLiteral("iguais"), equal},
                     {QStringLiteral("completa"), complete}};
    QJsonObject all;
    for (const Section &s : sections) {
        QJsonObject section;
        if (!s.errorA.isEmpty())
            section[QStringLiteral("erroA")] = s.errorA;
        if (!s.errorB.isEmpty())
            section[QStringLiteral("erroB")] = s.errorB;
        QJsonArray differences;
        for (const Difference &d : s.differences) {
            QJsonObject j;
            for (int i = 0; i < s.keyHeaders.size(); ++i)
                j[s.keyHeaders[i].toLower().replace(QStringLiteral("í"), QStringLiteral("i"))] = d.key.value(i);
            // An object's text is not repeated: its state, or "presente", with the line that differs.
            const auto value = [&](const QString &v, const QString &state) {
                if (v.isNull())
                    return QJsonValue();
                if (s.id != SectionId::Objects)
                    return QJsonValue(v);
                return QJsonValue(state.isEmpty() ? QStringLiteral("presente") : state);
            };
            j[QStringLiteral("a")] = value(d.a, d.stateA);
            j[QStringLiteral("b")] = value(d.b, d.stateB);
            if (d.firstDifferentLine > 0)
                j[QStringLiteral("primeiraLinhaDiferente")] = d.firstDifferentLine;
            differences.append(j);
        }
        section[QStringLiteral("diferencas")] = differences;
        all[s.jsonName] = section;
    }
    out[QStringLiteral("secoes")] = all;
    return out;
}

int comparar(Context &c)
{
    if (c.o.arguments.size() != 2)
        return c.usage(QStringLiteral("Dê as duas plantas ..!"));
    const QString a = c.plantNamed(c.o.arguments[0]);
    if (a.isEmpty())
        return BadUsage;
    const QString b = c.plantNamed(c.o.arguments[1]);
    if (b.isEmpty())
        return BadUsage;
    PlantSession sessionA(c.ini.profile(a), c.o.timeout), sessionB(c.ini.profile(b), c.o.timeout);
    if (!c.connect(sessionA) || !c.connect(sessionB))
        return NoConnection;
    c.console.progress(QStringLiteral("Comparação: lendo %1").arg(a), 1, 2);
    const PlantComparison::Snapshot snapshotA = PlantComparison::read(sessionA.reader());
    c.console.progress(QStringLiteral("Comparação: lendo %1").arg(b), 2, 2);
    const PlantComparison::Snapshot snapshotB = PlantComparison::read(sessionB.reader());
    c.console.endProgress();
    const QList<Section> sections = PlantComparison::compare(snapshotA, snapshotB);
    bool complete = true, equal = true;
    for (const Section &s : sections) {
        complete = complete && s.errorA.isEmpty() && s.errorB.isEmpty();
        equal = equal && s.differences.isEmpty();
    }
    equal = equal && complete;
    if (c.o.json)
        c.printJson(comparisonJson(a, b, sections, equal, complete));
    else
        printComparison(c, a, b, sections);
    return equal ? Done : StatementFailed;
}

} // namespace

const CommandSpec compararCommand {
    "comparar",
    "Uso: orvo-admin comparar PLANTA_A PLANTA_B [--ini ARQUIVO] [--json] [--timeout SEGUNDOS]\n"
    "\n"
    "Compara duas plantas, só lendo: as tabelas e as colunas (tipo, tamanho, nulo, padrão), as\n"
    "constraints (chave primária, única, estrangeira, verificação) e os índices, os objetos instalados\n"
    "(triggers, funções, procedimentos, views: iguais, diferentes a partir de uma linha, ou só numa\n"
    "delas; um trigger desativado numa e ativo na outra), as descrições das colunas e, para os\n"
    "usuários presentes nas duas (pelo Registro), as colunas de direitos que diferem. Uma tabela por\n"
    "seção; uma seção que não pode ser lida numa das plantas (uma leitura que passa do --timeout é\n"
    "cancelada) é dita e fica fora da comparação.\n"
    "Sai com 0 quando as plantas são iguais, 1 quando diferem ou alguma seção não pôde ser comparada,\n"
    "3 sem conexão.\n",
    comparar, false};

} // namespace AdminCli
