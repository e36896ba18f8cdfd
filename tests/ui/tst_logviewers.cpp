#include "windows.h"

#include "ui/frmactivitylog.h"
#include "ui/frmmpeglog.h"

#include <QAction>
#include <QDir>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>

namespace {

// A station whose logs folder holds the given day files.
struct Logs : WindowStation
{
    explicit Logs(const QMap<QString, QByteArray> &files = {})
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
    QListWidget *days() const { return control<QListWidget>(window, "lstDate"); }
    QListWidget *lines() const { return control<QListWidget>(window, "lstActivityLog"); }
    void ok() const { press(window, "cmdOk"); }
    QPointer<QWidget> window;
};

} // namespace

class tst_LogViewers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void noLogsMakesOkDoNothing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("title");
        QTest::newRow("activity") << "AL" << "Load Activity Log";
        QTest::newRow("MPEG") << "MP" << "MPEG Logs";
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
        QTEST(l.window->windowTitle(), "title");
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
        QVERIFY(control<QRadioButton>(l.window, "Option1")->isChecked());
        l.days()->setCurrentRow(1);
        l.ok();
        QCOMPARE(items(l.lines()), (QStringList{"09:00:00  Remote Start 1 On", "", "09:00:01  Remote Start 1 Off"}));
        QCOMPARE(l.window->windowTitle(), QStringLiteral("Activity Log for 12/04/27"));
        for (const char *hidden : {"lstDate", "Option1", "Option2"})
            QVERIFY2(control(l.window, hidden)->isHidden(), hidden);
        QVERIFY(control<QAction>(l.window, "mnuPrint")->isEnabled());
        l.ok();
        QVERIFY(l.lines()->isHidden());
        QCOMPARE(l.lines()->count(), 0);
        QVERIFY(l.days()->isVisible() && control(l.window, "Option2")->isVisible());
        QCOMPARE(l.days()->currentItem()->text(), QStringLiteral("12/04/27"));
        QCOMPARE(l.window->windowTitle(), QStringLiteral("Select Activity Log"));
    }

    void byEventMovesTheTimeToTheEnd_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("title");
        QTest::newRow("activity lines sorted by their text")
            << "AL" << QByteArray("09:00:00  Remote Start 1 On\r\n10:00:00  Alarm\r\n")
            << QStringList{" Alarm 10:00:00", " Remote Start 1 On 09:00:00"} << "Activity Log for 12/05/27";
        QTest::newRow("Eb/No values sorted as text, 12.5 before 9.8")
            << "EB" << QByteArray("10:00:00  9.8\r\n11:00:00  12.5\r\n") << QStringList{" 12.5 11:00:00", " 9.8 10:00:00"}
            << "EbNo Log for 12/05/27";
    }

    void byEventMovesTheTimeToTheEnd()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, contents);
        Logs l({{kind + QStringLiteral("271205.log"), contents}});
        l.open(kind);
        click(control<QRadioButton>(l.window, "Option2"));
        l.ok();
        QTEST(items(l.lines()), "shown");
        QTEST(l.window->windowTitle(), "title");
    }

    void doubleClickOnADayLoadsIt()
    {
        Logs l({{QStringLiteral("AL271204.log"), "10:00:00  older\r\n"}, {QStringLiteral("AL271205.log"), "10:00:00  newer\r\n"}});
        l.open(QStringLiteral("AL"));
        const QPoint at = l.days()->visualItemRect(l.days()->item(1)).center();
        QTest::mouseClick(l.days()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(l.days()->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(items(l.lines()), QStringList{"10:00:00  older"});
    }

    void viewerKeepsTheKindItWasOpenedWith()
    {
        Logs l({{QStringLiteral("AL271205.log"), "10:00:00  Alarm\r\n"}, {QStringLiteral("EB271205.log"), "10:00:00  9.5\r\n"}});
        l.open(QStringLiteral("AL"));
        l.station.LogKind = QStringLiteral("EB");
        l.ok();
        QCOMPARE(items(l.lines()), QStringList{"10:00:00  Alarm"});
    }

    void missingLogFolderIsReported()
    {
        Logs l;
        QVERIFY(QDir(l.home.file(QStringLiteral("logs"))).removeRecursively());
        l.open(QStringLiteral("AL"));
        QCOMPARE(l.home.errors.size(), 1);
        QVERIFY(l.home.errors.at(0).startsWith(QStringLiteral("2  ")));
        QCOMPARE(l.days()->count(), 0);
        l.ok();
        QVERIFY(l.lines()->isHidden());
        QCOMPARE(l.home.errors.size(), 1);
    }

    // Back at the days, Print prints the day shown last: its header, no lines.
    void printFromTheDayListPrintsTheLastDaysHeader()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        Logs l({{QStringLiteral("EB271204.log"), "10:00:00  9.5\r\n"}, {QStringLiteral("EB271205.log"), "10:00:00  8.5\r\n"}});
        const QString folder = l.home.file(QStringLiteral("printed"));
        QVERIFY(QDir().mkpath(folder));
        qputenv("KESTRELPOINT_PRINT_PDF", folder.toLocal8Bit());
        l.open(QStringLiteral("EB"));
        l.days()->setCurrentRow(1);
        l.ok();
        l.ok();
        control<QAction>(l.window, "mnuPrint")->trigger();
        qunsetenv("KESTRELPOINT_PRINT_PDF");
        QVERIFY(l.home.errors.isEmpty());
        const QStringList pdfs = QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files);
        QCOMPARE(pdfs.size(), 1);
        QProcess tool;
        tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QDir(folder).filePath(pdfs.at(0)), QStringLiteral("-")});
        QVERIFY(tool.waitForFinished(30000));
        const QString text = QString::fromUtf8(tool.readAllStandardOutput());
        QVERIFY2(text.contains(QLatin1String("Kestrelpoint EbNo Log")) && text.contains(QLatin1String("12/04/27")),
                 qPrintable(text));
        QVERIFY(!text.contains(QLatin1String("9.5")));
    }

    void mpegViewerShowsTheFileInOrder()
    {
        Logs l({{QStringLiteral("MP271205.log"), "14:00:15\r\nMPEG lock\r\nPID 0x21\r\n>\r\n"},
                {QStringLiteral("MP271203.log"), "08:00:15\r\n\r\n"},
                {QStringLiteral("AL271206.log"), "10:00:00  Alarm\r\n"}});
        l.open(QStringLiteral("MP"));
        QCOMPARE(items(l.days()), (QStringList{"12/05/27", "12/03/27"}));
        l.ok();
        QCOMPARE(items(l.lines()), (QStringList{"14:00:15", "MPEG lock", "PID 0x21", ">"}));
        QCOMPARE(l.window->windowTitle(), QStringLiteral("12/05/27 MPEG Log"));
        l.ok();
        QVERIFY(l.lines()->isHidden() && l.days()->isVisible());
        QCOMPARE(l.window->windowTitle(), QStringLiteral("12/05/27 MPEG Log"));
    }
};

QTEST_MAIN(tst_LogViewers)
#include "tst_logviewers.moc"
