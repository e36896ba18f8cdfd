#pragma once

// Data folders for the benchmarks: settings and schedule files written the
// way the program writes them.

#include "platform/codec.h"
#include "schedule/schedulerecord.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QTime>
#include <QWidget>

namespace BenchData {

// Counts a widget's paints.
struct Paints : QObject
{
    explicit Paints(QWidget *widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
    int count = 0;
};

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
}

// 999 schedules with a time on every day, none of them within `quietMinutes`
// of `from`, alternating between the two receivers.
inline QByteArray busyWeek(const QTime &from, int quietMinutes)
{
    QByteArray bytes;
    for (int n = 1; n <= 999; ++n) {
        ScheduleRecord r;
        r.PgmName = QStringLiteral("Program %1").arg(n);
        r.SatLang = QStringLiteral("ENG");
        r.SatPort = QStringLiteral("1");
        r.SatRoute = QStringLiteral("2");
        r.SatAtt = QStringLiteral("0");
        r.RemoteStart = 1;
        r.Receiver = 1 + n % 2;
        const int quietStart = from.msecsSinceStartOfDay() / 1000;
        for (int d = 0; d < 7; ++d) {
            int s = (n * 61 + d * 3607) % 86400;
            const int into = (s - quietStart + 86400) % 86400;
            if (into < quietMinutes * 60)
                s = (quietStart + quietMinutes * 60 + into) % 86400;
            r.SwitchTime[d] = QTime(0, 0).addSecs(s).toString(QStringLiteral("HH:mm:ss"));
        }
        bytes += Codec::toWindows1252(BuildScheduleRecord(r));
    }
    return bytes;
}

// Settings: ports 1 and 2, 9600 baud, activity log on, Eb/No rate, MPEG log,
// parallel port in use, two receivers, model 4K.
inline QByteArray settings(int ebNoRate, bool twoReceivers)
{
    return QByteArray("111") + char('0' + ebNoRate) + QByteArray("11w") + (twoReceivers ? "1" : "0") + "20";
}

}
