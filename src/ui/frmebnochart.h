#pragma once

#include "backgroundload.h"
#include "station/ebnoseries.h"

#include <QDate>
#include <QWidget>

class QChart;
class QChartView;
class QLabel;
class QPushButton;
class QRadioButton;

// The Eb/No charts of the log viewer: a day's readings against the time of
// day, or the month up to that day as daily bands. Pointing at a reading
// shows its time and value; clicking a day of the month opens its day chart.
// The window reads the log files beside it when it shows a chart (the chart
// shown stays until the new one is ready), and keeps what it read for the
// pointer.
class frmEbNoChart : public QWidget
{
    Q_OBJECT

public:
    explicit frmEbNoChart(QWidget *parent = nullptr);

    void showDay(const QDate &day);
    // The 31 days up to and including `last`.
    void showMonth(const QDate &last);

    QChart *chart() const;
    // A chart's log files are being read beside the window.
    bool isLoading() const { return m_load.running(); }

private:
    void dayRead(const QDate &day, EbNoDay data);
    void monthRead(const QDate &last, EbNoMonth data);
    void showChart(QChart *chart);
    void pointAt(int receiver, const QPointF &value, bool clicked);
    void printChart();
    void chooseImageFile();
    void saveImage(const QString &path);
    QString dayText(const QDate &day) const;

    // The day asked for; what the chart shows and the pointer reads.
    QDate m_day;
    bool m_shownMonth = false;
    EbNoDay m_dayData;
    EbNoMonth m_monthData;
    BackgroundLoad m_load{this};

    QRadioButton *optDay;
    QRadioButton *optMonth;
    QLabel *lblPoint;
    QChartView *chtEbNo;
    QLabel *lblNote;
    QPushButton *cmdPrint;
    QPushButton *cmdSaveImage;
    QPushButton *cmdClose;
};
