#include "station/station.h"
#include "platform/clock.h"
#include "platform/parallelport.h"
#include "ui/frmactivitylog.h"
#include "ui/frmmpeglog.h"
#include "ui/twips.h"

#include "testdata.h"

#include <QAction>
#include <QDir>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>

namespace {

struct Fixture
{
    TestHome home;
    ManualClock clock{QDateTime(QDate(2007, 3, 27), QTime(12, 0))};
    Station station{clock, openParallelPort(home.file(QStringLiteral("lpt")))};

    Fixture()
    {
        QString error;
        if (!station.InitProgram(&error))
            qFatal("start-up failed: %s", qPrintable(error));
    }
    void log(const QString &name, const QByteArray &contents) { home.write(QStringLiteral("logs/") + name, contents); }
};

QStringList items(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

template<typename T> T *control(QWidget &window, const char *name)
{
    T *child = window.findChild<T *>(QLatin1String(name));
    if (!child)
        qFatal("no control %s", name);
    return child;
}

} // namespace

class tst_LogViewers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void noLogsMakesOkDoNothing()
    {
        Fixture f;
        f.station.LogKind = QStringLiteral("AL");
        frmActivityLog w(f.station);
        auto *lstDate = control<QListWidget>(w, "lstDate");
        QCOMPARE(items(lstDate), QStringList{QStringLiteral("No Logs")});
        QCOMPARE(w.windowTitle(), QStringLiteral("Load Activity Log"));

        QTest::mouseClick(control<QPushButton>(w, "cmdOk"), Qt::LeftButton);
        QVERIFY(control<QListWidget>(w, "lstActivityLog")->isHidden());
        QVERIFY(!lstDate->isHidden());
        QVERIFY(!control<QAction>(w, "mnuPrint")->isEnabled());
        QCOMPARE(w.windowTitle(), QStringLiteral("Load Activity Log"));
    }

    void daysListNewestFirst()
    {
        Fixture f;
        f.log(QStringLiteral("AL070325.log"), "10:00:00  a\r\n");
        f.log(QStringLiteral("AL070326.log"), "10:00:00  b\r\n");
        f.log(QStringLiteral("EB070327.log"), "10:00:00  9.5\r\n");
        f.station.LogKind = QStringLiteral("AL");
        frmActivityLog w(f.station);
        auto *lstDate = control<QListWidget>(w, "lstDate");
        QCOMPARE(items(lstDate), (QStringList{QStringLiteral("03/26/07"), QStringLiteral("03/25/07")}));
        QCOMPARE(lstDate->currentRow(), 0);
        QVERIFY(control<QRadioButton>(w, "Option1")->isChecked());
    }

    void byTimeShowsTheFileAsWritten()
    {
        Fixture f;
        f.log(QStringLiteral("AL070326.log"), "09:00:00  Remote Start 1 On\r\n\r\n09:00:01  Remote Start 1 Off\r\n");
        f.station.LogKind = QStringLiteral("AL");
        frmActivityLog w(f.station);
        QTest::mouseClick(control<QPushButton>(w, "cmdOk"), Qt::LeftButton);
        auto *lstActivityLog = control<QListWidget>(w, "lstActivityLog");
        QVERIFY(!lstActivityLog->isHidden());
        QVERIFY(control<QListWidget>(w, "lstDate")->isHidden());
        QVERIFY(control<QRadioButton>(w, "Option1")->isHidden());
        QCOMPARE(items(lstActivityLog), (QStringList{QStringLiteral("09:00:00  Remote Start 1 On"), QString(),
                                                     QStringLiteral("09:00:01  Remote Start 1 Off")}));
        QCOMPARE(w.windowTitle(), QStringLiteral("Activity Log for 03/26/07"));
        QVERIFY(control<QAction>(w, "mnuPrint")->isEnabled());
    }

    void byEventMovesTheTimeToTheEnd_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("caption");

        QTest::newRow("activity lines sorted by their text")
            << QStringLiteral("AL") << QByteArray("09:00:00  Remote Start 1 On\r\n10:00:00  Alarm\r\n")
            << QStringList{QStringLiteral(" Alarm 10:00:00"), QStringLiteral(" Remote Start 1 On 09:00:00")}
            << QStringLiteral("Activity Log for 03/26/07");
        QTest::newRow("Eb/No values sorted as text, 12.5 before 9.8")
            << QStringLiteral("EB") << QByteArray("10:00:00  9.8\r\n11:00:00  12.5\r\n")
            << QStringList{QStringLiteral(" 12.5 11:00:00"), QStringLiteral(" 9.8 10:00:00")}
            << QStringLiteral("EbNo Log for 03/26/07");
    }

    void byEventMovesTheTimeToTheEnd()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, contents);
        QFETCH(QStringList, shown);
        QFETCH(QString, caption);
        Fixture f;
        f.log(kind + QStringLiteral("070326.log"), contents);
        f.station.LogKind = kind;
        frmActivityLog w(f.station);
        QTest::mouseClick(control<QRadioButton>(w, "Option2"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(w, "cmdOk"), Qt::LeftButton);
        QCOMPARE(items(control<QListWidget>(w, "lstActivityLog")), shown);
        QCOMPARE(w.windowTitle(), caption);
    }

    void okWhileShownReturnsToTheChosenDay()
    {
        Fixture f;
        f.log(QStringLiteral("AL070325.log"), "09:00:00  Remote Start 1 On\r\n10:00:00  Alarm\r\n");
        f.log(QStringLiteral("AL070326.log"), "11:00:00  Alarm\r\n");
        f.station.LogKind = QStringLiteral("AL");
        frmActivityLog w(f.station);
        auto *lstDate = control<QListWidget>(w, "lstDate");
        auto *lstActivityLog = control<QListWidget>(w, "lstActivityLog");
        auto *cmdOk = control<QPushButton>(w, "cmdOk");
        lstDate->setCurrentRow(1);
        QTest::mouseClick(cmdOk, Qt::LeftButton);
        QCOMPARE(lstActivityLog->count(), 2);

        QTest::mouseClick(cmdOk, Qt::LeftButton);
        QVERIFY(!lstDate->isHidden());
        QVERIFY(!control<QRadioButton>(w, "Option2")->isHidden());
        QVERIFY(lstActivityLog->isHidden());
        QCOMPARE(lstActivityLog->count(), 0);
        QCOMPARE(lstDate->currentItem()->text(), QStringLiteral("03/25/07"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Select Activity Log"));

        QTest::mouseClick(control<QRadioButton>(w, "Option2"), Qt::LeftButton);
        QTest::mouseClick(cmdOk, Qt::LeftButton);
        QCOMPARE(items(lstActivityLog),
                 (QStringList{QStringLiteral(" Alarm 10:00:00"), QStringLiteral(" Remote Start 1 On 09:00:00")}));
        QCOMPARE(w.windowTitle(), QStringLiteral("Activity Log for 03/25/07"));
    }

    void emptyDayFileDoesNotExist()
    {
        Fixture f;
        f.log(QStringLiteral("EB070326.log"), QByteArray());
        f.station.LogKind = QStringLiteral("EB");
        frmActivityLog w(f.station);
        QTest::mouseClick(control<QPushButton>(w, "cmdOk"), Qt::LeftButton);
        QCOMPARE(items(control<QListWidget>(w, "lstActivityLog")),
                 QStringList{QStringLiteral("Log for 03/26/07 does not exist.")});
        QVERIFY(f.home.errors.isEmpty());
    }

    void doubleClickOnADayLoadsIt()
    {
        Fixture f;
        f.log(QStringLiteral("AL070325.log"), "10:00:00  older\r\n");
        f.log(QStringLiteral("AL070326.log"), "10:00:00  newer\r\n");
        f.station.LogKind = QStringLiteral("AL");
        frmActivityLog w(f.station);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *lstDate = control<QListWidget>(w, "lstDate");
        const QPoint at = lstDate->visualItemRect(lstDate->item(1)).center();
        QTest::mouseClick(lstDate->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(lstDate->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(items(control<QListWidget>(w, "lstActivityLog")), QStringList{QStringLiteral("10:00:00  older")});
    }

    void viewerKeepsTheKindItWasOpenedWith()
    {
        Fixture f;
        f.log(QStringLiteral("AL070326.log"), "10:00:00  Alarm\r\n");
        f.log(QStringLiteral("EB070326.log"), "10:00:00  9.5\r\n");
        f.station.LogKind = QStringLiteral("AL");
        frmActivityLog w(f.station);
        f.station.LogKind = QStringLiteral("EB");
        QTest::mouseClick(control<QPushButton>(w, "cmdOk"), Qt::LeftButton);
        QCOMPARE(items(control<QListWidget>(w, "lstActivityLog")), QStringList{QStringLiteral("10:00:00  Alarm")});
        QCOMPARE(w.windowTitle(), QStringLiteral("Activity Log for 03/26/07"));
    }

    void layoutFollowsTheKind_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("twoReceivers");
        QTest::addColumn<QRect>("list");
        QTest::newRow("activity, one receiver") << QStringLiteral("AL") << 0 << twipsRect(240, 480, 6735, 2400);
        QTest::newRow("activity, two receivers: wider") << QStringLiteral("AL") << 1 << twipsRect(240, 480, 8200, 2400);
        QTest::newRow("Eb/No: narrow and centred") << QStringLiteral("EB") << 1 << twipsRect(2500, 480, 2550, 2400);
    }

    void layoutFollowsTheKind()
    {
        QFETCH(QString, kind);
        QFETCH(int, twoReceivers);
        QFETCH(QRect, list);
        Fixture f;
        f.station.settings.TwoReceivers = twoReceivers;
        f.station.LogKind = kind;
        frmActivityLog w(f.station);
        QCOMPARE(control<QListWidget>(w, "lstActivityLog")->geometry(), list);
    }

    void missingLogFolderIsReported()
    {
        Fixture f;
        QVERIFY(QDir(f.home.file(QStringLiteral("logs"))).removeRecursively());
        f.station.LogKind = QStringLiteral("AL");
        frmActivityLog w(f.station);
        QCOMPARE(f.home.errors.size(), 1);
        QVERIFY(f.home.errors.at(0).startsWith(QStringLiteral("2  ")));
        QCOMPARE(control<QListWidget>(w, "lstDate")->count(), 0);
        QTest::mouseClick(control<QPushButton>(w, "cmdOk"), Qt::LeftButton);
        QVERIFY(control<QListWidget>(w, "lstActivityLog")->isHidden());
        QCOMPARE(f.home.errors.size(), 1);
    }

    void printFromTheDayListPrintsTheLastDaysHeader()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        Fixture f;
        f.log(QStringLiteral("EB070325.log"), "10:00:00  9.5\r\n");
        f.log(QStringLiteral("EB070326.log"), "10:00:00  8.5\r\n");
        const QString folder = f.home.file(QStringLiteral("printed"));
        QVERIFY(QDir().mkpath(folder));
        qputenv("KESTRELPOINT_PRINT_PDF", folder.toLocal8Bit());
        f.station.LogKind = QStringLiteral("EB");
        frmActivityLog w(f.station);
        control<QListWidget>(w, "lstDate")->setCurrentRow(1);
        auto *cmdOk = control<QPushButton>(w, "cmdOk");
        QTest::mouseClick(cmdOk, Qt::LeftButton);
        QTest::mouseClick(cmdOk, Qt::LeftButton);
        control<QAction>(w, "mnuPrint")->trigger();
        qunsetenv("KESTRELPOINT_PRINT_PDF");

        QVERIFY(f.home.errors.isEmpty());
        const QStringList pdfs = QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files);
        QCOMPARE(pdfs.size(), 1);
        QProcess tool;
        tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QDir(folder).filePath(pdfs.at(0)),
                                                 QStringLiteral("-")});
        QVERIFY(tool.waitForFinished(30000));
        const QString text = QString::fromUtf8(tool.readAllStandardOutput());
        QVERIFY2(text.contains(QLatin1String("Kestrelpoint EbNo Log")), qPrintable(text));
        QVERIFY(text.contains(QLatin1String("03/25/07")));
        QVERIFY(text.contains(QLatin1String("Page 1")));
        QVERIFY(!text.contains(QLatin1String("9.5")));
    }

    void printWithoutPrinterIsShown()
    {
        Fixture f;
        f.log(QStringLiteral("AL070326.log"), "10:00:00  Alarm\r\n");
        const QString absent = f.home.file(QStringLiteral("no-such-folder"));
        qputenv("KESTRELPOINT_PRINT_PDF", absent.toLocal8Bit());
        f.station.LogKind = QStringLiteral("AL");
        frmActivityLog w(f.station);
        QTest::mouseClick(control<QPushButton>(w, "cmdOk"), Qt::LeftButton);
        control<QAction>(w, "mnuPrint")->trigger();
        qunsetenv("KESTRELPOINT_PRINT_PDF");
        QCOMPARE(f.home.errors.size(), 1);
        QVERIFY(f.home.errors.at(0).startsWith(QStringLiteral("2  ")));
    }

    void closeDiscardsTheWindow()
    {
        Fixture f;
        f.station.LogKind = QStringLiteral("AL");
        QPointer<frmActivityLog> w = new frmActivityLog(f.station);
        w->show();
        QTest::mouseClick(control<QPushButton>(*w, "cmdClose"), Qt::LeftButton);
        QTRY_VERIFY(w.isNull());
    }

    void mpegViewerShowsTheFileInOrder()
    {
        Fixture f;
        f.log(QStringLiteral("MP070326.log"), "14:00:15\r\nMPEG lock\r\nPID 0x21\r\n>\r\n");
        f.log(QStringLiteral("MP070324.log"), "08:00:15\r\n\r\n");
        f.log(QStringLiteral("AL070327.log"), "10:00:00  Alarm\r\n");
        f.station.LogKind = QStringLiteral("AL");
        frmMPEGLog w(f.station);
        QCOMPARE(w.windowTitle(), QStringLiteral("MPEG Logs"));
        auto *lstDate = control<QListWidget>(w, "lstDate");
        QCOMPARE(items(lstDate), (QStringList{QStringLiteral("03/26/07"), QStringLiteral("03/24/07")}));

        auto *cmdOk = control<QPushButton>(w, "cmdOk");
        QTest::mouseClick(cmdOk, Qt::LeftButton);
        auto *lstActivityLog = control<QListWidget>(w, "lstActivityLog");
        QCOMPARE(items(lstActivityLog), (QStringList{QStringLiteral("14:00:15"), QStringLiteral("MPEG lock"),
                                                     QStringLiteral("PID 0x21"), QStringLiteral(">")}));
        QCOMPARE(w.windowTitle(), QStringLiteral("03/26/07 MPEG Log"));

        QTest::mouseClick(cmdOk, Qt::LeftButton);
        QVERIFY(lstActivityLog->isHidden());
        QVERIFY(!lstDate->isHidden());
        QCOMPARE(w.windowTitle(), QStringLiteral("03/26/07 MPEG Log"));
    }

    void mpegViewerWithoutLogs()
    {
        Fixture f;
        f.station.LogKind = QStringLiteral("MP");
        frmMPEGLog w(f.station);
        QCOMPARE(items(control<QListWidget>(w, "lstDate")), QStringList{QStringLiteral("No Logs")});
        QTest::mouseClick(control<QPushButton>(w, "cmdOk"), Qt::LeftButton);
        QVERIFY(control<QListWidget>(w, "lstActivityLog")->isHidden());
        QCOMPARE(w.windowTitle(), QStringLiteral("MPEG Logs"));
    }
};

QTEST_MAIN(tst_LogViewers)
#include "tst_logviewers.moc"
