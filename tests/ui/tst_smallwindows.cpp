#include "http.h"
#include "windows.h"

#include "engine/switchengine.h"
#include "monitor/statusmonitor.h"
#include "platform/rtf.h"
#include "receiver/receiverlink.h"
#include "ui/frmabout.h"
#include "ui/frmhelp.h"
#include "ui/frmprogramsourcecodes.h"
#include "ui/frmremotestatus.h"
#include "ui/frmweeklyschedule.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSpinBox>
#include <QTextEdit>

namespace {

const QString kHelp = QStringLiteral("Kestrelpoint.hlp");

QByteArray sourceCodes(const WindowStation &s)
{
    return s.home.read(QStringLiteral("Source.dat"));
}

QStringList codes(QWidget *window)
{
    return items(control<QListWidget>(window, "lstCRCID"));
}

} // namespace

// The about box, the help window, the source codes, the weekly switch
// schedule and the remote status settings.
class tst_SmallWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aboutShowsNameVersionIconAndSystemInfo()
    {
        WindowStation s;
        auto *box = shown(new frmAbout(s.station));
        QStringList told;
        box->setMessageBox([&told](const QString &title, const QString &text) { told << title << text; });
        QCOMPARE(control<QLabel>(box, "lblTitle")->text(), QStringLiteral("Kestrelpoint"));
        QCOMPARE(control<QLabel>(box, "lblVersion")->text(), QStringLiteral("Version " KESTRELPOINT_VERSION));
        // The icon comes from the program's resources, which a static library
        // only delivers when asked for by name.
        QVERIFY(!control<QLabel>(box, "picIcon")->pixmap().isNull());
        press(box, "cmdSysInfo");
        QCOMPARE(told, (QStringList{"Kestrelpoint", "System Information Is Unavailable At This Time"}));
        QVERIFY(box->isVisible());
    }

    void helpWithoutItsDocumentSaysWhereItBelongs()
    {
        WindowStation s;
        auto *help = shown(new frmHelp(s.station));
        QCOMPARE(s.home.errors, QStringList{QStringLiteral("The file Kestrelpoint.hlp was not found.  It should be "
                                                           "located in folder %1.").arg(s.home.path())});
        QCOMPARE(control<QTextEdit>(help, "RichTextBox1")->toPlainText(), QString());
        QVERIFY(!control<QAction>(help, "mnuSave")->isEnabled());
        QVERIFY(!QFile::exists(s.home.file(kHelp)));
    }

    void helpSaveIsOfferedAfterAnEditAndWritesRtf()
    {
        WindowStation s;
        s.home.write(kHelp, QByteArray("{\\rtf1{\\b Title}\\par Body}"));
        frmHelp *help = shown(new frmHelp(s.station));
        QAction *save = control<QAction>(help, "mnuSave");
        QVERIFY(!save->isEnabled());
        auto *box = control<QTextEdit>(help, "RichTextBox1");
        box->moveCursor(QTextCursor::End);
        QTest::keyClicks(box, QStringLiteral(" and notes"));
        QVERIFY(save->isEnabled());
        save->trigger();
        QVERIFY(s.home.errors.isEmpty());
        QVERIFY(!save->isEnabled());
        QTextDocument reread;
        Rtf::read(s.home.read(kHelp), reread);
        QCOMPARE(reread.toPlainText(), QStringLiteral("Title\nBody and notes"));
    }

    // Opening neither rewrites the file nor tells of a missing one; Delete
    // removes the chosen code, and then nothing is chosen.
    void sourceCodesOpenSortedAndDeleteTheChosenOne()
    {
        WindowStation s;
        s.writeSourceCodes("SPA\r\neng\r\nFRA\r\n\r\n");
        auto *w = shown(new frmProgramSourceCodes);
        QCOMPARE(codes(w), (QStringList{"eng", "FRA", "SPA"}));
        QCOMPARE(control<QListWidget>(w, "lstCRCID")->selectedItems().value(0)->text(), QStringLiteral("eng"));
        QVERIFY(control(w, "txtCRCID")->isHidden() && !control(w, "cmdApply")->isEnabled());
        QCOMPARE(sourceCodes(s), QByteArray("SPA\r\neng\r\nFRA\r\n\r\n"));
        clickRow(control<QListWidget>(w, "lstCRCID"), 1);
        press(w, "cmdDelete");
        QCOMPARE(codes(w), (QStringList{"eng", "SPA"}));
        QCOMPARE(sourceCodes(s), QByteArray("eng\r\nSPA\r\n\r\n"));
        press(w, "cmdDelete");
        QCOMPARE(sourceCodes(s), QByteArray("eng\r\nSPA\r\n\r\n"));
        QVERIFY(QFile::remove(s.home.file(QStringLiteral("Source.dat"))));
        QCOMPARE(codes(shown(new frmProgramSourceCodes)), QStringList{});
        QVERIFY(s.home.errors.isEmpty());
    }

    void newCodeIsStoredInUpperCaseInOrder_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("byApply");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("Enter: eng between DEU and SPA") << "eng" << false << QByteArray("DEU\r\nENG\r\nSPA\r\n\r\n");
        QTest::newRow("Enter: a comma cannot be typed") << "0,7" << false << QByteArray("07\r\nDEU\r\nSPA\r\n\r\n");
        QTest::newRow("Apply stores even an empty code") << "" << true << QByteArray("\r\nDEU\r\nSPA\r\n\r\n");
    }

    // Enter leaves Apply enabled; Apply disables itself.
    void newCodeIsStoredInUpperCaseInOrder()
    {
        QFETCH(QString, typed);
        QFETCH(bool, byApply);
        QFETCH(QByteArray, file);
        WindowStation s;
        s.writeSourceCodes("DEU\r\nSPA\r\n\r\n");
        auto *w = shown(new frmProgramSourceCodes);
        press(w, "cmdNew");
        auto *text = control<QLineEdit>(w, "txtCRCID");
        QTest::keyClicks(text, typed);
        byApply ? press(w, "cmdApply") : QTest::keyClick(text, Qt::Key_Return);
        QCOMPARE(sourceCodes(s), file);
        QCOMPARE(codes(w).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n\r\n"), QString::fromLatin1(file));
        QVERIFY(text->isHidden() && text->text().isEmpty());
        QCOMPARE(control(w, "cmdApply")->isEnabled(), !byApply);
    }

    // Both receivers by day and time; the open window keeps what it shows
    // until the menu builds it again.
    void weeklyScheduleShowsTheWeekUntilBuiltAgain()
    {
        WindowStation s;
        s.addSchedule(schedule(QStringLiteral("News"), 1, onDay(5, QStringLiteral("18:00:00"))));
        s.addSchedule(schedule(QString(), 2, onDay(1, QStringLiteral("06:00:00"))));
        QPointer<frmWeeklySchedule> w = new frmWeeklySchedule(s.station);
        auto *list = control<QListWidget>(w, "lstWeeklySchedule");
        w->BuildWeeklySchedule();
        QVERIFY(w->isVisible());
        QCOMPARE(items(list), (QStringList{"Mon 06:00:00 " + QString(25, QLatin1Char(' ')),
                                           "Fri 18:00:00 News                     "}));
        QVERIFY(s.station.store().DeleteSchedule(2));
        QCOMPARE(list->count(), 2);
        w->BuildWeeklySchedule();
        QCOMPARE(list->count(), 1);
    }

    // Apply saves what the window shows and serves at once; an address that
    // is not this computer's own is warned of, a name is refused.
    void remoteStatusIsSavedAndServed_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("serve");
        QTest::addColumn<QString>("said"); // a part of what the window or the error window says
        QTest::newRow("this computer only, served") << "127.0.0.1" << true << "127.0.0.1 lets only this computer in.";
        QTest::newRow("every address, typed: the window warns")
            << "0.0.0.0" << false << "0.0.0.0 is not this computer's loopback address: anyone on the network";
        QTest::newRow("a name is refused, nothing saved") << "localhost" << false << "\"localhost\" is not an IP address.";
    }

    void remoteStatusIsSavedAndServed()
    {
        QFETCH(QString, address);
        QFETCH(bool, serve);
        QFETCH(QString, said);
        WindowStation s;
        ReceiverLink link(s.station);
        SwitchEngine engine(s.station, link);
        StatusMonitor monitor(s.station, engine);
        auto *w = shown(new frmRemoteStatus(monitor));
        control<QLineEdit>(w, "txtAddress")->setText(address);
        const quint16 port = freeLoopbackPort();
        control<QSpinBox>(w, "txtPort")->setValue(port);
        if (serve)
            press(w, "chkServe");
        press(w, "cmdApply");
        const QString shown = control<QLabel>(w, "lblReach")->text() + s.home.errors.join(QLatin1Char('\n'));
        QVERIFY2(shown.contains(said), qPrintable(shown));
        const bool saved = !said.endsWith(QLatin1String("is not an IP address."));
        QCOMPARE(s.home.read(QStringLiteral("RemoteStatus.ini")),
                 saved ? QStringLiteral("enabled=%1\naddress=%2\nport=%3\n").arg(int(serve)).arg(address).arg(port).toLatin1()
                       : QByteArray());
        QCOMPARE(monitor.serving().has_value(), serve);
        QCOMPARE(control<QLabel>(w, "lblState")->text().startsWith(QStringLiteral("Answering on http://127.0.0.1:%1/").arg(port)),
                 serve);
    }
};

QTEST_MAIN(tst_SmallWindows)
#include "tst_smallwindows.moc"
