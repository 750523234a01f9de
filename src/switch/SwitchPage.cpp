#include "switch/SwitchPage.h"

#include "widgets/DbControls.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

DbEdit *stampEdit(QWidget *parent, const QString &name, DataSource *jobs, const QString &field, bool date)
{
    auto *e = new DbEdit(parent);
    e->setObjectName(name);
    e->bind(jobs, field);
    e->setAlwaysReadOnly(true);
    e->setAlignment(Qt::AlignCenter);
    if (date)
        e->setDateTimeFormat(QStringLiteral("dd/MM/yyyy HH:mm"));
    e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000 00:00")) + 24);
    return e;
}

// One stamp: when and by whom.
QGroupBox *stampGroup(QWidget *parent, const QString &name, const QString &title, const QString &whenCaption,
                      DbEdit *when, DbEdit *who)
{
    auto *box = new QGroupBox(title, parent);
    box->setObjectName(name);
    auto *grid = new QGridLayout(box);
    auto *whenLabel = new QLabel(whenCaption, box);
    whenLabel->setBuddy(when);
    auto *whoLabel = new QLabel(QStringLiteral("Responsável ....."), box);
    whoLabel->setBuddy(who);
    when->setParent(box);
    who->setParent(box);
    grid->addWidget(whenLabel, 0, 0);
    grid->addWidget(when, 0, 1);
    grid->addWidget(whoLabel, 1, 0);
    grid->addWidget(who, 1, 1);
    grid->setColumnStretch(1, 1);
    return box;
}

} // namespace

SwitchPage::SwitchPage(DataSource *jobs, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SwitchPage"));

    Libera = new QToolButton(this);
    Libera->setObjectName(QStringLiteral("Libera"));
    Libera->setAutoRaise(true);
    Libera->setIconSize(QSize(96, 96));
    Libera->setMinimumSize(QSize(120, 120));

    MirrDataFT = stampEdit(this, QStringLiteral("MirrDataFT"), jobs, QStringLiteral("DataFT"), true);
    MirrRespFT = stampEdit(this, QStringLiteral("MirrRespFT"), jobs, QStringLiteral("RespFT"), false);
    MirrDataRT = stampEdit(this, QStringLiteral("MirrDataRT"), jobs, QStringLiteral("DataRT"), true);
    MirrRespRT = stampEdit(this, QStringLiteral("MirrRespRT"), jobs, QStringLiteral("RespRT"), false);

    auto *stamps = new QVBoxLayout;
    stamps->addWidget(stampGroup(this, QStringLiteral("GroupDesabilitado"), QStringLiteral("Desabilitado"),
                                 QStringLiteral("Desabilitado em ..."), MirrDataFT, MirrRespFT));
    stamps->addWidget(stampGroup(this, QStringLiteral("GroupReabilitado"), QStringLiteral("Reabilitado"),
                                 QStringLiteral("Reabilitado em ....."), MirrDataRT, MirrRespRT));
    stamps->addStretch(1);

    auto *row = new QHBoxLayout;
    row->addWidget(Libera, 0, Qt::AlignTop);
    row->addSpacing(16);
    row->addLayout(stamps);
    row->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addStretch(1);
}
