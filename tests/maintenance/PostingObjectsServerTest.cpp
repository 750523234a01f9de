// Production postings: the finished assembly enters the ledger at its final phase, the
// components assembled at the posted phase and the children of the exploded structure leave
// it, steered by the active company's two settings; duplicated postings go; a renumbered
// routing phase reaches the pieces.
#include "ObjectsServerFixture.h"
#include "OneByOne.h"

namespace {

// One assembly made in project 4711 by order 12 (IdOF 900), routed in phases 10, 20 and 30
// (its final phase), with its components and the children of its exploded structure.
struct Assembly
{
    int product = 0;
    int order = 900;
    int phase10 = 0, phase30 = 0;
    int atFinal = 0; // Gestão 1, 0.333333 per piece, assembled at 30
    int notManaged = 0; // Gestão 0, assembled at 30
    int atFirst = 0; // Gestão 1, assembled at 10
    int child = 0; // Gestão 70, 2 per piece in TempPILHA
};

class PostingObjectsTest : public ObjectsServerTest
{
protected:
    void settings(int stocking, int children)
    {
        exec(QStringLiteral("UPDATE PessoaFJ SET Estoca_ofs = %1, Estoca_ofsfilhos = %2 WHERE Ativa = 1")
                 .arg(stocking)
                 .arg(children));
    }
    int product(const QString &name, int management, double stock, const QString &unit, double price,
                int finalPhase = 0)
    {
        return insert(QStringLiteral("INSERT INTO Produtos (Produto, Gestão, Estoque, Und, PrMédio, PMPP, ICM, HFase) "
                                     "VALUES (N'%1', %2, %3, N'%4', %5, 7, 18, %6)")
                          .arg(name)
                          .arg(management)
                          .arg(stock)
                          .arg(unit)
                          .arg(price)
                          .arg(finalPhase));
    }
    int phase(int product, int number)
    {
        return insert(QStringLiteral("INSERT INTO Processos (IdProd, Fase) VALUES (%1, %2)").arg(product).arg(number));
    }
    void component(int parent, int part, double perPiece, int atPhase)
    {
        const int link = insert(QStringLiteral("INSERT INTO Elo (IdProd, IdEle, Qtd) VALUES (%1, %2, %3)")
                                    .arg(parent)
                                    .arg(part)
                                    .arg(perPiece));
        exec(QStringLiteral("INSERT INTO Montar (IdElo, IdProcesso) VALUES (%1, %2)").arg(link).arg(atPhase));
    }
    // An order of the product in a project whose main product is mainProduct.
    void order(int idOf, int product, int mainProduct, int project = 4711, int number = 12, int highestPhase = 30)
    {
        const int prj = insert(
            QStringLiteral("INSERT INTO Projetos (Projeto, IdProdP) VALUES (%1, %2)").arg(project).arg(mainProduct));
        exec(QStringLiteral("INSERT INTO OFs_New (IdOF, IdProd, IdPRJ, NUM_OF, MaiorFASE) VALUES (%1, %2, %3, %4, %5)")
                 .arg(idOf)
                 .arg(product)
                 .arg(prj)
                 .arg(number)
                 .arg(highestPhase));
    }
    Assembly assembly(int idOf = 900, int project = 4711, const QString &code = QStringLiteral("CJ-100"))
    {
        Assembly a;
        a.order = idOf;
        a.product = product(code, 1, 5, QStringLiteral("PC"), 40, 30);
        a.phase10 = phase(a.product, 10);
        phase(a.product, 20);
        a.phase30 = phase(a.product, 30);
        a.atFinal = product(QStringLiteral("Chapa"), 1, 100, QStringLiteral("KG"), 2);
        a.notManaged = product(QStringLiteral("Parafuso"), 0, 50, QStringLiteral("PC"), 0.1);
        a.atFirst = product(QStringLiteral("Tubo"), 1, 30, QStringLiteral("M"), 5);
        a.child = product(QStringLiteral("Tinta"), 70, 20, QStringLiteral("L"), 9);
        component(a.product, a.atFinal, 0.333333, a.phase30);
        component(a.product, a.notManaged, 4, a.phase30);
        component(a.product, a.atFirst, 1.5, a.phase10);
        exec(QStringLiteral("INSERT INTO TempPILHA (IdConjunto, IdFilho, Uso) VALUES (%1, %2, 2)")
                 .arg(a.product)
                 .arg(a.child));
        order(a.order, a.product, a.product, project);
        exec(QStringLiteral("IF NOT EXISTS (SELECT 1 FROM Funcionários WHERE Registro = 55) "
                            "INSERT INTO Funcionários (Registro, Nome) VALUES (55, N'Ana Souza')"));
        return a;
    }
    int post(int idOf, int phase, double good, double rejected = 0, int registro = 55, int job = 1,
             const QString &end = QStringLiteral("2026-11-30T17:00:00"))
    {
        return insert(
            QStringLiteral(
                "INSERT INTO OF_Apoint (IdOF, IdProcesso, Registro, Job, QtdeBoa, QtdeNC, DataS, DataE, TGasto) "
                "VALUES (%1, %2, %3, %4, %5, %6, '2026-11-30T08:00:00', '%7', 9)")
                .arg(idOf)
                .arg(phase)
                .arg(registro)
                .arg(job)
                .arg(good)
                .arg(rejected)
                .arg(end));
    }
    // The posting's movement of a product: Qtd, Saldo, and the columns named.
    QVariantList movement(int posting, int product, const QString &more = QString())
    {
        const QList<QVariantList> r =
            rows(QStringLiteral("SELECT Qtd, Saldo%3 FROM Kardex WHERE IdApoint = %1 AND IdProd = %2")
                     .arg(posting)
                     .arg(product)
                     .arg(more.isEmpty() ? QString() : QStringLiteral(", ") + more));
        EXPECT_LE(r.size(), 1) << "product " << product;
        return r.value(0);
    }
    int movements(int posting) { return count(QStringLiteral("Kardex WHERE IdApoint = %1").arg(posting)); }
    double stock(int product)
    {
        return value(QStringLiteral("SELECT Estoque FROM Produtos WHERE IdProd = %1").arg(product)).toDouble();
    }
};

} // namespace

TEST_F(PostingObjectsTest, AFinalPhasePostingStocksTheAssemblyAndConsumesWhatIsAssembledThere)
{
    installed(QStringLiteral("GNRBaixa_filhos"));
    installed(QStringLiteral("GNREstocar_Conjuntos"));
    settings(1, 1);
    const Assembly a = assembly();
    const int p = post(a.order, a.phase30, 3, 1);

    const QString texts = QStringLiteral(
        "Unidade, Preço, ICMk, PMPk, [Preço Médio], Operador, Project, IdMe, Flag_Mov, Fornecedor, Documento");
    EXPECT_EQ(movement(p, a.product, texts),
              (QVariantList {3, 8, QStringLiteral("PC"), 0, 18, 7, 7, QStringLiteral("55/Ana Souza"), 4711, 9, 0,
                             QStringLiteral("FABRICAÇÃO PRÓPRIA O.F.: 4711 - 12"),
                             QStringLiteral("TÉRMINO DA OF 4711 - 12")}));
    // 3 x 0.333333 rounds to 1.
    EXPECT_EQ(movement(p, a.atFinal, texts),
              (QVariantList {-1, 99, QStringLiteral("KG"), 8, 0, 2, 2, QStringLiteral("55/Ana Souza"), 4711, 9, 0,
                             QStringLiteral("Consumo Produção O.F.: 4711"), QStringLiteral("Projeto 4711")}));
    // The exploded structure's child leaves too (Gestão 70).
    EXPECT_EQ(movement(p, a.child, QStringLiteral("Preço")), (QVariantList {-6, 14, 36}));
    // Gestão 0 is not consumed under setting 1; a component of phase 10 is not consumed at 30.
    EXPECT_EQ(movements(p), 3);

    EXPECT_EQ(stock(a.product), 8);
    EXPECT_EQ(stock(a.atFinal), 99);
    EXPECT_EQ(stock(a.child), 14);
    EXPECT_EQ(stock(a.notManaged), 50);
    EXPECT_EQ(
        rows(QStringLiteral("SELECT LastIdK, LastIdKInDate FROM Produtos WHERE IdProd = %1").arg(a.atFinal)).value(0),
        (QVariantList {0, value(QStringLiteral("SELECT IdKardex FROM Kardex WHERE IdApoint = %1 AND IdProd = %2")
                                    .arg(p)
                                    .arg(a.atFinal))}));
}

// Several postings in one statement (two assemblies, phases, kinds, an Android phone and a copy of
// a reading on another product's phase) leave what the same postings leave one statement each,
// whatever the company's stocking settings.
TEST_F(PostingObjectsTest, APostingStatementOfSeveralRowsLeavesWhatItsRowsLeaveOneByOne)
{
    installed(QStringLiteral("GNRBaixa_filhos"));
    installed(QStringLiteral("GNREstocar_Conjuntos"));
    const Assembly a = assembly();
    const Assembly b = assembly(910, 4712, QStringLiteral("CJ-200"));
    const int other = product(QStringLiteral("OUTRO-3"), 1, 0, QStringLiteral("PC"), 1, 10);
    const int otherPhase = phase(other, 10);
    order(970, other, a.product, 5002, 42, 10);
    const QString insert = QStringLiteral(
        "INSERT INTO OF_Apoint (IdOF, IdProcesso, Registro, Job, QtdeBoa, QtdeNC, DataS, DataE, TGasto) VALUES ");
    const QString row = QStringLiteral("(%1, %2, %3, %4, %5, %6, '2026-11-30T08:00:00', '2026-11-30T%7:00:00', 9)");
    const QStringList postings {
        row.arg(a.order).arg(a.phase30).arg(55).arg(1).arg(3).arg(1).arg(10),
        row.arg(b.order).arg(b.phase10).arg(55).arg(1).arg(4).arg(0).arg(11),
        row.arg(a.order).arg(a.phase30).arg(-1).arg(2).arg(2).arg(0).arg(12),
        row.arg(b.order).arg(b.phase30).arg(55).arg(4).arg(5).arg(0).arg(13),
        row.arg(a.order).arg(a.phase30).arg(55).arg(3).arg(1).arg(0).arg(14),
        row.arg(970).arg(otherPhase).arg(55).arg(1).arg(3).arg(1).arg(10),
    };
    QStringList oneByOne;
    for (const QString &p : postings)
        oneByOne << insert + p;
    const QStringList outcome {
        // Each posting trigger walks the whole statement in turn, so the rows are written in another
        // order: compared by what they hold.
        QStringLiteral("SELECT IdProd, Qtd, Saldo, Operador, Fornecedor, Documento, Preço FROM Kardex "
                       "WHERE IdApoint > 0 ORDER BY IdProd, Saldo, Qtd, Operador"),
        QStringLiteral(
            "SELECT IdOF, IdProcesso, QtdeBoa FROM OF_Apoint WHERE IdOF IN (900, 910, 970) ORDER BY IdApoint"),
        QStringLiteral(
            "SELECT P.IdProd, P.Estoque, P.LastIdK, (SELECT COUNT(*) FROM Kardex K WHERE K.IdProd = P.IdProd "
            "AND K.IdKardex <= P.LastIdKInDate) FROM Produtos P ORDER BY P.IdProd"),
    };
    const struct
    {
        int stocking, children, movements;
    } cases[] = {{1, 1, 12}, {3, 2, 8}, {3, 3, 12}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.stocking * 10 + c.children);
        settings(c.stocking, c.children);
        const BothWays r = runBothWays(fx, insert + postings.join(QStringLiteral(", ")), oneByOne, outcome);
        EXPECT_EQ(r.together, r.oneByOne);
        EXPECT_EQ(r.oneByOne[0].size(), c.movements);
        // The copy on the other product's phase is gone, the five postings stay.
        EXPECT_EQ(r.oneByOne[1].size(), 5);
        EXPECT_EQ(r.oneByOne[1].value(0).value(0).toInt(), a.order);
    }
}

TEST_F(PostingObjectsTest, BothTriggersNeverWriteOneComponentTwiceForOnePosting)
{
    installed(QStringLiteral("GNRBaixa_filhos"));
    installed(QStringLiteral("GNREstocar_Conjuntos"));
    settings(1, 1);
    const Assembly a = assembly();
    // The same part in the structure and in the exploded structure, both at 2 per piece.
    const int both = product(QStringLiteral("Solda"), 1, 10, QStringLiteral("KG"), 1);
    component(a.product, both, 2, a.phase30);
    exec(
        QStringLiteral("INSERT INTO TempPILHA (IdConjunto, IdFilho, Uso) VALUES (%1, %2, 2)").arg(a.product).arg(both));
    const int p = post(a.order, a.phase30, 2);
    EXPECT_EQ(movement(p, both), (QVariantList {-4, 6}));
    EXPECT_EQ(stock(both), 6);
}

TEST_F(PostingObjectsTest, IntermediatePhasesZeroGoodPiecesAndOtherProductsOfTheProjectStockNothing)
{
    installed(QStringLiteral("GNREstocar_Conjuntos"));
    settings(1, 1);
    const Assembly a = assembly();

    // Phase 10: no entry, the component assembled there leaves.
    const int first = post(a.order, a.phase10, 4);
    EXPECT_TRUE(movement(first, a.product).isEmpty());
    EXPECT_EQ(movement(first, a.atFirst), (QVariantList {-6, 24}));
    EXPECT_EQ(movements(first), 1);

    // The final phase without good pieces: no entry.
    const int none = post(a.order, a.phase30, 0, 2);
    EXPECT_TRUE(movement(none, a.product).isEmpty());

    // A sub-assembly of the project at its final phase: setting 1 stocks only the main product, 3 every one.
    const int sub = product(QStringLiteral("SUB-7"), 1, 0, QStringLiteral("PC"), 1, 20);
    const int subPhase = phase(sub, 20);
    order(901, sub, a.product, 4711, 13, 20);
    EXPECT_TRUE(movement(post(901, subPhase, 5), sub).isEmpty());
    settings(3, 0);
    const int stocked = post(901, subPhase, 5);
    EXPECT_EQ(movement(stocked, sub, QStringLiteral("Documento")),
              (QVariantList {5, 5, QStringLiteral("TÉRMINO DA OF 4711 - 13")}));
    // Setting 0 for the components: none leave.
    EXPECT_EQ(movements(stocked), 1);
}

TEST_F(PostingObjectsTest, TheOperatorIsTheAndroidPhoneTheUserOrTheEmployee)
{
    installed(QStringLiteral("GNREstocar_Conjuntos"));
    settings(3, 0);
    const Assembly a = assembly();
    const auto operatorOf = [&](int p) {
        return value(QStringLiteral("SELECT Operador FROM Kardex WHERE IdApoint = %1 AND IdProd = %2")
                         .arg(p)
                         .arg(a.product))
            .toString();
    };
    EXPECT_EQ(operatorOf(post(a.order, a.phase30, 1, 0, -1)), QStringLiteral("CELULAR ANDROID"));
    // A registration of the user list without an employee: the user's name.
    const QString user =
        value(
            QStringLiteral("SELECT TOP 1 Registro FROM Usuarios WHERE Registro NOT LIKE '%[^0-9]%' ORDER BY Registro"))
            .toString();
    ASSERT_FALSE(user.isEmpty());
    EXPECT_EQ(operatorOf(post(a.order, a.phase30, 1, 0, user.toInt())),
              value(QStringLiteral("SELECT Nome FROM Usuarios WHERE Registro = N'%1'").arg(user)).toString());
    EXPECT_EQ(operatorOf(post(a.order, a.phase30, 1, 0, 55)), QStringLiteral("55/Ana Souza"));
    // Posting kind 3 gets no refresh: the operator the entry was written with.
    EXPECT_EQ(operatorOf(post(a.order, a.phase30, 1, 0, 55, 3)), QStringLiteral("Ana Souza"));
}

TEST_F(PostingObjectsTest, StockingSettingsOutsideOneAndThreeDoNothingNotEvenRemoveDuplicates)
{
    installed(QStringLiteral("GNREstocar_Conjuntos"));
    const Assembly a = assembly();
    // The same reading posted on the main product's phase and on a phase of another product.
    const int other = product(QStringLiteral("OUTRO-1"), 1, 0, QStringLiteral("PC"), 1, 10);
    const int otherPhase = phase(other, 10);
    order(950, other, a.product, 5000, 40, 10);
    const QString duplicate = QStringLiteral(
        "INSERT INTO OF_Apoint (IdOF, IdProcesso, Registro, Job, QtdeBoa, QtdeNC, DataS, DataE, TGasto) VALUES "
        "(%1, %2, 55, 1, 2, 0, '2026-11-30T08:00:00', '%5', 9), (%3, %4, 55, 1, 2, 0, '2026-11-30T08:00:00', '%5', 9)");
    for (int setting : {0, 2}) {
        settings(setting, 3);
        const int before = count(QStringLiteral("Kardex"));
        exec(duplicate.arg(a.order).arg(a.phase30).arg(950).arg(otherPhase).arg(QStringLiteral("2026-11-30T17:00:00")));
        EXPECT_EQ(count(QStringLiteral("Kardex")), before) << setting;
        exec(QStringLiteral("DELETE FROM OF_Apoint WHERE IdOF = 950"));
        EXPECT_EQ(count(QStringLiteral("OF_Apoint WHERE IdOF = %1").arg(a.order)), setting == 0 ? 1 : 2) << setting;
    }
    exec(QStringLiteral("DELETE FROM OF_Apoint"));

    // Setting 3: the copy on the other product's phase goes, the main product's posting stays;
    // before June 2025 nothing goes.
    settings(3, 0);
    exec(duplicate.arg(a.order).arg(a.phase30).arg(950).arg(otherPhase).arg(QStringLiteral("2026-11-30T17:00:00")));
    EXPECT_EQ(count(QStringLiteral("OF_Apoint WHERE IdOF = %1").arg(a.order)), 1);
    EXPECT_EQ(count(QStringLiteral("OF_Apoint WHERE IdOF = 950")), 0);
    exec(duplicate.arg(a.order).arg(a.phase30).arg(950).arg(otherPhase).arg(QStringLiteral("2025-05-30T17:00:00")));
    EXPECT_EQ(count(QStringLiteral("OF_Apoint WHERE IdOF = 950")), 1);

    // A delete writes no movement but removes duplicates: a pair stored while stocking was off.
    settings(2, 0);
    exec(duplicate.arg(a.order).arg(a.phase30).arg(950).arg(otherPhase).arg(QStringLiteral("2026-12-01T17:00:00")));
    EXPECT_EQ(count(QStringLiteral("OF_Apoint WHERE IdOF = 950")), 2);
    settings(1, 0);
    const int before = count(QStringLiteral("Kardex"));
    exec(QStringLiteral("DELETE FROM OF_Apoint WHERE DataE < '2025-06-01'"));
    EXPECT_EQ(count(QStringLiteral("OF_Apoint WHERE IdOF = 950")), 0);
    EXPECT_EQ(count(QStringLiteral("Kardex")), before);
}

TEST_F(PostingObjectsTest, WhenBothCopiesAreOnMainProductsOnlyTheLaterOneGoes)
{
    installed(QStringLiteral("GNREstocar_Conjuntos"));
    settings(3, 0);
    const Assembly a = assembly();
    const int other = product(QStringLiteral("OUTRO-2"), 1, 0, QStringLiteral("PC"), 1, 10);
    const int otherPhase = phase(other, 10);
    order(960, other, other, 5001, 41, 10);
    const int first = post(a.order, a.phase30, 2);
    const int second = post(960, otherPhase, 2);
    EXPECT_EQ(count(QStringLiteral("OF_Apoint WHERE IdApoint = %1").arg(first)), 1);
    EXPECT_EQ(count(QStringLiteral("OF_Apoint WHERE IdApoint = %1").arg(second)), 0);
}

// The removal of duplicated postings starts on 1 June 2025 whatever the session's language and
// date format (Portuguese and British read day before month).
TEST_F(PostingObjectsTest, DuplicatesGoFromJuneTwentyTwentyFiveUnderEveryLanguage)
{
    installed(QStringLiteral("GNREstocar_Conjuntos"));
    settings(3, 0);
    const Assembly a = assembly();
    const int other = product(QStringLiteral("OUTRO-4"), 1, 0, QStringLiteral("PC"), 1, 10);
    const int otherPhase = phase(other, 10);
    order(980, other, a.product, 5003, 43, 10);
    const QString duplicate = QStringLiteral(
        "INSERT INTO OF_Apoint (IdOF, IdProcesso, Registro, Job, QtdeBoa, QtdeNC, DataS, DataE, TGasto) VALUES "
        "(%1, %2, 55, 1, 2, 0, '%5', '%6', 9), (%3, %4, 55, 1, 2, 0, '%5', '%6', 9)");
    const char *sessions[] = {"SET LANGUAGE us_english", "SET LANGUAGE Português", "SET DATEFORMAT dmy",
                              "SET LANGUAGE British"};
    int hour = 0;
    for (const char *session : sessions) {
        SCOPED_TRACE(session);
        exec(QString::fromUtf8(session));
        for (const char *day : {"2025-05-30", "2025-06-02"}) {
            const QString start =
                QStringLiteral("%1T%2:00:00").arg(QLatin1String(day)).arg(++hour, 2, 10, QLatin1Char('0'));
            exec(duplicate.arg(a.order)
                     .arg(a.phase30)
                     .arg(980)
                     .arg(otherPhase)
                     .arg(start, QLatin1String(day) + QStringLiteral("T17:00:00")));
            const int copies = count(QStringLiteral("OF_Apoint WHERE IdOF = 980 AND DataS = '%1'").arg(start));
            EXPECT_EQ(copies, QLatin1String(day) == QLatin1String("2025-05-30") ? 1 : 0) << day;
            EXPECT_EQ(count(QStringLiteral("OF_Apoint WHERE IdOF = %1 AND DataS = '%2'").arg(a.order).arg(start)), 1);
        }
    }
    exec(QStringLiteral("SET LANGUAGE us_english"));
}

TEST_F(PostingObjectsTest, TwoActiveCompaniesFailThePostingAndUndoWhatTheTriggersWrote)
{
    installed(QStringLiteral("GNREstocar_Conjuntos"));
    installed(QStringLiteral("GNRBaixa_filhos"));
    const Assembly a = assembly();
    exec(QStringLiteral("UPDATE PessoaFJ SET Ativa = 1, Estoca_ofs = 3, Estoca_ofsfilhos = 1"));
    const int postings = count(QStringLiteral("OF_Apoint"));
    const int ledger = count(QStringLiteral("Kardex"));
    EXPECT_EQ(
        failure(QStringLiteral("INSERT INTO OF_Apoint (IdOF, IdProcesso, Registro, QtdeBoa) VALUES (%1, %2, 55, 3)")
                    .arg(a.order)
                    .arg(a.phase30)),
        512);
    EXPECT_EQ(count(QStringLiteral("OF_Apoint")), postings);
    EXPECT_EQ(count(QStringLiteral("Kardex")), ledger);
    EXPECT_EQ(stock(a.product), 5);
    EXPECT_EQ(stock(a.atFinal), 100);
    // A statement that touches no posting reads no setting and fails nothing.
    EXPECT_EQ(failure(QStringLiteral("DELETE FROM OF_Apoint WHERE 1 = 0")), 0);
}

TEST_F(PostingObjectsTest, ARenumberedPhaseMovesThePiecesOfItsProductOnly)
{
    installed(QStringLiteral("GNR_Fases"));
    const int x = product(QStringLiteral("X"), 0, 0, QStringLiteral("PC"), 0);
    const int y = product(QStringLiteral("Y"), 0, 0, QStringLiteral("PC"), 0);
    const int phaseX = phase(x, 20);
    phase(y, 20);
    exec(QStringLiteral("INSERT INTO Peças (Código, IdConjunto, FaseP) VALUES (N'X-A', %1, 20), (N'X-B', %1, 20), "
                        "(N'X-C', %1, 10), "
                        "(N'Y-A', %2, 20)")
             .arg(x)
             .arg(y));
    const auto phases = [&] {
        QList<int> out;
        for (const QVariantList &r :
             rows(QStringLiteral("SELECT FaseP FROM Peças WHERE Código LIKE N'[XY]-%' ORDER BY Código")))
            out << r.value(0).toInt();
        return out;
    };
    exec(QStringLiteral("UPDATE Processos SET Operação = N'Dobrar' WHERE IdProcesso = %1").arg(phaseX));
    EXPECT_EQ(phases(), (QList<int> {20, 20, 10, 20}));
    exec(QStringLiteral("UPDATE Processos SET Fase = 30 WHERE IdProcesso = %1").arg(phaseX));
    EXPECT_EQ(phases(), (QList<int> {30, 30, 10, 20}));
}

// The routing renumbered at once (the phases 10, 20 and 30 of X and 20 of Y move by 100): each
// piece follows its own phase, as when the phases are renumbered one statement each.
TEST_F(PostingObjectsTest, RenumberingSeveralPhasesInOneStatementMovesEachPieceWithItsPhase)
{
    installed(QStringLiteral("GNR_Fases"));
    const int x = product(QStringLiteral("RX"), 0, 0, QStringLiteral("PC"), 0);
    const int y = product(QStringLiteral("RY"), 0, 0, QStringLiteral("PC"), 0);
    const QList<int> routing {phase(x, 10), phase(x, 20), phase(x, 30), phase(y, 20)};
    exec(QStringLiteral("INSERT INTO Peças (Código, IdConjunto, FaseP) VALUES (N'RX-10', %1, 10), (N'RX-20', %1, 20), "
                        "(N'RX-30', %1, 30), (N'RX-40', %1, 40), (N'RY-20', %2, 20)")
             .arg(x)
             .arg(y));
    QStringList oneByOne;
    for (int id : routing)
        oneByOne << QStringLiteral("UPDATE Processos SET Fase = Fase + 100 WHERE IdProcesso = %1").arg(id);
    const BothWays r = runBothWays(
        fx, QStringLiteral("UPDATE Processos SET Fase = Fase + 100 WHERE IdProd IN (%1, %2)").arg(x).arg(y), oneByOne,
        {QStringLiteral("SELECT Código, FaseP FROM Peças WHERE Código LIKE N'R[XY]-%' ORDER BY Código")});
    EXPECT_EQ(r.together, r.oneByOne);
    EXPECT_EQ(r.oneByOne[0], (QList<QVariantList> {{QStringLiteral("RX-10"), 110},
                                                   {QStringLiteral("RX-20"), 120},
                                                   {QStringLiteral("RX-30"), 130},
                                                   {QStringLiteral("RX-40"), 40},
                                                   {QStringLiteral("RY-20"), 120}}));
}
