#pragma once

// Data folders for the benchmarks: settings and schedule files written the
// way the program writes them.

#include "platform/codec.h"
#include "schedule/schedulerecord.h"

#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QList>
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

// Schedules of receiver 1 switching `count` times, `apart` seconds from
// `first` (to the whole second): "SETAUDIO 2 S ENG 7" and a momentary remote
// start each, named `name` 1, 2, ... The moments go into `due`.
inline QByteArray switchesFrom(const QDateTime &first, int count, int apart, const QString &name, QList<QDateTime> &due)
{
    QByteArray schedules;
    for (int i = 0; i < count; ++i) {
        QDateTime t = first.addSecs(apart * i);
        t.setTime(QTime(t.time().hour(), t.time().minute(), t.time().second()));
        due << t;
        ScheduleRecord r;
        r.PgmName = QStringLiteral("%1 %2").arg(name).arg(i + 1);
        r.SatLang = QStringLiteral("ENG");
        r.SatPort = QStringLiteral("2");
        r.SatRoute = QStringLiteral("2");
        r.SatAtt = QStringLiteral("7");
        r.RemoteStart = 2;
        r.Receiver = 1;
        r.SwitchTime[t.date().dayOfWeek() % 7] = t.time().toString(QStringLiteral("HH:mm:ss"));
        schedules += Codec::toWindows1252(BuildScheduleRecord(r));
    }
    return schedules;
}

// The first "SETAUDIO " of each switch in the simulated receiver's output,
// whose lines begin with their time "HH:mm:ss.zzz" (today, or after
// midnight): each switch sends twice, 2 s apart, and the first of a pair counts.
inline QList<QDateTime> firstSends(const QByteArray &simOut)
{
    QList<QDateTime> sends;
    for (const QByteArray &line : simOut.split('\n')) {
        if (!line.contains("SETAUDIO"))
            continue;
        QDateTime when(QDate::currentDate(), QTime::fromString(QString::fromLatin1(line.left(12)), QStringLiteral("HH:mm:ss.zzz")));
        if (!sends.isEmpty() && when < sends.last())
            when = when.addDays(1);
        if (sends.isEmpty() || sends.last().msecsTo(when) > 3000)
            sends << when;
    }
    return sends;
}

}
