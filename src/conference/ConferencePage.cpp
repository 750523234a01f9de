#include "conference/ConferencePage.h"

#include "app/Shell.h"
#include "conference/ConferenceRun.h"
#include "conference/ConferenceStatements.h"
#include "conference/ReaderFiles.h"
#include "conference/ReaderLinesModel.h"
#include "conference/RunInputBlocker.h"
#include "connection/Connection.h"
#include "connection/DataSource.h"
#include "connection/Dataset.h"
#include "widgets/DbGrid.h"
#include "widgets/Glyphs.h"
#include "widgets/Prompter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// What MemoORG shows before the first folder choice or loading.
const char *const initialText[] = {
    "-- Montagem de volumes na expedição (trigger GNR_Baixa_montar)",
    "CREATE TRIGGER GNR_Baixa_montar ON dbo.ItensNFLogix",
    "FOR UPDATE",
    "AS",
    "IF UPDATE(IdMud)",
    "BEGIN",
    "    SET NOCOUNT ON",
    "    -- cada volume conferido dá baixa na sua unidade master",
    "    UPDATE Etq_MasterUD SET EntraMUD = 1, SaidaMud = 0",
    "    FROM Etq_MasterUD INNER JOIN INSERTED",
    "         ON Etq_MasterUD.IdMud = INSERTED.IdMud",
    "    WHERE (INSERTED.IdMud IS NOT NULL)",
    "END",
};

QFont fixedPitch()
{
    QFont mono(QStringLiteral("Courier New"));
    mono.setStyleHint(QFont::Monospace);
    return mono;
}

QToolButton *flatButton(QWidget *parent, const char *name, const QString &caption, const QString &hint)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setToolTip(hint);
    b->setAutoRaise(true);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setMinimumWidth(110);
    return b;
}

} // namespace

ConferencePage::ConferencePage(Shell &shell, QWidget *parent) : QWidget(parent), m_shell(shell)
{
    setObjectName(QStringLiteral("ConferencePage"));
    m_lines = new ReaderLinesModel(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    SubPasta00 = new QTabWidget(this);
    SubPasta00->setObjectName(QStringLiteral("SubPasta00"));
    SubPasta00->setTabPosition(QTabWidget::East);
    layout->addWidget(SubPasta00);

    buildNotesPage();
    buildResultPage();
    TabSheet6 = new QWidget;
    TabSheet6->setObjectName(QStringLiteral("TabSheet6"));
    auto *l6 = new QVBoxLayout(TabSheet6);
    NoMatches = new QPlainTextEdit(TabSheet6);
    NoMatches->setObjectName(QStringLiteral("NoMatches"));
    NoMatches->setFont(fixedPitch());
    l6->addWidget(NoMatches);
    SubPasta00->addTab(TabSheet6, QStringLiteral("  Bloco de Notas sem Conferir "));
    SubPasta00->setCurrentWidget(TabSheet7);

    connect(sbtSelDir, &QToolButton::clicked, this, &ConferencePage::sbtSelDirClick);
    connect(CaminhoRX, &QToolButton::clicked, this, &ConferencePage::CaminhoRXClick);
    connect(Conferir, &QToolButton::clicked, this, &ConferencePage::ConferirClick);
    connect(SalvaArq, &QToolButton::clicked, this, &ConferencePage::SalvaArqClick);
    connect(ExportarABC, &QToolButton::clicked, this, &ConferencePage::ExportarABCClick);
    connect(MemoORGE, &QPlainTextEdit::textChanged, this, &ConferencePage::MemoORGEChange);
    connect(NoMatches, &QPlainTextEdit::textChanged, this, &ConferencePage::MemoORGEChange);
    connect(SubPasta00, &QTabWidget::currentChanged, this, [this] {
        if (SubPasta00->currentWidget() == TabSheet8)
            refreshResult();
    });
    if (m_shell.SERVER1)
        connect(m_shell.SERVER1, &Connection::afterDisconnect, m_result, &Dataset::close);

    QStringList start;
    for (const char *line : initialText)
        start << QString::fromUtf8(line);
    m_lines->append(start);
    showFolder(QDir::currentPath(), QStringLiteral("*.xxx"));
}

void ConferencePage::buildNotesPage()
{
    TabSheet7 = new QWidget;
    TabSheet7->setObjectName(QStringLiteral("TabSheet7"));
    auto *l7 = new QVBoxLayout(TabSheet7);

    auto *band = new QFrame(TabSheet7);
    band->setObjectName(QStringLiteral("Panel7"));
    band->setFrameShape(QFrame::StyledPanel);
    auto *bl = new QHBoxLayout(band);
    ListaFOTOS = new QListWidget(band);
    ListaFOTOS->setObjectName(QStringLiteral("ListaFOTOS"));
    ListaFOTOS->setFixedSize(220, 84);
    bl->addWidget(ListaFOTOS);
    auto *buttons = new QVBoxLayout;
    auto *row1 = new QHBoxLayout;
    auto *row2 = new QHBoxLayout;
    sbtSelDir = flatButton(band, "sbtSelDir", QStringLiteral("00-Caminho"),
                           QStringLiteral("Seleciona caminho onde estão arquivos de retorno Varnel ..!"));
    CaminhoRX = flatButton(band, "CaminhoRX", QStringLiteral("01-Arquivo"),
                           QStringLiteral("Abrir bloco de Notas de todos os arquivos ..!"));
    Conferir =
        flatButton(band, "Conferir", QStringLiteral("02-Conferir"), QStringLiteral("Confere o bloco de Notas ..!"));
    SalvaArq = flatButton(band, "SalvaArq", QStringLiteral("&Salvar"), QStringLiteral("Salvar arquivo novo ..!"));
    SalvaArq->setIcon(QIcon(Glyphs::floppy()));
    Conferir->setEnabled(false);
    SalvaArq->setEnabled(false);
    row1->addWidget(sbtSelDir);
    row1->addWidget(CaminhoRX);
    row1->addStretch();
    row2->addWidget(Conferir);
    row2->addWidget(SalvaArq);
    row2->addStretch();
    buttons->addLayout(row1);
    buttons->addLayout(row2);
    bl->addLayout(buttons);
    auto *title = new QLabel(QStringLiteral("Conferir Bloco de Notas"), band);
    title->setObjectName(QStringLiteral("Label22"));
    QFont big = title->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    title->setFont(big);
    bl->addWidget(title, 1, Qt::AlignCenter);
    l7->addWidget(band);

    MemoORG = new QListView(TabSheet7);
    MemoORG->setObjectName(QStringLiteral("MemoORG"));
    MemoORG->setFont(fixedPitch());
    MemoORG->setUniformItemSizes(true);
    MemoORG->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MemoORG->setModel(m_lines);
    l7->addWidget(MemoORG, 1);

    auto *row = new QHBoxLayout;
    ExportarABC = flatButton(TabSheet7, "ExportarABC", QStringLiteral("Update Usuários"),
                             QStringLiteral("Gera Script de Update de Todos os Usuários !"));
    ExportarABC->setIcon(QIcon(Glyphs::script()));
    row->addWidget(ExportarABC);
    row->addStretch();
    l7->addLayout(row);

    MemoORGE = new QPlainTextEdit(TabSheet7);
    MemoORGE->setObjectName(QStringLiteral("MemoORGE"));
    MemoORGE->setFont(fixedPitch());
    MemoORGE->setMaximumHeight(140);
    l7->addWidget(MemoORGE);

    SubPasta00->addTab(TabSheet7, QStringLiteral("  Bloco de Notas  "));
}

void ConferencePage::buildResultPage()
{
    TabSheet8 = new QWidget;
    TabSheet8->setObjectName(QStringLiteral("TabSheet8"));
    auto *l8 = new QVBoxLayout(TabSheet8);
    m_result = new Dataset(this);
    m_result->setObjectName(QStringLiteral("ConferiuSQL"));
    m_result->setConnection(m_shell.SERVER1);
    m_result->setSql(ConferenceStatements::resultQuery());
    m_result->setReadOnly(true);
    m_resultSource = new DataSource(this);
    m_resultSource->setObjectName(QStringLiteral("ConferiuDATA"));
    m_resultSource->setDataset(m_result);
    ConferiuGRADE = new DbGrid(TabSheet8);
    ConferiuGRADE->setObjectName(QStringLiteral("ConferiuGRADE"));
    ConferiuGRADE->setDataSource(m_resultSource);
    ConferiuGRADE->setColumns({{QStringLiteral("Cod128"), QStringLiteral("Cod128")},
                               {QStringLiteral("EtqNF"), QStringLiteral("EtqNF")},
                               {QStringLiteral("IdMud"), QStringLiteral("IdMud")},
                               {QStringLiteral("IdItemNF"), QStringLiteral("IdItemNF")}});
    // Room for a whole master label and a whole invoice label.
    const int digit = ConferiuGRADE->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    ConferiuGRADE->horizontalHeader()->resizeSection(0, 34 * digit);
    ConferiuGRADE->horizontalHeader()->resizeSection(1, 29 * digit);
    l8->addWidget(ConferiuGRADE);
    SubPasta00->addTab(TabSheet8, QStringLiteral("  Conferido  "));
}

void ConferencePage::showFolder(const QString &folder, const QString &mask)
{
    m_folder = folder;
    m_mask = mask;
    ListaFOTOS->clear();
    ListaFOTOS->addItems(ReaderFiles::list(folder, mask));
}

QString ConferencePage::companyValue() const
{
    const auto *company = m_shell.window ? m_shell.window->findChild<QLineEdit *>(QStringLiteral("Mirr16")) : nullptr;
    return company ? company->text() : QString();
}

void ConferencePage::refreshResult()
{
    if (!m_shell.SERVER1 || !m_shell.SERVER1->isOpen()) {
        m_result->close();
        return;
    }
    m_shell.run([this] {
        m_result->close();
        m_result->open();
    });
}

void ConferencePage::sbtSelDirClick()
{
    m_lines->clear();
    ListaFOTOS->clear();
    if (!m_shell.prompter)
        return;
    const QString folder = m_shell.prompter->chooseFolder(
        m_shell.window, QStringLiteral("Selecione a pasta dos arquivos de retorno"), QDir::currentPath());
    if (folder.isEmpty())
        return;
    if (!QDir::setCurrent(folder)) {
        m_shell.prompter->error(
            m_shell.window,
            QStringLiteral("Não foi possível abrir a pasta %1 ..!").arg(QDir::toNativeSeparators(folder)));
        return;
    }
    showFolder(QDir::currentPath(), QStringLiteral("*.txt"));
    if (m_shell.StatusBar[0])
        m_shell.StatusBar[0]->setText(QStringLiteral("Diretório escolhido: ") + QDir::toNativeSeparators(folder));
}

void ConferencePage::CaminhoRXClick()
{
    m_shell.runBusy([this] {
        m_lines->clear();
        MemoORG->hide();
        const QDir current = QDir::current();
        try {
            for (int i = 0; i < ListaFOTOS->count(); ++i) {
                const QString name = ListaFOTOS->item(i)->text();
                if (ReaderFiles::isLoaded(name))
                    m_lines->append(ReaderFiles::readLines(current.filePath(name)));
            }
        } catch (const ReaderFileError &) {
            // The loading ends at the file that cannot be read (its message goes to the
            // standard error box); what was read before stays listed.
            MemoORG->show();
            throw;
        }
        MemoORG->show();
        Conferir->setEnabled(m_lines->count() >= 1);
    });
}

void ConferencePage::MemoORGEChange()
{
    const bool enough = m_lines->count() >= 2;
    SalvaArq->setEnabled(enough);
    Conferir->setEnabled(enough);
}

// "&Salvar" and "Update Usuários" sit on the page without an action of their own.
void ConferencePage::SalvaArqClick()
{ }

void ConferencePage::ExportarABCClick()
{ }

void ConferencePage::ConferirClick()
{
    if (!m_shell.prompter || !m_shell.ExecuteQUERY)
        return;
    if (m_shell.prompter->confirm(
            m_shell.window,
            QStringLiteral("Será conferido o conteudo deste bloco de Notas e o resultado estara na pasta "
                           "conferiu ..!, Devo continuar ?"),
            Prompter::Buttons::YesNo)
        != Prompter::Answer::Yes)
        return;
    m_shell.runBusy([this] {
        const QStringList lines = m_lines->lines();
        const QString company = companyValue();
        QLabel *progress = m_shell.StatusBar[1];
        const QString progressBefore = progress ? progress->text() : QString();
        const int total = int(lines.size());
        RunInputBlocker blocker;
        QElapsedTimer sincePaint;
        sincePaint.start();
        bool listShown = true;
        const auto observer = [&](const ConferenceStep &step, const ConferenceOutcome &) {
            if (step.kind == ConferenceStep::Kind::ClearResult) {
                MemoORG->hide();
                listShown = false;
            } else if (!listShown && step.line < 0) {
                MemoORG->show();
                listShown = true;
            }
            // Let the window repaint now and then, so the person sees the run go on.
            if (sincePaint.elapsed() >= 50) {
                if (progress)
                    progress->setText(step.line >= 0
                                          ? QStringLiteral("Conferindo linha %1 de %2").arg(step.line + 1).arg(total)
                                          : QStringLiteral("Conferindo: atualizando as tabelas"));
                QCoreApplication::processEvents();
                sincePaint.restart();
            }
        };
        const ConferenceRun::Result result = ConferenceRun::run(lines, company, *m_shell.ExecuteQUERY, observer);
        MemoORG->show();
        if (progress)
            progress->setText(progressBefore);
        if (!result.completed())
            throw *result.failure;
        if (m_shell.IncluiUSER)
            m_shell.IncluiUSER->setEnabled(false);
        if (SubPasta00->currentWidget() == TabSheet8)
            refreshResult();
        else
            SubPasta00->setCurrentWidget(TabSheet8);
    });
}
