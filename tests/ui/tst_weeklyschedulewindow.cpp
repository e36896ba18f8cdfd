#include "station/station.h"
#include "platform/clock.h"
#include "platform/parallelport.h"
#include "ui/frmweeklyschedule.h"

#include "testdata.h"

#include <QListWidget>
#include <QPointer>
#include <QPushButton>

namespace {

ScheduleRecord weekdays(const QString &name, const QString &time, int receiver)
{
    ScheduleRecord r;
    r.PgmName = name;
    r.Receiver = receiver;
    for (int d = 1; d <= 5; ++d)
        r.SwitchTime[d] = time;
    return r;
}

QStringList items(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

} // namespace

class tst_WeeklyScheduleWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsBothReceiversByDayAndTimeAndRebuilds()
    {
        TestHome home;
        ManualClock clock(QDateTime(QDate(2007, 3, 26), QTime(12, 0)));
        Station station(clock, openParallelPort(home.file(QStringLiteral("lpt"))));
        QString error;
        QVERIFY2(station.InitProgram(&error), qPrintable(error));
        QVERIFY(station.store().WriteScheduleRecord(1, BuildScheduleRecord(weekdays(QStringLiteral("News"), QStringLiteral("18:00:00"), 1))));
        QVERIFY(station.store().WriteScheduleRecord(2, BuildScheduleRecord(weekdays(QString(), QStringLiteral("06:00:00"), 2))));

        QPointer<frmWeeklySchedule> w = new frmWeeklySchedule(station);
        auto *list = w->findChild<QListWidget *>(QStringLiteral("lstWeeklySchedule"));
        QVERIFY(list);
        QCOMPARE(list->count(), 10);
        w->BuildWeeklySchedule();
        QVERIFY(w->isVisible());
        const QStringList shown = items(list);
        QCOMPARE(shown.size(), 10);
        QCOMPARE(shown.at(0), QStringLiteral("Mon 06:00:00 ") + QString(25, QLatin1Char(' ')));
        QCOMPARE(shown.at(1), QStringLiteral("Mon 18:00:00 News                     "));
        QCOMPARE(shown.at(9), QStringLiteral("Fri 18:00:00 News                     "));

        // The open window keeps its snapshot until the menu builds it again.
        QVERIFY(station.store().DeleteSchedule(2));
        QCOMPARE(list->count(), 10);
        w->BuildWeeklySchedule();
        QCOMPARE(items(list).size(), 5);
        QVERIFY(items(list).at(0).endsWith(QLatin1String("News                     ")));

        QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("cmdClose")), Qt::LeftButton);
        QTRY_VERIFY(w.isNull());
    }
};

QTEST_MAIN(tst_WeeklyScheduleWindow)
#include "tst_weeklyschedulewindow.moc"
