#include "ebnocharts.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

// Blue and vermilion stay apart for colour-blind eyes and in grey print.
QColor receiverColour(int receiver)
{
    return receiver == 2 ? QColor(0xd5, 0x5e, 0x00) : QColor(0x00, 0x5a, 0xb5);
}

QColor faded(QColor colour, int alpha)
{
    colour.setAlpha(alpha);
    return colour;
}

// Only the first series of a kind gets a legend entry: the runs after a gap
// are the same receiver.
void addSeries(QChart *chart, QAbstractSeries *series, QAbstractAxis *x, QAbstractAxis *y, bool inLegend)
{
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
    if (!inLegend) {
        for (QLegendMarker *marker : chart->legend()->markers(series))
            marker->setVisible(false);
    }
}

// A line, a scatter or a band: each tells where the pointer rests and where
// it was clicked.
template <typename Series>
void connectPoints(Series *series, int receiver, const EbNoCharts::PointHandler &onPoint)
{
    QObject::connect(series, &Series::hovered, series, [=](const QPointF &point, bool state) {
        if (state)
            onPoint(receiver, point, false);
    });
    QObject::connect(series, &Series::clicked, series, [=](const QPointF &point) { onPoint(receiver, point, true); });
}

QValueAxis *decibelAxis(std::optional<double> lowest, std::optional<double> highest)
{
    const EbNoAxisRange range = ebNoAxisRange(lowest, highest);
    auto *axis = new QValueAxis;
    axis->setRange(range.low, range.high);
    const double span = range.high - range.low;
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(span <= 12 ? 1 : span <= 24 ? 2 : 5);
    axis->setLabelFormat(QStringLiteral("%.0f"));
    axis->setTitleText(QStringLiteral("Eb/No (dB)"));
    return axis;
}

QChart *newChart(const QString &title)
{
    auto *chart = new QChart;
    chart->setTitle(title);
    QFont font = chart->titleFont();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    font.setBold(true);
    chart->setTitleFont(font);
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

double hours(int seconds)
{
    return seconds / 3600.0;
}

// "HH:MM", up to "24:00" at the end of the day.
QString clockLabel(int seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 3600, 2, 10, QLatin1Char('0')).arg(seconds % 3600 / 60, 2, 10,
                                                                                    QLatin1Char('0'));
}

// A label at each round time of the span shown.
void labelTimes(QCategoryAxis *axis, qreal fromHours, qreal toHours)
{
    for (const QString &label : axis->categoriesLabels())
        axis->remove(label);
    const int step = ebNoTimeStep((toHours - fromHours) * 3600);
    const int first = int(std::ceil(fromHours * 3600 / step - 1e-6)) * step;
    axis->setStartValue(hours(first));
    for (int t = first; t <= toHours * 3600 + 1e-3; t += step)
        axis->append(clockLabel(t), hours(t));
}

// The better receiver's strip: a low block under each of its periods, on an
// axis of its own so that it never moves with the readings.
QAreaSeries *betterStrip(const QList<EbNoBetterPeriod> &periods, int receiver)
{
    constexpr double kHeight = 0.035;
    auto *upper = new QLineSeries;
    auto *lower = new QLineSeries;
    for (const EbNoBetterPeriod &p : periods) {
        upper->append({{hours(p.from), 0}, {hours(p.from), kHeight}, {hours(p.to), kHeight}, {hours(p.to), 0}});
        lower->append({{hours(p.from), 0}, {hours(p.to), 0}});
    }
    auto *strip = new QAreaSeries(upper, lower);
    upper->setParent(strip);
    lower->setParent(strip);
    strip->setName(EbNoCharts::traceName(receiver, true) + QStringLiteral(" better"));
    strip->setBrush(faded(receiverColour(receiver), 150));
    strip->setPen(Qt::NoPen);
    return strip;
}

} // namespace

QString EbNoCharts::traceName(int receiver, bool tagged)
{
    if (!tagged)
        return QStringLiteral("Eb/No");
    return receiver == 2 ? QStringLiteral("R2") : QStringLiteral("R1");
}

namespace {

QList<QPointF> chartPoints(const EbNoRun &run)
{
    QList<QPointF> points;
    points.reserve(run.size());
    for (const EbNoPoint &p : run)
        points.append({hours(p.seconds), p.dB});
    return points;
}

// The lines of the day chart with the readings each stands for, drawn anew
// for the span shown.
struct DrawnLines
{
    QList<std::pair<QLineSeries *, EbNoRun>> lines;
    int columns;
    void draw(qreal fromHours, qreal toHours) const
    {
        for (const auto &[line, run] : lines)
            line->replace(chartPoints(drawnReadings(run, fromHours * 3600, toHours * 3600, columns)));
    }
};

} // namespace

QChart *EbNoCharts::dayChart(const EbNoDay &day, const QString &title, const PointHandler &onPoint, int columns)
{
    QChart *chart = newChart(title);
    auto *x = new QCategoryAxis;
    x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    x->setTitleText(QStringLiteral("Time of day"));
    const EbNoTimeRange time = ebNoTimeRange(day);
    x->setRange(hours(time.from), hours(time.to));
    labelTimes(x, hours(time.from), hours(time.to));
    QValueAxis *y = decibelAxis(day.lowest, day.highest);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);

    DrawnLines drawn{{}, columns};
    for (int receiver = 1; receiver <= 2; ++receiver) {
        const QString name = traceName(receiver, day.tagged);
        QPen pen(receiverColour(receiver), 2);
        bool inLegend = true;
        // A reading with a gap on both sides has no line to be part of.
        auto *alone = new QScatterSeries;
        alone->setName(name);
        alone->setMarkerSize(7);
        alone->setColor(receiverColour(receiver));
        alone->setBorderColor(receiverColour(receiver));
        for (const EbNoRun &run : drawnRuns(day.traces[receiver - 1].runs, kMostDrawnRuns)) {
            if (run.size() == 1) {
                alone->append(hours(run.first().seconds), run.first().dB);
                continue;
            }
            auto *line = new QLineSeries;
            line->setName(name);
            line->setPen(pen);
            drawn.lines.append({line, run});
            addSeries(chart, line, x, y, inLegend);
            connectPoints(line, receiver, onPoint);
            inLegend = false;
        }
        if (alone->count() == 0) {
            delete alone;
            continue;
        }
        addSeries(chart, alone, x, y, inLegend);
        connectPoints(alone, receiver, onPoint);
    }
    drawn.draw(hours(time.from), hours(time.to));
    // Zooming in or out labels and draws the new span, within the day.
    QObject::connect(x, &QValueAxis::rangeChanged, x, [x, drawn](qreal from, qreal to) {
        if (from < 0 || to > 24) {
            x->setRange(std::max(from, 0.0), std::min(to, 24.0));
            return;
        }
        labelTimes(x, from, to);
        drawn.draw(from, to);
    });

    if (!day.better.isEmpty()) {
        auto *strip = new QValueAxis;
        strip->setRange(0, 1);
        strip->setVisible(false);
        chart->addAxis(strip, Qt::AlignRight);
        for (int receiver = 1; receiver <= 2; ++receiver)
            addSeries(chart, betterStrip(drawnPeriods(day.better, receiver, kMostDrawnRuns), receiver), x, strip, true);
    }
    return chart;
}

QChart *EbNoCharts::monthChart(const EbNoMonth &month, const QString &title, const PointHandler &onPoint)
{
    QChart *chart = newChart(title);
    auto *x = new QCategoryAxis;
    x->setRange(0, kMonthDays);
    x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    for (int d = 0; d < kMonthDays; ++d)
        x->append(month.first.addDays(d).toString(QStringLiteral("MM/dd")), d + 1);
    x->setLabelsAngle(-90);
    x->setTitleText(QStringLiteral("Day"));
    QValueAxis *y = decibelAxis(month.lowest, month.highest);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);

    for (int receiver = 1; receiver <= 2; ++receiver) {
        const QList<std::optional<EbNoDayStats>> &days = month.days[receiver - 1];
        const QString name = traceName(receiver, month.tagged);
        bool inLegend = true;
        for (int d = 0; d < days.size();) {
            if (!days.at(d)) {
                ++d;
                continue;
            }
            // One band and one mean line per run of days with readings.
            auto *highest = new QLineSeries;
            auto *lowest = new QLineSeries;
            auto *mean = new QLineSeries;
            for (; d < days.size() && days.at(d); ++d) {
                highest->append({{double(d), days.at(d)->highest}, {d + 1.0, days.at(d)->highest}});
                lowest->append({{double(d), days.at(d)->lowest}, {d + 1.0, days.at(d)->lowest}});
                mean->append(d + 0.5, days.at(d)->mean);
            }
            auto *band = new QAreaSeries(highest, lowest);
            highest->setParent(band);
            lowest->setParent(band);
            band->setName(name + QStringLiteral(" lowest to highest"));
            band->setBrush(faded(receiverColour(receiver), 70));
            band->setPen(QPen(faded(receiverColour(receiver), 140), 1));
            addSeries(chart, band, x, y, inLegend);
            connectPoints(band, receiver, onPoint);

            mean->setName(name + QStringLiteral(" mean"));
            mean->setPen(QPen(receiverColour(receiver), 2));
            mean->setPointsVisible(true);
            addSeries(chart, mean, x, y, inLegend);
            connectPoints(mean, receiver, onPoint);
            inLegend = false;
        }
    }
    return chart;
}
