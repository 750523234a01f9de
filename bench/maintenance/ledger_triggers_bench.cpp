// Prints how long the statements that fire the heaviest installed triggers take on the engine,
// each next to the same statement without its triggers, measured in the same run:
//  - a production posting into OF_Apoint with both posting triggers, over a ledger (Kardex) of
//    100 000 rows and 10 000 postings;
//  - the authorisation of an invoice of 20 items with the invoice triggers;
//  - the delete of a title with the trigger that deletes its mirror in the sister database;
//  - 100 postings (of 100 orders) in one statement next to the same postings one statement each,
//    and 10 invoices authorised in one statement next to 10 authorised one statement each, both
//    with the triggers installed: a statement of many rows should cost no more than its rows one by one.
// The trigger texts are the installer's own (its entries' pages and built-in texts).
#include "maintenance/Catalogue.h"
#include "maintenance/installer/InstallerEntries.h"
#include "maintenance/installer/ObjectTexts.h"
#include "standin/Engine.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace standin;

namespace {

QString fixture(const char *name)
{
    QFile f(QStringLiteral(ORVO_FIXTURES_DIR "/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", name);
        std::exit(1);
    }
    return QString::fromUtf8(f.readAll());
}

bool failed(const BatchResult &r, QString *why = nullptr)
{
    for (const auto &st : r.statements)
        for (const auto &m : st.messages)
            if (m.severity > 10) {
                if (why)
                    *why = QStringLiteral("%1 %2").arg(m.number).arg(m.text);
                return true;
            }
    return false;
}

void must(Engine &engine, Session &s, const QString &sql)
{
    QString why;
    if (failed(engine.execute(s, sql), &why)) {
        std::fprintf(stderr, "error %s\n  in: %s\n", qPrintable(why), qPrintable(sql.left(300)));
        std::exit(1);
    }
}

void fill(Engine &engine, Session &s, const QString &table, const QString &columns, int count,
          const std::function<QString(int)> &values)
{
    for (int start = 0; start < count; start += 1000) {
        QStringList rows;
        for (int i = start; i < std::min(count, start + 1000); ++i)
            rows << QLatin1Char('(') + values(i) + QLatin1Char(')');
        must(engine, s,
             QStringLiteral("INSERT INTO %1 (%2) VALUES %3").arg(table, columns, rows.join(QLatin1Char(','))));
    }
}

// The creation text an installer entry sends, after its drop.
void installEntry(Engine &engine, Session &s, const char *item)
{
    const installer::MenuItem *entry = installer::menuItem(QLatin1String(item));
    if (!entry) {
        std::fprintf(stderr, "no entry %s\n", item);
        std::exit(1);
    }
    engine.execute(s, QString::fromUtf8(entry->dropText));
    const QString text = entry->source == installer::TextSource::Page
                             ? installer::pageText(QLatin1String(entry->textName))
                             : installer::builtInText(QLatin1String(entry->textName));
    must(engine, s, text);
}

int scalarInt(Engine &engine, Session &s, const QString &sql)
{
    const BatchResult r = engine.execute(s, sql);
    for (const auto &st : r.statements)
        if (st.resultSet && !st.resultSet->rows.empty() && !st.resultSet->rows[0].empty())
            if (const auto *v = std::get_if<int64_t>(&st.resultSet->rows[0][0].data))
                return int(*v);
    std::fprintf(stderr, "no number from %s\n", qPrintable(sql));
    std::exit(1);
}

// Milliseconds of each run of the statement i (0 .. n-1); the median is printed.
double medianMs(Engine &engine, Session &s, int n, const std::function<QString(int)> &sql)
{
    std::vector<double> ms;
    for (int i = 0; i < n; ++i) {
        const QString text = sql(i);
        QElapsedTimer t;
        t.start();
        must(engine, s, text);
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// Milliseconds of the statements run one after the other.
double totalMs(Engine &engine, Session &s, const QStringList &statements)
{
    QElapsedTimer t;
    t.start();
    for (const QString &sql : statements)
        must(engine, s, sql);
    return t.nsecsElapsed() / 1e6;
}

// The median over `rounds` of one statement of many rows and of the same rows one statement each.
// `written` counts the ledger rows, so that both ways are seen doing the same work.
void compareTogether(Engine &engine, Session &s, const char *what, int rounds,
                     const std::function<QString(int round)> &together,
                     const std::function<QStringList(int round)> &oneByOne, const std::function<int()> &written)
{
    std::vector<double> one, many;
    int rowsOne = 0, rowsMany = 0;
    for (int r = 0; r < rounds; ++r) {
        int before = written();
        one.push_back(totalMs(engine, s, oneByOne(2 * r)));
        rowsOne += written() - before;
        before = written();
        many.push_back(totalMs(engine, s, {together(2 * r + 1)}));
        rowsMany += written() - before;
    }
    std::sort(one.begin(), one.end());
    std::sort(many.begin(), many.end());
    const double m = many[many.size() / 2], o = one[one.size() / 2];
    std::printf("%-58s %8.2f ms   one statement each %8.2f ms   ratio %6.2f   %s\n", what, m, o, o > 0 ? m / o : 0.0,
                m <= o ? "no slower" : "SLOWER");
    std::printf("    ledger rows written in %d rounds: one statement %d, one statement each %d%s\n", rounds, rowsMany,
                rowsOne, rowsMany == rowsOne ? "" : "   DIFFERENT");
}

void report(const char *what, double withTriggers, double baseline)
{
    std::printf("%-58s %8.2f ms   without triggers %8.2f ms   ratio %6.1f   %s\n", what, withTriggers, baseline,
                baseline > 0 ? withTriggers / baseline : 0.0, withTriggers < 200 ? "under 200 ms" : "OVER 200 ms");
}

} // namespace

int main()
{
    Engine engine;
    for (const char *db : {"ORVO", "Vuzur", "zAraradovi"})
        engine.createDatabase(QLatin1String(db));
    const auto load = [&](const char *db, const char *file) {
        auto setup = engine.openSession(QStringLiteral("sa"), QStringLiteral("bench"), QLatin1String(db));
        if (failed(engine.executeScript(*setup, fixture(file)))) {
            std::fprintf(stderr, "fixture %s does not load\n", file);
            std::exit(1);
        }
    };
    load("ORVO", "orvo-base.sql");
    load("ORVO", "orvo-demo.sql");
    load("Vuzur", "sister.sql");
    load("zAraradovi", "sister.sql");
    auto s = engine.openSession(QStringLiteral("sa"), QStringLiteral("bench"), QStringLiteral("ORVO"));
    // The administrator's equalization first (the invoice trigger uses a column it adds).
    for (const SchemaStep &step : schemaCatalogue())
        engine.execute(*s, step.statement);

    QElapsedTimer load_t;
    load_t.start();
    const int products = 1000, ledgerRows = 100000, postings = 10000, runs = 15;
    // The demo database has rows of its own: the new ones are numbered after them.
    const auto next = [&](const char *table, const char *key) {
        return scalarInt(
            engine, *s,
            QStringLiteral("SELECT ISNULL(MAX(%1), 0) + 1 FROM %2").arg(QLatin1String(key), QLatin1String(table)));
    };
    const int product = next("Produtos", "IdProd"), project = next("Projetos", "IdPRJ"),
              phase = next("Processos", "IdProcesso");
    fill(engine, *s, QStringLiteral("Produtos"), QStringLiteral("Produto, Gestão, Estoque, Und, PrMédio, PMPP, HFase"),
         products,
         [](int i) { return QStringLiteral("N'P%1', %2, 1000, N'PC', 2.5, 3, 30").arg(i).arg(i % 4 == 0 ? 0 : 1); });
    const int posting = next("OF_Apoint", "IdApoint");
    fill(engine, *s, QStringLiteral("Kardex"), QStringLiteral("IdProd, Qtd, Saldo, Data, Documento, IdApoint"),
         ledgerRows, [&](int i) {
             return QStringLiteral("%1, 1, %2, '2026-01-01', N'Carga', %3")
                 .arg(product + i % products)
                 .arg(i / products)
                 .arg(i % 10 == 0 ? posting + (i / 10) % postings : 0);
         });
    // 100 assemblies (the first 100 products), each with a project, an order, phases 10 and
    // 30 (final), 5 components assembled at 30 and 3 children in the exploded structure.
    fill(engine, *s, QStringLiteral("Projetos"), QStringLiteral("Projeto, IdProdP"), 100,
         [&](int i) { return QStringLiteral("%1, %2").arg(5000 + i).arg(product + i); });
    fill(engine, *s, QStringLiteral("OFs_New"), QStringLiteral("IdOF, IdProd, IdPRJ, NUM_OF, MaiorFASE"), 100,
         [&](int i) {
             return QStringLiteral("%1, %2, %3, %4, 30").arg(1000 + i).arg(product + i).arg(project + i).arg(i);
         });
    fill(engine, *s, QStringLiteral("Processos"), QStringLiteral("IdProd, Fase"), 200,
         [&](int i) { return QStringLiteral("%1, %2").arg(product + i / 2).arg(i % 2 ? 30 : 10); });
    fill(engine, *s, QStringLiteral("Elo"), QStringLiteral("IdProd, IdEle, Qtd"), 500,
         [&](int i) { return QStringLiteral("%1, %2, 0.5").arg(product + i / 5).arg(product + 200 + i % 500); });
    must(engine, *s,
         QStringLiteral(
             "INSERT INTO Montar (IdElo, IdProcesso) SELECT Elo.IdElo, Processos.IdProcesso FROM Elo "
             "INNER JOIN Processos ON Processos.IdProd = Elo.IdProd AND Processos.Fase = 30 WHERE Elo.IdProd >= %1")
             .arg(product));
    fill(engine, *s, QStringLiteral("TempPILHA"), QStringLiteral("IdConjunto, IdFilho, Uso"), 300,
         [&](int i) { return QStringLiteral("%1, %2, 2").arg(product + i / 3).arg(product + 800 + i % 150); });
    // Phase 30 of the k-th assembly.
    const auto phase30 = [&](int k) { return phase + 2 * k + 1; };
    fill(engine, *s, QStringLiteral("OF_Apoint"),
         QStringLiteral("IdOF, IdProcesso, Registro, Job, QtdeBoa, DataS, DataE, TGasto"), postings, [&](int i) {
             return QStringLiteral(
                        "%1, %2, %3, 1, %4, '2026-11-01T08:00:00', DATEADD(minute, %5, '2026-11-01T09:00:00'), %6")
                 .arg(1000 + i % 100)
                 .arg(phase30(i % 100))
                 .arg(50 + i % 30)
                 .arg(1 + i % 9)
                 .arg(i)
                 .arg(i % 60);
         });
    must(engine, *s, QStringLiteral("INSERT INTO Funcionários (Registro, Nome) VALUES (55, N'Ana Souza')"));
    must(engine, *s, QStringLiteral("UPDATE PessoaFJ SET Estoca_ofs = 1, Estoca_ofsfilhos = 1 WHERE Ativa = 1"));

    // Invoices: a customer, the demo's outgoing nature that moves stock (5101), 2 x runs invoices of 20 items.
    must(engine, *s, QStringLiteral("INSERT INTO PessoaFJ (Razão, CNPJ) VALUES (N'Cliente Alfa', N'11222333000181')"));
    const int customer = next("PessoaFJ", "IdPess") - 1;
    fill(engine, *s, QStringLiteral("Peças"), QStringLiteral("Código, IdConjunto, IdPess"), 200,
         [&](int i) { return QStringLiteral("N'PCB%1', %2, %3").arg(i).arg(product + 300 + i).arg(customer); });
    // 2 x runs invoices for the single authorisations, then 2 x rounds x 10 for the statements of ten.
    const int rounds = 3, invoices = 2 * runs + 2 * rounds * 10;
    fill(engine, *s, QStringLiteral("Notas"),
         QStringLiteral("NotaNº, CodNat, IdPess, IdEmp, Emissão, RespNF, IdForma, NFe_Final"), invoices, [&](int i) {
             return QStringLiteral("N'%1', N'5101', %2, 1, '2026-12-01', N'Maria', 1, 1").arg(9000 + i).arg(customer);
         });
    fill(engine, *s, QStringLiteral("[Itens Nota]"), QStringLiteral("IdNota, IdPeça, Qtde, Valor, VIcms, A_ICMS"),
         invoices * 20, [](int i) {
             return QStringLiteral("(SELECT IdNota FROM Notas WHERE NotaNº = N'%1'), (SELECT MIN(IdPeça) FROM Peças "
                                   "WHERE Código LIKE N'PCB%') + %2, 3, 30, 5, 18")
                 .arg(9000 + i / 20)
                 .arg((i * 7) % 200);
         });
    // Titles of a plant that mirrors into Vuzur: 10 000 here, each mirrored there.
    const int titles = 10000;
    const int nf = next("NFs", "IdNF"), title = next("ContasPR", "IdContasPR");
    must(engine, *s, QStringLiteral("UPDATE PessoaFJ SET CNPJ = N'90817263000411' WHERE Ativa = 1"));
    must(engine, *s,
         QStringLiteral("INSERT INTO Vuzur.dbo.PessoaFJ (Razão, CNPJ) VALUES (N'Plásticos', N'90817263000411')"));
    fill(engine, *s, QStringLiteral("NFs"), QStringLiteral("IdEmp, Número"), titles / 2,
         [](int i) { return QStringLiteral("2, N'%1'").arg(i); });
    fill(engine, *s, QStringLiteral("Vuzur.dbo.NFs"), QStringLiteral("IdEmp, IDNFORG"), titles / 2,
         [&](int i) { return QStringLiteral("1, %1").arg(nf + i); });
    fill(engine, *s, QStringLiteral("ContasPR"), QStringLiteral("IdNF, IdEmp, Valor, NUM_PGTO"), titles,
         [&](int i) { return QStringLiteral("%1, 2, 100, %2").arg(nf + i / 2).arg(i % 2 + 1); });
    fill(engine, *s, QStringLiteral("Vuzur.dbo.ContasPR"), QStringLiteral("IdNF, IdOrigem, Valor"), titles,
         [&](int i) { return QStringLiteral("%1, %2, 100").arg(i / 2 + 1).arg(title + i); });
    std::printf("load: %d ledger rows, %d postings, %d invoices of 20 items, %d titles mirrored in Vuzur, in %.0f ms\n",
                ledgerRows, postings, invoices, titles, load_t.nsecsElapsed() / 1e6);

    const QString postingText = QStringLiteral(
        "INSERT INTO OF_Apoint (IdOF, IdProcesso, Registro, Job, QtdeBoa, QtdeNC, DataS, DataE, TGasto) "
        "VALUES (%1, %2, 55, 1, 4, 1, '2026-12-01T08:00:00', DATEADD(second, %3, '2026-12-01T10:00:00'), 1)");
    const auto postingAt = [&](int i) {
        const int order = 1000 + i % 100;
        return postingText.arg(order).arg(phase30(i % 100)).arg(i);
    };
    const double postBase = medianMs(engine, *s, runs, postingAt);
    installEntry(engine, *s, "GNRBaixa_filhos");
    installEntry(engine, *s, "GNREstocar_Conjuntos");
    const double postTrig = medianMs(engine, *s, runs, [&](int i) { return postingAt(runs + i); });

    const auto authorise = [&](int i) {
        return QStringLiteral("UPDATE Notas SET NFe_Status = 3 WHERE NotaNº = N'%1'").arg(9000 + i);
    };
    const double noteBase = medianMs(engine, *s, runs, authorise);
    installEntry(engine, *s, "GNRBaixaEstornoNFes");
    installEntry(engine, *s, "GNRSaldoNotasTerceiros");
    const double noteTrig = medianMs(engine, *s, runs, [&](int i) { return authorise(runs + i); });

    const auto remove = [&](int i) {
        return QStringLiteral("DELETE FROM ContasPR WHERE IdContasPR = %1").arg(title + i * 37);
    };
    const double delBase = medianMs(engine, *s, runs, remove);
    installEntry(engine, *s, "GNR_NEW_ContasPR");
    const double delTrig = medianMs(engine, *s, runs, [&](int i) { return remove(runs + i); });

    // What the triggers did, so that the figures are of real work.
    std::printf(
        "ledger rows written by the %d postings: %d; by the %d invoices: %d; mirrors left in Vuzur: %d of %d\n", runs,
        scalarInt(engine, *s,
                  QStringLiteral("SELECT COUNT(*) FROM Kardex WHERE IdApoint >= %1").arg(posting + postings + runs)),
        runs, scalarInt(engine, *s, QStringLiteral("SELECT COUNT(*) FROM Kardex WHERE IdItemV > 0")),
        scalarInt(engine, *s, QStringLiteral("SELECT COUNT(*) FROM Vuzur.dbo.ContasPR")), titles);
    std::printf("median of %d runs each\n", runs);
    report("posting insert, both posting triggers", postTrig, postBase);
    report("invoice authorisation, 20 items, invoice triggers", noteTrig, noteBase);
    report("title delete, sister-database trigger", delTrig, delBase);

    // Statements of many rows, after the figures above so that their counts are of those runs alone.
    const auto ledgerCount = [&] { return scalarInt(engine, *s, QStringLiteral("SELECT COUNT(*) FROM Kardex")); };
    // Ten invoices of one set (0, 1, ... of 2 x rounds), after the ones authorised above.
    const auto tenInvoices = [&](int set) {
        QStringList numbers;
        for (int i = 0; i < 10; ++i)
            numbers << QStringLiteral("N'%1'").arg(9000 + 2 * runs + 10 * set + i);
        return numbers;
    };
    compareTogether(
        engine, *s, "10 invoices authorised in one statement", rounds,
        [&](int set) {
            return QStringLiteral("UPDATE Notas SET NFe_Status = 3 WHERE NotaNº IN (%1)")
                .arg(tenInvoices(set).join(QStringLiteral(", ")));
        },
        [&](int set) {
            QStringList each;
            for (const QString &number : tenInvoices(set))
                each << QStringLiteral("UPDATE Notas SET NFe_Status = 3 WHERE NotaNº = %1").arg(number);
            return each;
        },
        ledgerCount);
    // 100 postings, one on each assembly's final phase, numbered after the ones measured above.
    const auto hundredPostings = [&](int set) {
        QStringList rows;
        for (int k = 0; k < 100; ++k)
            rows << QStringLiteral("(%1, %2, 55, 1, 4, 1, '2026-12-02T08:00:00', DATEADD(second, %3, "
                                   "'2026-12-02T10:00:00'), 1)")
                        .arg(1000 + k)
                        .arg(phase30(k))
                        .arg(100 * set + k);
        return rows;
    };
    const QString postingInsert = QStringLiteral(
        "INSERT INTO OF_Apoint (IdOF, IdProcesso, Registro, Job, QtdeBoa, QtdeNC, DataS, DataE, TGasto) VALUES ");
    compareTogether(
        engine, *s, "100 postings in one statement, both posting triggers", rounds,
        [&](int set) { return postingInsert + hundredPostings(set).join(QStringLiteral(", ")); },
        [&](int set) {
            QStringList each;
            for (const QString &row : hundredPostings(set))
                each << postingInsert + row;
            return each;
        },
        ledgerCount);
    return 0;
}
