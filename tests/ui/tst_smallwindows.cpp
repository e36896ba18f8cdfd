#include "windows.h"

#include "platform/rtf.h"
#include "ui/frmabout.h"
#include "ui/frmhelp.h"
#include "ui/frmprogramsourcecodes.h"
#include "ui/frmweeklyschedule.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
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

// The about box, the help window, the source codes and the weekly switch schedule.
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
        QCOMPARE(control<QLabel>(box, "lblVersion")->text(), QStringLiteral("Version %1.%2.%3")
                                                                 .arg(KESTRELPOINT_VERSION_MAJOR)
                                                                 .arg(KESTRELPOINT_VERSION_MINOR)
                                                                 .arg(KESTRELPOINT_VERSION_PATCH));
        QVERIFY(control<QLabel>(box, "lblDescription")->text().size() > 40);
        QCOMPARE(VersionText(QStringLiteral("3"), QStringLiteral("00"), QStringLiteral("0003")), QStringLiteral("Version 3.0.3"));
        QCOMPARE(VersionText(QStringLiteral("1"), QStringLiteral("0010"), QString()), QStringLiteral("Version 1.10.0"));
        // The icon comes from the program's resources, which a static library
        // only delivers when asked for by name.
        QVERIFY(!control<QLabel>(box, "picIcon")->pixmap().isNull());
        press(box, "cmdSysInfo");
        QCOMPARE(told, (QStringList{"Kestrelpoint", "System Information Is Unavailable At This Time"}));
        QVERIFY(box->isVisible());
    }

    void aboutClosesByOkEnterAndEscape_data()
    {
        QTest::addColumn<int>("key"); // 0: click OK
        QTest::newRow("OK clicked") << 0;
        QTest::newRow("Enter presses the default button") << int(Qt::Key_Return);
        QTest::newRow("Escape is the cancel button") << int(Qt::Key_Escape);
    }

    void aboutClosesByOkEnterAndEscape()
    {
        QFETCH(int, key);
        WindowStation s;
        QPointer<frmAbout> box = shown(new frmAbout(s.station));
        bool sysInfo = false;
        box->setMessageBox([&sysInfo](const QString &, const QString &) { sysInfo = true; });
        if (key == 0)
            press(box, "cmdOK");
        else
            QTest::keyClick(box, Qt::Key(key));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!box);
        QVERIFY(!sysInfo);
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

    void shippedHelpShowsAsFormattedTextFromItsTop()
    {
        WindowStation s;
        QVERIFY(QFile::copy(QStringLiteral(KP_SOURCE_DIR "/docs/Kestrelpoint.hlp"), s.home.file(kHelp)));
        auto *box = control<QTextEdit>(shown(new frmHelp(s.station)), "RichTextBox1");
        QVERIFY(s.home.errors.isEmpty());
        const QString text = box->toPlainText();
        QVERIFY(text.startsWith(QStringLiteral("Kestrelpoint Help")) && !text.contains(QLatin1Char('\\')));
        const QTextBlock title = box->document()->begin();
        QVERIFY(title.begin().fragment().charFormat().fontWeight() > QFont::Normal);
        QVERIFY(title.blockFormat().alignment() & Qt::AlignHCenter);
        QCoreApplication::processEvents();
        QCOMPARE(box->textCursor().position(), 0);
        QCOMPARE(box->verticalScrollBar()->value(), 0);
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
        QVERIFY(reread.begin().begin().fragment().charFormat().fontWeight() > QFont::Normal);
    }

    void helpFailedSaveIsReported()
    {
        WindowStation s;
        // A folder where the document should be: it can be neither read nor replaced.
        QVERIFY(QDir(s.home.path()).mkdir(kHelp));
        frmHelp *help = shown(new frmHelp(s.station));
        QTest::keyClicks(control<QTextEdit>(help, "RichTextBox1"), QStringLiteral("text"));
        QVERIFY(!help->Save());
        QCOMPARE(s.home.errors.size(), 2);
        QVERIFY(s.home.errors.last().contains(QRegularExpression(QStringLiteral("^\\d+  \\S"))));
        QVERIFY(QFileInfo(s.home.file(kHelp)).isDir());
    }

    void helpClosesByCloseAndExit()
    {
        WindowStation s;
        for (bool byMenu : {false, true}) {
            QPointer<frmHelp> help = shown(new frmHelp(s.station));
            byMenu ? control<QAction>(help, "mnuExit")->trigger() : press(help, "cmdClose");
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!help);
        }
    }

    void sourceCodesOpenSortedWithTheFirstChosen()
    {
        WindowStation s;
        s.writeSourceCodes("SPA\r\neng\r\nFRA\r\n\r\n");
        auto *w = shown(new frmProgramSourceCodes);
        QCOMPARE(codes(w), (QStringList{"eng", "FRA", "SPA"}));
        QCOMPARE(control<QListWidget>(w, "lstCRCID")->selectedItems().value(0)->text(), QStringLiteral("eng"));
        QVERIFY(control(w, "txtCRCID")->isHidden());
        QVERIFY(!control(w, "cmdApply")->isEnabled());
        // Opening does not rewrite the file; a missing file is an empty list, without a message.
        QCOMPARE(sourceCodes(s), QByteArray("SPA\r\neng\r\nFRA\r\n\r\n"));
        QVERIFY(QFile::remove(s.home.file(QStringLiteral("Source.dat"))));
        QCOMPARE(codes(shown(new frmProgramSourceCodes)), QStringList{});
        QVERIFY(s.home.errors.isEmpty());
    }

    void enterStoresTheCodeInUpperCaseInOrder_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("eng between DEU and SPA") << "eng" << QByteArray("DEU\r\nENG\r\nSPA\r\n\r\n");
        QTest::newRow("a code already there is added again") << "spa" << QByteArray("DEU\r\nSPA\r\nSPA\r\n\r\n");
        QTest::newRow("a comma cannot be typed") << "0,7" << QByteArray("07\r\nDEU\r\nSPA\r\n\r\n");
    }

    void enterStoresTheCodeInUpperCaseInOrder()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, file);
        WindowStation s;
        s.writeSourceCodes("DEU\r\nSPA\r\n\r\n");
        auto *w = shown(new frmProgramSourceCodes);
        press(w, "cmdNew");
        auto *text = control<QLineEdit>(w, "txtCRCID");
        QVERIFY(text->isVisible());
        QVERIFY(control(w, "cmdApply")->isEnabled());
        QTest::keyClicks(text, typed);
        QTest::keyClick(text, Qt::Key_Return);
        QCOMPARE(sourceCodes(s), file);
        QCOMPARE(codes(w).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n\r\n"), QString::fromLatin1(file));
        QVERIFY(text->isHidden() && text->text().isEmpty());
        // Enter leaves Apply enabled.
        QVERIFY(control(w, "cmdApply")->isEnabled());
    }

    void applyStoresEvenAnEmptyCodeAndDisablesItself()
    {
        WindowStation s;
        s.writeSourceCodes("ENG\r\n\r\n");
        auto *w = shown(new frmProgramSourceCodes);
        press(w, "cmdNew");
        press(w, "cmdApply");
        QCOMPARE(codes(w), (QStringList{"", "ENG"}));
        QCOMPARE(sourceCodes(s), QByteArray("\r\nENG\r\n\r\n"));
        QVERIFY(!control(w, "cmdApply")->isEnabled());
        QVERIFY(control(w, "txtCRCID")->isHidden());
    }

    void deleteRemovesTheChosenCodeOnly()
    {
        WindowStation s;
        s.writeSourceCodes("DEU\r\nENG\r\nSPA\r\n\r\n");
        auto *w = shown(new frmProgramSourceCodes);
        clickRow(control<QListWidget>(w, "lstCRCID"), 1);
        press(w, "cmdDelete");
        QCOMPARE(codes(w), (QStringList{"DEU", "SPA"}));
        QCOMPARE(sourceCodes(s), QByteArray("DEU\r\nSPA\r\n\r\n"));
        // Nothing is chosen afterwards: a second Delete does nothing.
        press(w, "cmdDelete");
        QCOMPARE(sourceCodes(s), QByteArray("DEU\r\nSPA\r\n\r\n"));
    }

    void sourceCodesFailedSaveKeepsTheListAndTheTypedCode()
    {
        WindowStation s;
        s.writeSourceCodes("DEU\r\nENG\r\n\r\n");
        auto *w = shown(new frmProgramSourceCodes);
        // The data folder goes away while the window is open.
        qputenv("KESTRELPOINT_HOME", (s.home.path() + QStringLiteral("/gone")).toLocal8Bit());
        press(w, "cmdNew");
        QTest::keyClicks(control<QLineEdit>(w, "txtCRCID"), QStringLiteral("spa"));
        press(w, "cmdApply");
        QCOMPARE(s.home.errors.size(), 1);
        QVERIFY2(s.home.errors.first().startsWith(QStringLiteral("2  ")), qPrintable(s.home.errors.first()));
        QCOMPARE(codes(w), (QStringList{"DEU", "ENG"}));
        QCOMPARE(control<QLineEdit>(w, "txtCRCID")->text(), QStringLiteral("spa"));
        QVERIFY(control(w, "cmdApply")->isEnabled());
        press(w, "cmdDelete");
        QCOMPARE(s.home.errors.size(), 2);
        QCOMPARE(codes(w), (QStringList{"DEU", "ENG"}));
    }

    // Both receivers by day and time; the open window keeps what it shows
    // until the menu builds it again.
    void weeklyScheduleShowsTheWeekUntilBuiltAgain()
    {
        WindowStation s;
        std::array<QString, 7> evenings, mornings;
        for (int d = 1; d <= 5; ++d) {
            evenings[d] = QStringLiteral("18:00:00");
            mornings[d] = QStringLiteral("06:00:00");
        }
        s.addSchedule(schedule(QStringLiteral("News"), 1, evenings));
        s.addSchedule(schedule(QString(), 2, mornings));
        QPointer<frmWeeklySchedule> w = new frmWeeklySchedule(s.station);
        auto *list = control<QListWidget>(w, "lstWeeklySchedule");
        w->BuildWeeklySchedule();
        QVERIFY(w->isVisible());
        QCOMPARE(list->count(), 10);
        QCOMPARE(list->item(0)->text(), QStringLiteral("Mon 06:00:00 ") + QString(25, QLatin1Char(' ')));
        QCOMPARE(list->item(9)->text(), QStringLiteral("Fri 18:00:00 News                     "));
        QVERIFY(s.station.store().DeleteSchedule(2));
        QCOMPARE(list->count(), 10);
        w->BuildWeeklySchedule();
        QCOMPARE(list->count(), 5);
        press(w, "cmdClose");
        QTRY_VERIFY(!w);
    }
};

QTEST_MAIN(tst_SmallWindows)
#include "tst_smallwindows.moc"
