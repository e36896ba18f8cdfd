#pragma once

#include <QByteArray>

struct StatusView;

// The figures of the process itself, as every Prometheus client library
// reports them (process_*), read from /proc at each scrape.
struct ProcessFigures
{
    double cpuSeconds = 0;
    double startTime = 0; // seconds since the epoch
    double residentBytes = 0;
    double virtualBytes = 0;
    double openFds = 0;
    double maxFds = 0;
    bool valid = false;
};
ProcessFigures readProcessFigures();

// GET /metrics: the Prometheus text format (version 0.0.4). Every metric
// name the program exposes is in exposition.cpp and nowhere else.
inline constexpr char kMetricsContentType[] = "text/plain; version=0.0.4; charset=utf-8";
QByteArray metricsText(const StatusView &view, const ProcessFigures &process);
