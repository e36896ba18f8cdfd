#include "frmebnochart.h"

#include "ebnocharts.h"
#include "platform/errorreport.h"
#include "platform/filewrite.h"
#include "platform/printer.h"

#include <QBuffer>
#include <QChartView>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

#include <cmath>
#include <functional>

namespace {

const QString kPointHint =
    QStringLiteral("Point at a reading to see its time and value. Drag across to zoom in, right-click to zoom out.");
const QString kDayHint = QStringLiteral("Point at a day to see its figures; click it to see its readings.");

QString decibels(double value, int decimals = -1)
{
    const QString number = decimals < 0 ? QString::number(value) : QString::number(value, 'f', decimals);
    return number + QStringLiteral(" dB");
}

} // namespace

frmEbNoChart::frmEbNoChart(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmEbNoChart"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1100, 720);

    optDay = new QRadioButton(QStringLiteral("&Day"), this);
    optDay->setObjectName(QStringLiteral("optDay"));
    optDay->setToolTip(QStringLiteral("Every reading of the chosen day"));
    optMonth = new QRadioButton(QStringLiteral("&Month"), this);
    optMonth->setObjectName(QStringLiteral("optMonth"));
    optMonth->setToolTip(QStringLiteral("Each day's lowest, mean and highest reading, 31 days up to the chosen day"));
    lblPoint = new QLabel(this);
    lblPoint->setObjectName(QStringLiteral("lblPoint"));
    lblPoint->setTextInteractionFlags(Qt::TextSelectableByMouse);

    chtEbNo = new QChartView(this);
    chtEbNo->setObjectName(QStringLiteral("chtEbNo"));
    chtEbNo->setRenderHint(QPainter::Antialiasing);
    chtEbNo->setMinimumSize(640, 400);

    lblNote = new QLabel(this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    cmdPrint = new QPushButton(QStringLiteral("&Print"), this);
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    cmdSaveImage = new QPushButton(QStringLiteral("&Save Image..."), this);
    cmdSaveImage->setObjectName(QStringLiteral("cmdSaveImage"));
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));

    auto *top = new QHBoxLayout;
    top->addWidget(optDay);
    top->addWidget(optMonth);
    top->addSpacing(24);
    top->addWidget(lblPoint, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblNote, 1);
    bottom->addWidget(cmdPrint);
    bottom->addWidget(cmdSaveImage);
    bottom->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(chtEbNo, 1);
    layout->addLayout(bottom);

    connect(optDay, &QRadioButton::clicked, this, [this] { showDay(m_day); });
    connect(optMonth, &QRadioButton::clicked, this, [this] { showMonth(m_day); });
    connect(cmdPrint, &QPushButton::clicked, this, &frmEbNoChart::printChart);
    connect(cmdSaveImage, &QPushButton::clicked, this, &frmEbNoChart::chooseImageFile);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
}

QChart *frmEbNoChart::chart() const
{
    return chtEbNo->chart();
}

QString frmEbNoChart::dayText(const QDate &day) const
{
    return day.toString(QStringLiteral("MM/dd/yy"));
}

void frmEbNoChart::showDay(const QDate &day)
{
    m_day = day;
    optDay->setChecked(true);
    setWindowTitle(QStringLiteral("EbNo Chart for ") + dayText(day));
    lblNote->setText(QStringLiteral("Reading the EbNo log of ") + dayText(day) + QStringLiteral(" ..."));
    m_load.start([day] { return loadEbNoDay(day); }, [this, day](EbNoDay data) { dayRead(day, std::move(data)); });
}

void frmEbNoChart::dayRead(const QDate &day, EbNoDay data)
{
    m_dayData = std::move(data);
    m_shownMonth = false;
    if (!m_dayData.error.isEmpty())
        ShowErrorMessage(m_dayData.error);
    const bool none = m_dayData.traces[0].readings() + m_dayData.traces[1].readings() == 0;
    const QString title = QStringLiteral("Eb/No on ") + dayText(day) + (none ? QStringLiteral(": no readings") : QString());
    // A click on a reading still reaches it; a drag elsewhere zooms.
    chtEbNo->setRubberBand(QChartView::RubberBands(QChartView::HorizontalRubberBand) | QChartView::ClickThroughRubberBand);
    // Two readings at most for each pixel column of the widest chart the screen holds.
    showChart(EbNoCharts::dayChart(m_dayData, title, std::bind_front(&frmEbNoChart::pointAt, this),
                                   screen()->size().width()));
    lblPoint->setText(kPointHint);
    QStringList notes{m_dayData.partRead};
    if (m_dayData.unreadLines > 0)
        notes.append(
            QStringLiteral("%1 line(s) of the log are in no reading's layout and are not shown.").arg(m_dayData.unreadLines));
    lblNote->setText(notes.join(QLatin1Char(' ')).trimmed());
}

void frmEbNoChart::showMonth(const QDate &last)
{
    m_day = last;
    optMonth->setChecked(true);
    setWindowTitle(QStringLiteral("EbNo Month to ") + dayText(last));
    lblNote->setText(QStringLiteral("Reading the EbNo logs of the month to ") + dayText(last) + QStringLiteral(" ..."));
    m_load.start([last] { return loadEbNoMonth(last); },
                 [this, last](EbNoMonth data) { monthRead(last, std::move(data)); });
}

void frmEbNoChart::monthRead(const QDate &last, EbNoMonth data)
{
    m_monthData = std::move(data);
    m_shownMonth = true;
    if (!m_monthData.error.isEmpty())
        ShowErrorMessage(m_monthData.error);
    const QString title = QStringLiteral("Eb/No from %1 to %2: each day's lowest, mean and highest reading")
                              .arg(dayText(m_monthData.first), dayText(last));
    chtEbNo->setRubberBand(QChartView::NoRubberBand);
    showChart(EbNoCharts::monthChart(m_monthData, title, std::bind_front(&frmEbNoChart::pointAt, this)));
    lblPoint->setText(kDayHint);
    lblNote->setText(m_monthData.partRead);
}

void frmEbNoChart::showChart(QChart *chart)
{
    QChart *old = chtEbNo->chart();
    chtEbNo->setChart(chart);
    delete old;
}

void frmEbNoChart::pointAt(int receiver, const QPointF &value, bool clicked)
{
    QString text;
    if (!m_shownMonth) {
        const std::optional<EbNoPoint> p = nearestReading(m_dayData.traces[receiver - 1], value.x() * 3600);
        if (!p)
            return;
        text = EbNoCharts::traceName(receiver, m_dayData.tagged) + QStringLiteral(" at ")
            + QTime(0, 0).addSecs(p->seconds).toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(": ")
            + decibels(p->dB);
    } else {
        const int d = std::clamp(int(std::floor(value.x())), 0, kMonthDays - 1);
        const std::optional<EbNoDayStats> &stats = m_monthData.days[receiver - 1].at(d);
        if (!stats)
            return;
        const QDate day = m_monthData.first.addDays(d);
        if (clicked) {
            // Later: the series that was clicked belongs to the chart that
            // showDay replaces.
            QTimer::singleShot(0, this, [this, day] { showDay(day); });
            return;
        }
        text = EbNoCharts::traceName(receiver, m_monthData.tagged) + QStringLiteral(" on ") + dayText(day)
            + QStringLiteral(": lowest ") + decibels(stats->lowest) + QStringLiteral(", mean ")
            + decibels(stats->mean, 2) + QStringLiteral(", highest ") + decibels(stats->highest);
    }
    lblPoint->setText(text);
    QToolTip::showText(QCursor::pos(), text, chtEbNo);
}

void frmEbNoChart::printChart()
{
    const PrintResult result =
        printPage(QStringLiteral("Kestrelpoint EbNo Chart"), [this](QPainter &painter, const QRect &page) {
            chtEbNo->render(&painter, QRectF(page), chtEbNo->viewport()->rect(), Qt::KeepAspectRatio);
        });
    if (!result.ok)
        ShowErrorMessage(ErrorReportText(result.number, result.description));
}

void frmEbNoChart::chooseImageFile()
{
    const QString name = QStringLiteral("EbNo-") + m_day.toString(QStringLiteral("yyMMdd"))
        + (optMonth->isChecked() ? QStringLiteral("-month") : QString()) + QStringLiteral(".png");
    // Opened without a nested event loop: the clock tick runs on meanwhile.
    auto *dialog = new QFileDialog(this, QStringLiteral("Save Image"), QDir::home().filePath(name),
                                   QStringLiteral("PNG images (*.png)"));
    dialog->setObjectName(QStringLiteral("dlgSaveImage"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("png"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, &frmEbNoChart::saveImage);
    dialog->open();
}

void frmEbNoChart::saveImage(const QString &path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    chtEbNo->grab().save(&buffer, "PNG");
    QString error;
    if (!FileWrite::replace(path, bytes, &error))
        ShowErrorMessage(error + QStringLiteral(".  The picture ") + path + QStringLiteral(" was not saved."));
}
