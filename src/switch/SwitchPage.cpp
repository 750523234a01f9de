#include "switch/SwitchPage.h"

#include "widgets/DbControls.h"

#include <QFrame>
#include <QGridLayout>
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
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000 00:00")) + 40);
    return e;
}

QLabel *caption(QWidget *parent, const QString &text, QWidget *buddy)
{
    auto *l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}

} // namespace

SwitchPage::SwitchPage(DataSource *jobs, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SwitchPage"));

    Libera = new QToolButton(this);
    Libera->setObjectName(QStringLiteral("Libera"));
    Libera->setAutoRaise(true);
    Libera->setIconSize(QSize(32, 32));
    Libera->setFixedSize(QSize(56, 56));

    MirrDataFT = stampEdit(this, QStringLiteral("MirrDataFT"), jobs, QStringLiteral("DataFT"), true);
    MirrRespFT = stampEdit(this, QStringLiteral("MirrRespFT"), jobs, QStringLiteral("RespFT"), false);
    MirrDataRT = stampEdit(this, QStringLiteral("MirrDataRT"), jobs, QStringLiteral("DataRT"), true);
    MirrRespRT = stampEdit(this, QStringLiteral("MirrRespRT"), jobs, QStringLiteral("RespRT"), false);

    // The last disabling above the last re-enabling, each when and by whom.
    auto *stamps = new QGridLayout;
    stamps->setVerticalSpacing(6);
    stamps->addWidget(caption(this, QStringLiteral("Desabilitado em ..."), MirrDataFT), 0, 0);
    stamps->addWidget(MirrDataFT, 0, 1);
    stamps->addWidget(caption(this, QStringLiteral("Responsável ....."), MirrRespFT), 1, 0);
    stamps->addWidget(MirrRespFT, 1, 1);
    stamps->setRowMinimumHeight(2, 14);
    stamps->addWidget(caption(this, QStringLiteral("Reabilitado em ....."), MirrDataRT), 3, 0);
    stamps->addWidget(MirrDataRT, 3, 1);
    stamps->addWidget(caption(this, QStringLiteral("Responsável ....."), MirrRespRT), 4, 0);
    stamps->addWidget(MirrRespRT, 4, 1);

    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("SwitchFrame"));
    frame->setFrameShape(QFrame::StyledPanel);
    auto *row = new QHBoxLayout(frame);
    row->setContentsMargins(12, 12, 12, 12);
    row->addWidget(Libera, 0, Qt::AlignVCenter);
    row->addSpacing(16);
    row->addLayout(stamps);

    auto *top = new QHBoxLayout;
    top->addWidget(frame);
    top->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addStretch(1);
}
