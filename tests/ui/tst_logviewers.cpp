#include "windows.h"

#include "ui/frmactivitylog.h"
#include "ui/frmebnochart.h"
#include "ui/frmmpeglog.h"
#include "ui/logdaylist.h"

#include <QAbstractAxis>
#include <QAction>
#include <QAreaSeries>
#include <QChartView>
#include <QDir>
#include <QLabel>
#include <QLineSeries>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QThreadPool>
#include <QTimer>

namespace {

// A station whose logs folder holds the given day files.
struct Logs : WindowStation
{
    explicit Logs(const QMap<QString, QByteArray> &files = {}, const QDateTime &start = kTestMonday)
        : WindowStation(start)
    {
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            home.write(QStringLiteral("logs/") + it.key(), it.value());
    }
    QWidget *open(const QString &kind)
    {
        station.LogKind = kind;
        if (kind == QLatin1String("MP"))
            return window = shown(new frmMPEGLog(station));
        return window = shown(new frmActivityLog(station));
    }
    // The viewer of the kind with Chart clicked on the newest day, once drawn.
    frmEbNoChart *openChart(const QString &kind = QStringLiteral("EB"))
    {
        QTest::mouseClick(control<QPushButton>(open(kind), "cmdChart"), Qt::LeftButton);
        auto *chart = window->findChild<frmEbNoChart *>();
        return chart && QTest::qWaitForWindowExposed(chart) && QTest::qWaitFor([=] { return !chart->isLoading(); }, 30000)
            ? chart
            : nullptr;
    }
    QListWidget *days() const { return control<QListWidget>(window, "lstDate"); }
    QListView *lines() const { return control<QListView>(window, "lstActivityLog"); }
    QStringList texts() const { return LogDayList::shownLines(lines()); }
    bool loading() const
    {
        auto *viewer = qobject_cast<frmActivityLog *>(window);
        return viewer ? viewer->isLoading() : static_cast<frmMPEGLog *>(window.data())->isLoading();
    }
    // Ok, and the day read.
    void ok() const
    {
        press(window, "cmdOk");
        QVERIFY(QTest::qWaitFor([this] { return !loading(); }, 30000));
    }
    QPointer<QWidget> window;
};

// Receiver 1 has a reading alone before a "None"; receiver 2 is unbroken.
const QByteArray kDay = "10:00:12 R1 8.5\r\n10:00:20 R2 9.1\r\n10:01:12 R1 None\r\n10:01:20 R2 9\r\n"
                        "10:02:12 R1 8.4\r\n10:02:20 R2 8.9\r\n10:03:12 R1 8.3\r\n";

const QDateTime kChartDay(QDate(2007, 3, 27), QTime(12, 0));

// The points of the series named: "HH:MM:SS=dB" on a day, "MM/dd=dB" on the month to 03/26/07.
QStringList points(frmEbNoChart *w, const QString &name)
{
    QList<QPointF> all;
    for (QAbstractSeries *series : w->chart()->series()) {
        auto *area = qobject_cast<QAreaSeries *>(series);
        if (series->name() == name)
            all += area ? area->upperSeries()->points() : static_cast<QXYSeries *>(series)->points();
    }
    std::stable_sort(all.begin(), all.end(), [](const QPointF &a, const QPointF &b) { return a.x() < b.x(); });
    const bool month = w->windowTitle().contains(QLatin1String("Month"));
    QStringList texts;
    for (const QPointF &p : all) {
        texts.append((month ? QDate(2007, 2, 24).addDays(int(p.x())).toString(QStringLiteral("MM/dd"))
                            : QTime(0, 0).addSecs(qRound(p.x() * 3600)).toString(QStringLiteral("HH:mm:ss")))
                     + QLatin1Char('=') + QString::number(p.y()));
    }
    return texts;
}

// Clicks where the chart draws a value.
void clickAt(frmEbNoChart *w, const QPointF &value)
{
    auto *view = w->findChild<QChartView *>(QStringLiteral("chtEbNo"));
    const QPointF inChart = w->chart()->mapToPosition(value, w->chart()->series().first());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->mapFromScene(w->chart()->mapToScene(inChart)));
}

} // namespace

// The activity, Eb/No and MPEG log viewers and the Eb/No chart.
class tst_LogViewers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void noLogsMakesOkDoNothing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("activity") << "AL";
        QTest::newRow("MPEG") << "MP";
    }

    void noLogsMakesOkDoNothing()
    {
        QFETCH(QString, kind);
        Logs l({{QStringLiteral("EB271205.log"), "10:00:00  9.5\r\n"}});
        l.open(kind);
        QCOMPARE(items(l.days()), QStringList{QStringLiteral("No Logs")});
        l.ok();
        QVERIFY(l.lines()->isHidden());
        QVERIFY(l.days()->isVisible());
        if (kind == QLatin1String("AL"))
            QVERIFY(!control<QAction>(l.window, "mnuPrint")->isEnabled());
        press(l.window, "cmdClose");
        QTRY_VERIFY(!l.window);
    }

    // Ok shows the day chosen as the file has it; Ok again goes back to the days.
    void okTogglesBetweenTheDaysAndTheChosenDay()
    {
        Logs l({{QStringLiteral("AL271204.log"), "09:00:00  Remote Start 1 On\r\n\r\n09:00:01  Remote Start 1 Off\r\n"},
                {QStringLiteral("AL271205.log"), "11:00:00  Alarm\r\n"},
                {QStringLiteral("EB271206.log"), "10:00:00  9.5\r\n"}});
        l.open(QStringLiteral("AL"));
        QCOMPARE(items(l.days()), (QStringList{"12/05/27", "12/04/27"}));
        QCOMPARE(l.days()->currentRow(), 0);
        l.days()->setCurrentRow(1);
        l.ok();
        QCOMPARE(l.texts(), (QStringList{"09:00:00  Remote Start 1 On", "", "09:00:01  Remote Start 1 Off"}));
        QCOMPARE(l.window->windowTitle(), QStringLiteral("Activity Log for 12/04/27"));
        QVERIFY(l.days()->isHidden() && control(l.window, "Option2")->isHidden());
        QVERIFY(control<QAction>(l.window, "mnuPrint")->isEnabled());
        l.ok();
        QVERIFY(l.lines()->isHidden());
        QVERIFY(l.days()->isVisible() && control(l.window, "Option2")->isVisible());
        QCOMPARE(l.days()->currentItem()->text(), QStringLiteral("12/04/27"));
        QCOMPARE(l.window->windowTitle(), QStringLiteral("Select Activity Log"));
    }

    // By Event is the log viewer's own order (for Eb/No, the value first).
    void byEventMovesTheTimeToTheEnd()
    {
        Logs l({{QStringLiteral("EB271205.log"), "10:00:00  9.8\r\n11:00:00  12.5\r\n"}});
        l.open(QStringLiteral("EB"));
        click(control<QRadioButton>(l.window, "Option2"));
        l.ok();
        QCOMPARE(l.texts(), (QStringList{" 12.5 11:00:00", " 9.8 10:00:00"}));
        QCOMPARE(l.window->windowTitle(), QStringLiteral("EbNo Log for 12/05/27"));
    }

    // A double-click loads the day, of the kind the viewer was opened with.
    void doubleClickLoadsADayOfTheViewersKind()
    {
        Logs l({{QStringLiteral("AL271204.log"), "10:00:00  older\r\n"},
                {QStringLiteral("AL271205.log"), "10:00:00  newer\r\n"},
                {QStringLiteral("EB271204.log"), "10:00:00  9.5\r\n"}});
        l.open(QStringLiteral("AL"));
        l.station.LogKind = QStringLiteral("EB");
        const QPoint at = l.days()->visualItemRect(l.days()->item(1)).center();
        QTest::mouseClick(l.days()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(l.days()->viewport(), Qt::LeftButton, {}, at);
        QTRY_COMPARE(l.texts(), QStringList{"10:00:00  older"});
    }

    void mpegViewerShowsTheFileInOrder()
    {
        Logs l({{QStringLiteral("MP271205.log"), "14:00:15\r\nMPEG lock\r\nPID 0x21\r\n>\r\n"},
                {QStringLiteral("MP271203.log"), "08:00:15\r\n\r\n"},
                {QStringLiteral("AL271206.log"), "10:00:00  Alarm\r\n"}});
        l.open(QStringLiteral("MP"));
        l.ok();
        QCOMPARE(l.texts(), (QStringList{"14:00:15", "MPEG lock", "PID 0x21", ">"}));
        QCOMPARE(l.window->windowTitle(), QStringLiteral("12/05/27 MPEG Log"));
        l.ok();
        QVERIFY(l.lines()->isHidden() && l.days()->isVisible());
        QCOMPARE(l.window->windowTitle(), QStringLiteral("12/05/27 MPEG Log"));
    }

    void dayChartFromTheViewer()
    {
        Logs f({{QStringLiteral("EB070326.log"), kDay}}, kChartDay);
        frmEbNoChart *w = f.openChart();
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("EbNo Chart for 03/26/07"));
        QCOMPARE(points(w, QStringLiteral("R1")), (QStringList{"10:00:12=8.5", "10:02:12=8.4", "10:03:12=8.3"}));
        QCOMPARE(points(w, QStringLiteral("R1 better")), (QStringList{"10:00:12=0", "10:00:12=0.035", "10:00:20=0.035",
                                                                      "10:00:20=0"}));
        QCOMPARE(w->chart()->axes(Qt::Vertical).first()->titleText(), QStringLiteral("Eb/No (dB)"));

        // A pixel is about a minute and a half: the reading alone is the one to point at.
        clickAt(w, {(10 * 3600 + 12) / 3600.0, 8.5});
        QCOMPARE(w->findChild<QLabel *>(QStringLiteral("lblPoint"))->text(), QStringLiteral("R1 at 10:00:12: 8.5 dB"));
        clickAt(w, {(10 * 3600 + 80) / 3600.0, 9});
        QCOMPARE(w->findChild<QLabel *>(QStringLiteral("lblPoint"))->text(), QStringLiteral("R2 at 10:01:20: 9 dB"));
        QVERIFY(f.home.errors.isEmpty());
    }

    // The clock tick goes on while a large log is read and drawn, and while
    // a viewer closed in the middle of it lets go: a tick a second late at most.
    void tickRunsWhileALargeLogLoads_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("closeAtOnce");
        QTest::newRow("900,000 alarms by event") << "AL" << false;
        QTest::newRow("the chart of a reading a second from two receivers") << "EB" << false;
        QTest::newRow("the viewer closed while it reads") << "AL" << true;
    }
    void tickRunsWhileALargeLogLoads()
    {
        QFETCH(QString, kind);
        QFETCH(bool, closeAtOnce);
        QByteArray log;
        if (kind == QLatin1String("AL")) {
            log = QByteArray("12:00:00  Alarm\r\n").repeated(900000);
        } else {
            for (int s = 0; s < 86400; ++s) {
                const QByteArray time = QTime(0, 0).addSecs(s).toString(QStringLiteral("HH:mm:ss")).toLatin1();
                log += time + " R1 8." + QByteArray::number(s % 10) + "\r\n" + time + " R2 9.1\r\n";
            }
        }
        Logs l({{kind + QStringLiteral("070326.log"), log}}, kChartDay);
        l.open(kind);
        qint64 longest = 0;
        int ticks = 0;
        QElapsedTimer since;
        QTimer tick;
        connect(&tick, &QTimer::timeout, [&] {
            longest = std::max(longest, since.restart());
            ++ticks;
        });
        since.start();
        tick.start(50);
        std::function<bool()> loading = [&l] { return l.loading(); };
        // The press only starts the reading: a window that waited for it would
        // hold the press for the whole load, whether or not a tick came late.
        QElapsedTimer load;
        load.start();
        if (kind == QLatin1String("EB")) {
            QTest::mouseClick(control<QPushButton>(l.window, "cmdChart"), Qt::LeftButton);
            QPointer<frmEbNoChart> chart = l.window->findChild<frmEbNoChart *>();
            loading = [chart] { return chart->isLoading(); };
        } else {
            click(control<QRadioButton>(l.window, "Option2"));
            press(l.window, "cmdOk");
        }
        const qint64 pressed = load.elapsed();
        QVERIFY(loading());
        if (closeAtOnce) {
            l.window->close();
            QTRY_VERIFY(!l.window);
            QTRY_COMPARE_WITH_TIMEOUT(QThreadPool::globalInstance()->activeThreadCount(), 0, 60000);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(!loading(), 60000);
        }
        qInfo("%d ticks, the longest %lld ms apart; pressed %lld of %lld ms", ticks, longest, pressed, load.elapsed());
        QVERIFY2(pressed * 4 < load.elapsed(), qPrintable(QStringLiteral("the press took %1 of %2 ms").arg(pressed).arg(load.elapsed())));
        QVERIFY2(ticks >= 1 && longest < 1050, qPrintable(QStringLiteral("%1 ticks, longest %2 ms").arg(ticks).arg(longest)));
        if (kind == QLatin1String("AL") && !closeAtOnce)
            QCOMPARE(l.texts().size(), 900000);
        QCOMPARE(l.home.errors, QStringList());
    }

    void chartOnlyForEbNo()
    {
        Logs f({{QStringLiteral("EB070326.log"), kDay}}, kChartDay);
        QVERIFY(!f.openChart(QStringLiteral("AL")));
        QVERIFY(control(f.window, "cmdChart")->isHidden());
    }

    void monthThenADay()
    {
        Logs f({{QStringLiteral("EB070223.log"), "10:00:12 R1 5\r\n"},
                {QStringLiteral("EB070224.log"), "10:00:12 R1 7\r\n"},
                {QStringLiteral("EB070320.log"), "10:00:12 R1 6\r\n10:01:12 R1 9\r\n"},
                {QStringLiteral("EB070326.log"), kDay}},
               kChartDay);
        frmEbNoChart *w = f.openChart();
        QVERIFY(w);
        QTest::mouseClick(w->findChild<QRadioButton *>(QStringLiteral("optMonth")), Qt::LeftButton);
        QCOMPARE(w->windowTitle(), QStringLiteral("EbNo Month to 03/26/07"));
        QTRY_VERIFY(!w->isLoading());
        QCOMPARE(points(w, QStringLiteral("R1 mean")), (QStringList{"02/24=7", "03/20=7.5", "03/26=8.4"}));

        clickAt(w, {24.5, 7.5});
        QTRY_COMPARE(w->windowTitle(), QStringLiteral("EbNo Chart for 03/20/07"));
        QTRY_VERIFY(!w->isLoading());
        QVERIFY(w->findChild<QRadioButton *>(QStringLiteral("optDay"))->isChecked());
        QCOMPARE(points(w, QStringLiteral("R1")), (QStringList{"10:00:12=6", "10:01:12=9"}));
    }

    void printDrawsTheChart()
    {
        Logs f({{QStringLiteral("EB070326.log"), kDay}}, kChartDay);
        const QString folder = f.home.file(QStringLiteral("logs"));
        qputenv("KESTRELPOINT_PRINT_PDF", folder.toLocal8Bit());
        frmEbNoChart *w = f.openChart();
        QVERIFY(w);
        QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("cmdPrint")), Qt::LeftButton);
        qunsetenv("KESTRELPOINT_PRINT_PDF");
        const QStringList pdfs = QDir(folder).entryList({QStringLiteral("*.pdf")});
        QCOMPARE(pdfs.size(), 1);
        if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
            QProcess tool;
            tool.start(QStringLiteral("pdftotext"), {QDir(folder).filePath(pdfs.at(0)), QStringLiteral("-")});
            QVERIFY(tool.waitForFinished(30000));
            const QString text = QString::fromUtf8(tool.readAllStandardOutput());
            QVERIFY2(text.contains(QLatin1String("Eb/No on 03/26/07")) && text.contains(QLatin1String("Time of day")),
                     qPrintable(text));
        }
    }
};

QTEST_MAIN(tst_LogViewers)
#include "tst_logviewers.moc"
