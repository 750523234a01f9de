#pragma once

#include <QWidget>

class DataSource;
class DbEdit;
class QToolButton;

// Content of the page "  Habilitar/desabilitar": the switch button and the record of the
// last disabling and the last re-enabling, read from Jobs.
class SwitchPage : public QWidget
{
    Q_OBJECT
public:
    SwitchPage(DataSource *jobs, QWidget *parent = nullptr);

    QToolButton *Libera = nullptr;
    DbEdit *MirrDataFT = nullptr;
    DbEdit *MirrRespFT = nullptr;
    DbEdit *MirrDataRT = nullptr;
    DbEdit *MirrRespRT = nullptr;
};
