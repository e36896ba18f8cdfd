#pragma once

#include "station/ebnoseries.h"

#include <QPointF>

#include <functional>

class QChart;

// The Eb/No charts, drawn with Qt Charts from what the station layer built.
// The day chart plots the readings against the time of day in hours, one
// series per unbroken run so that gaps stay gaps, with a strip along the
// bottom in the colour of the receiver the output bits named better. The
// month chart puts each receiver's daily lowest-to-highest band and its mean
// over the days numbered from 0, a day spanning [d, d + 1).
namespace EbNoCharts {

// A reading pointed at (hovered) or clicked: the receiver and the point in
// the chart's values.
using PointHandler = std::function<void(int receiver, const QPointF &value, bool clicked)>;

// "R1" and "R2", or "Eb/No" for the only receiver of an untagged log.
QString traceName(int receiver, bool tagged);

// Hours on the x axis (labelled at round times, again after each zoom), and
// decibels on the y axis. However many readings the day has, the chart draws
// at most two of each of `columns` columns across the span shown (its
// lowest and highest), again after each zoom, and at most kMostDrawnRuns
// lines and strips a receiver.
inline constexpr int kMostDrawnRuns = 60;
QChart *dayChart(const EbNoDay &day, const QString &title, const PointHandler &onPoint, int columns);
QChart *monthChart(const EbNoMonth &month, const QString &title, const PointHandler &onPoint);

}
