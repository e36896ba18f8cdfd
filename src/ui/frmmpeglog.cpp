#include "frmmpeglog.h"

#include "station/logviews.h"
#include "fonts.h"
#include "frmerror.h"
#include "logdaylist.h"
#include "platform/errorreport.h"
#include "twips.h"

#include <QEvent>
#include <QListView>
#include <QListWidget>
#include <QPushButton>

namespace {
const QString kMpegKind = QStringLiteral("MP");
}

frmMPEGLog::frmMPEGLog(Station &station, QWidget *parent) : QWidget(parent, Qt::Window), m_station(station)
{
    setObjectName(QStringLiteral("frmMPEGLog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("MPEG Logs"));
    setFixedSize(twips(7740), twips(5160));

    lstDate = new QListWidget(this);
    lstDate->setObjectName(QStringLiteral("lstDate"));
    lstDate->setGeometry(twipsRect(3000, 1680, 1335, 780));
    lstDate->setFont(msSansSerif(9.75, true));
    lstDate->setToolTip(QStringLiteral("Date of Log to View"));

    cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setGeometry(twipsRect(2400, 4560, 615, 375));
    cmdOk->setFont(msSansSerif(9.75, true));

    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(twipsRect(4080, 4560, 855, 375));
    cmdClose->setFont(msSansSerif(9.75, true));

    lstActivityLog = LogDayList::makeLineList(this);
    lstActivityLog->setGeometry(twipsRect(120, 240, 7455, 4155));
    lstActivityLog->hide();

    connect(cmdOk, &QPushButton::clicked, this, &frmMPEGLog::toggleDay);
    connect(lstDate, &QListWidget::itemDoubleClicked, this, &frmMPEGLog::toggleDay);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);

    loadDayList();
}

void frmMPEGLog::loadDayList()
{
    LogDayList::fillDays(lstDate, kMpegKind);
}

void frmMPEGLog::toggleDay()
{
    // Nothing to load: no MPEG log, or the folder could not be read.
    if (!LogDayList::hasDayToLoad(lstDate))
        return;

    if (m_state == ViewState::Showing) {
        m_load.drop();
        LogDayList::setLines(lstActivityLog, {});
        lstActivityLog->hide();
        lstDate->show();
        m_state = ViewState::Choosing;
        return;
    }

    LogDateText = lstDate->currentItem()->text();
    lstDate->hide();
    setWindowTitle(LogDateText + QStringLiteral(" MPEG Log"));
    m_state = ViewState::Showing;
    LogDayList::showDay(m_load, lstActivityLog, kMpegKind, LogDateText, LogOrder::ByTime);
}

void frmMPEGLog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        frmError::windowActivated();
    QWidget::changeEvent(event);
}
