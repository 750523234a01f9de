#pragma once

#include <QList>
#include <QMap>
#include <QWidget>

class DataSource;
class DbCheckBox;
class DbImage;
class OptionCombo;
class QCheckBox;
class QGroupBox;
class QTabWidget;
class QToolButton;
class QVBoxLayout;

// Content of the rights page "    Menús e  &Rotinas    ": four side tabs with the bound
// right boxes (one bit column each), the module boxes of the flag strings, their option
// combo boxes and the two signature pictures.
class RightsPage : public QWidget
{
    Q_OBJECT
public:
    RightsPage(DataSource *users, QWidget *parent = nullptr);

    QTabWidget *PageControl2 = nullptr;

    // Module boxes by position in their flag string.
    QMap<int, QCheckBox *> compras;    // Compras01 ... Compras12 (07 is the separator)
    QMap<int, QCheckBox *> vendas;     // Vendas01 ... Vendas08, Vendas25
    QMap<int, QCheckBox *> qualidade;  // Qualidade01, Qualidade02
    OptionCombo *Compras21 = nullptr;
    OptionCombo *Vendas21 = nullptr;
    QCheckBox *CheckBox7 = nullptr;    // the sales tab's separator, always disabled

    // Bound right boxes, in page order; the heading boxes.
    QList<DbCheckBox *> rightBoxes;
    QList<QCheckBox *> headings;

    DbImage *cxDBPhoto = nullptr;      // Assinatura_Compras
    DbImage *cxDBImage1 = nullptr;     // Assinatura_Diretoria

private:
    QWidget *buildVendasEngenharia(DataSource *users);
    QWidget *buildPcpCompras(DataSource *users);
    QWidget *buildFaturamento(DataSource *users);
    QWidget *buildQualidade();

    QGroupBox *section(QWidget *parent, const QString &name, const QString &heading, QVBoxLayout *&layout);
    DbCheckBox *right(QWidget *parent, QVBoxLayout *layout, DataSource *users, const QString &column,
                      const QString &caption, const QString &name = QString());
    QCheckBox *moduleBox(QWidget *parent, QVBoxLayout *layout, const QString &name, const QString &caption);
    QWidget *signature(QWidget *parent, DataSource *users, const QString &title, const QString &name,
                       const QString &column, DbImage *&image);
};
