#include "frmactivitylog.h"

#include "station/logprintout.h"
#include "station/station.h"
#include "fonts.h"
#include "frmebnochart.h"
#include "frmerror.h"
#include "logdaylist.h"
#include "platform/errorreport.h"
#include "twips.h"
#include "windowfront.h"

#include <QApplication>
#include <QEvent>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

frmActivityLog::frmActivityLog(Station &station, QWidget *parent)
    : QMainWindow(parent), m_station(station), m_logKind(station.LogKind)
{
    setObjectName(QStringLiteral("frmActivityLog"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    loadDayList();
}

bool frmActivityLog::isEbNo() const
{
    return m_logKind == QLatin1String("EB");
}

void frmActivityLog::buildControls()
{
    m_area = new QWidget(this);
    m_area->setObjectName(QStringLiteral("designArea"));
    m_area->setFixedSize(twips(7245), twips(4095));
    setCentralWidget(m_area);

    lstDate = new QListWidget(m_area);
    lstDate->setObjectName(QStringLiteral("lstDate"));
    lstDate->setGeometry(twipsRect(2760, 240, 1335, 2460));
    lstDate->setFont(msSansSerif(9.75, true));
    lstDate->setToolTip(QStringLiteral("Date of Log to View"));

    Option1 = new QRadioButton(QStringLiteral("By Time"), m_area);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option1->setGeometry(twipsRect(840, 1080, 1215, 495));
    Option1->setToolTip(QStringLiteral("Listed by Time"));

    Option2 = new QRadioButton(QStringLiteral("By Event"), m_area);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option2->setGeometry(twipsRect(840, 1560, 1215, 495));
    Option2->setToolTip(
        QStringLiteral("Listed by event alphabetically or in the case of EbNo by value of EbNo"));

    cmdOk = new QPushButton(QStringLiteral("&Ok"), m_area);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setGeometry(twipsRect(2520, 3120, 615, 375));
    cmdOk->setFont(msSansSerif(9.75, true));

    cmdClose = new QPushButton(QStringLiteral("&Close"), m_area);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(twipsRect(4080, 3120, 855, 375));
    cmdClose->setFont(msSansSerif(9.75, true));

    cmdChart = new QPushButton(QStringLiteral("C&hart"), m_area);
    cmdChart->setObjectName(QStringLiteral("cmdChart"));
    cmdChart->setGeometry(twipsRect(840, 2160, 1215, 375));
    cmdChart->setFont(msSansSerif(9.75, true));
    cmdChart->setToolTip(QStringLiteral("Chart of the day's EbNo readings, or of the month up to it"));
    cmdChart->setVisible(isEbNo());

    lstActivityLog = LogDayList::makeLineList(m_area);
    lstActivityLog->setGeometry(twipsRect(240, 480, 6735, 2400));
    lstActivityLog->setFont(courier(9.75));
    lstActivityLog->hide();

    mnuFiles = menuBar()->addMenu(QStringLiteral("Files"));
    mnuFiles->setObjectName(QStringLiteral("mnuFiles"));
    mnuPrint = mnuFiles->addAction(QStringLiteral("Print"));
    mnuPrint->setObjectName(QStringLiteral("mnuPrint"));
    mnuPrint->setEnabled(false);
    mnuExit = mnuFiles->addAction(QStringLiteral("Exit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));

    connect(cmdOk, &QPushButton::clicked, this, &frmActivityLog::toggleDay);
    connect(lstDate, &QListWidget::itemDoubleClicked, this, &frmActivityLog::toggleDay);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);
    connect(mnuPrint, &QAction::triggered, this, &frmActivityLog::printShownLog);
    connect(cmdChart, &QPushButton::clicked, this, &frmActivityLog::openChart);
}

void frmActivityLog::loadDayList()
{
    if (m_logKind == QLatin1String("AL") && m_station.settings.twoReceivers()) {
        // Two receivers' switch lines are longer.
        m_area->setFixedWidth(twips(8800 - 120));
        lstActivityLog->setGeometry(twipsRect(240, 480, 8200, 2400));
    } else if (isEbNo()) {
        lstActivityLog->setGeometry(twipsRect(2500, 480, 2550, 2400));
    }
    setWindowTitle(isEbNo() ? QStringLiteral("Load EbNo Log") : QStringLiteral("Load Activity Log"));

    LogDayList::fillDays(lstDate, m_logKind);
    Option1->setChecked(true);
}

void frmActivityLog::toggleDay()
{
    // Nothing to load: no log of this kind, or the folder could not be read.
    if (!LogDayList::hasDayToLoad(lstDate))
        return;
    mnuPrint->setEnabled(true);

    if (m_state == ViewState::Showing) {
        m_load.drop();
        LogDayList::setLines(lstActivityLog, {});
        lstActivityLog->hide();
        Option1->show();
        Option2->show();
        lstDate->show();
        setWindowTitle(isEbNo() ? QStringLiteral("Select EbNo Log") : QStringLiteral("Select Activity Log"));
        m_state = ViewState::Choosing;
        return;
    }

    LogDateText = lstDate->currentItem()->text();
    Option1->hide();
    Option2->hide();
    lstDate->hide();
    setWindowTitle((isEbNo() ? QStringLiteral("EbNo Log for ") : QStringLiteral("Activity Log for ")) + LogDateText);
    m_state = ViewState::Showing;
    LogDayList::showDay(m_load, lstActivityLog, m_logKind, LogDateText,
                        Option2->isChecked() ? LogOrder::ByEvent : LogOrder::ByTime);
}

void frmActivityLog::printShownLog()
{
    // The job belongs to the program, not to the window: closing the viewer
    // neither stops it nor loses its failure.
    auto *job = new QFutureWatcher<PrintResult>(qApp);
    connect(job, &QFutureWatcherBase::finished, job, [job] {
        job->deleteLater();
        if (const PrintResult result = job->result(); !result.ok)
            ShowErrorMessage(ErrorReportText(result.number, result.description));
    });
    job->setFuture(QtConcurrent::run(PrintLogJob, m_logKind, LogDateText, LogDayList::shownLines(lstActivityLog),
                                     PrintTarget::fromEnvironment()));
}

void frmActivityLog::openChart()
{
    if (!isEbNo() || !LogDayList::hasDayToLoad(lstDate))
        return;
    const QDate day = logDateFromText(m_state == ViewState::Showing ? LogDateText : lstDate->currentItem()->text());
    if (!m_chart)
        m_chart = new frmEbNoChart(this);
    m_chart->showDay(day);
    bringToFront(m_chart);
}

void frmActivityLog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        frmError::windowActivated();
    QMainWindow::changeEvent(event);
}
