#include "frmweeklyschedule.h"

#include "station/station.h"
#include "fonts.h"
#include "schedule/weeklyschedule.h"
#include "twips.h"

#include <QListWidget>
#include <QPushButton>

frmWeeklySchedule::frmWeeklySchedule(Station &station, QWidget *parent)
    : QWidget(parent, Qt::Window), m_station(station)
{
    setObjectName(QStringLiteral("frmWeeklySchedule"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twips(5400), twips(6360));

    lstWeeklySchedule = new QListWidget(this);
    lstWeeklySchedule->setObjectName(QStringLiteral("lstWeeklySchedule"));
    lstWeeklySchedule->setGeometry(twipsRect(240, 240, 4920, 5280));
    lstWeeklySchedule->setFont(courier(9.75));
    lstWeeklySchedule->setUniformItemSizes(true);
    lstWeeklySchedule->setTextElideMode(Qt::ElideNone);

    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(twipsRect(2250, 5760, 900, 375));
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    fillList();
}

void frmWeeklySchedule::fillList()
{
    lstWeeklySchedule->clear();
    lstWeeklySchedule->addItems(::BuildWeeklySchedule(m_station.store()));
}

void frmWeeklySchedule::BuildWeeklySchedule()
{
    fillList();
    show();
}
