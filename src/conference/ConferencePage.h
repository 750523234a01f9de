#pragma once

#include <QWidget>

struct Shell;
class DataSource;
class Dataset;
class DbGrid;
class QLabel;
class QListView;
class QListWidget;
class QPlainTextEdit;
class QTabWidget;
class QToolButton;
class ReaderLinesModel;

// The page "  Conferir  ": reader files of a folder, their lines, the conference run and
// its result. Handlers carry the names of the events that start them.
class ConferencePage : public QWidget
{
    Q_OBJECT
public:
    explicit ConferencePage(Shell &shell, QWidget *parent = nullptr);

    ReaderLinesModel *lines() const { return m_lines; }
    // The folder and mask ListaFOTOS lists.
    QString listFolder() const { return m_folder; }
    QString listMask() const { return m_mask; }

    void sbtSelDirClick();
    void CaminhoRXClick();
    void MemoORGEChange();
    void ConferirClick();
    void SalvaArqClick();
    void ExportarABCClick();

    QTabWidget *SubPasta00 = nullptr;
    QWidget *TabSheet7 = nullptr;
    QWidget *TabSheet8 = nullptr;
    QWidget *TabSheet6 = nullptr;
    QListWidget *ListaFOTOS = nullptr;
    QToolButton *sbtSelDir = nullptr;
    QToolButton *CaminhoRX = nullptr;
    QToolButton *Conferir = nullptr;
    QToolButton *SalvaArq = nullptr;
    QListView *MemoORG = nullptr;
    QToolButton *ExportarABC = nullptr;
    QPlainTextEdit *MemoORGE = nullptr;
    DbGrid *ConferiuGRADE = nullptr;
    QPlainTextEdit *NoMatches = nullptr;

private:
    void buildNotesPage();
    void buildResultPage();
    void showFolder(const QString &folder, const QString &mask);
    void refreshResult();
    QString companyValue() const;

    Shell &m_shell;
    ReaderLinesModel *m_lines = nullptr;
    Dataset *m_result = nullptr; // ConferiuSQL: the rows of the last run
    DataSource *m_resultSource = nullptr;
    QString m_folder;
    QString m_mask;
};
