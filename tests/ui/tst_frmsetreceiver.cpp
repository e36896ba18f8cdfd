#include "receiverbench.h"

#include "receiver/receiverlink.h"
#include "ui/frmdisplayreceiver.h"
#include "ui/frmsetreceiver.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QtTest>

namespace {

QStringList entries(const QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

// One window on a bench, with the codes SPA and ENG in that file order.
struct SetReceiverBench
{
    explicit SetReceiverBench(int twoReceivers = 0, const QString &model = QStringLiteral("0"))
        : bench(twoReceivers), link(bench.station)
    {
        bench.station.settings.ReceiverModel = model;
        bench.home.write(QStringLiteral("Source.dat"), "SPA\r\nENG\r\n\r\n");
    }

    frmSetReceiver *open()
    {
        window = frmSetReceiver::showWindow(bench.station, link, nullptr);
        return window;
    }
    template<typename T> T *control(const char *name) { return window->findChild<T *>(QLatin1String(name)); }
    QListWidget *list(const char *name) { return control<QListWidget>(name); }
    void press(const char *name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }

    ReceiverBench bench;
    ReceiverLink link;
    frmSetReceiver *window = nullptr;
};

} // namespace

class tst_frmSetReceiver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loadFillsTheListsAndChecksViewSettings();
    void setSendsTheCommandThenThePortsRelays_data();
    void setSendsTheCommandThenThePortsRelays();
    void model500SendsItsOwnCommandWithoutRelays();
    void viewSettingsShowsTheMpegStatusOfTheSameReceiver();
    void uncheckedViewSettingsOpensNoStatusWindow();
    void receiverChoice_data();
    void receiverChoice();
    void missingSourceFileIsReportedAndTheRestStillWorks();
    void everySendReportsItsOwnFailure();
};

void tst_frmSetReceiver::loadFillsTheListsAndChecksViewSettings()
{
    SetReceiverBench set;
    set.open();
    QCOMPARE(set.window->windowTitle(), QStringLiteral("Set Receiver"));
    QCOMPARE(entries(set.list("lstLang")), (QStringList{"SPA", "ENG"}));
    QCOMPARE(set.list("lstLang")->currentItem()->text(), QStringLiteral("SPA"));
    QCOMPARE(set.list("lstPort")->currentRow(), 0);
    QVERIFY(set.list("lstPort")->isVisible());
    QCOMPARE(set.list("lstRoute")->currentRow(), 0);
    QCOMPARE(set.list("lstAtt")->currentItem()->text(), QStringLiteral("0"));
    QVERIFY(set.control<QCheckBox>("Check1")->isChecked());
    QVERIFY(!set.control<QRadioButton>("Option1")->isVisible());
    QVERIFY(!set.control<QRadioButton>("Option2")->isVisible());
    QVERIFY(set.bench.home.errors.isEmpty());
    QVERIFY(set.bench.fake.sent.isEmpty());
}

void tst_frmSetReceiver::setSendsTheCommandThenThePortsRelays_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("route");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("att");
    QTest::addColumn<QList<QByteArray>>("lines");

    QTest::newRow("port 1 then relays 11 and 14")
        << 0 << 0 << 0 << 0 << QList<QByteArray>{"SETAUDIO 1 1 SPA 0  \r", "ER D 11\r", "ER D 14\r"};
    QTest::newRow("port 2 stereo in the schedule's grammar")
        << 1 << 2 << 1 << 7 << QList<QByteArray>{"SETAUDIO 2 S ENG 7  \r", "ER D 4\r", "ER D 7\r"};
    QTest::newRow("port 5 the command alone") << 4 << 0 << 0 << 0 << QList<QByteArray>{"SETAUDIO 5 1 SPA 0  \r"};
}

void tst_frmSetReceiver::setSendsTheCommandThenThePortsRelays()
{
    QFETCH(int, port);
    QFETCH(int, route);
    QFETCH(int, code);
    QFETCH(int, att);
    QFETCH(QList<QByteArray>, lines);

    SetReceiverBench set;
    set.open();
    set.list("lstPort")->setCurrentRow(port);
    set.list("lstRoute")->setCurrentRow(route);
    set.list("lstLang")->setCurrentRow(code);
    set.list("lstAtt")->setCurrentRow(att);
    set.control<QCheckBox>("Check1")->setChecked(false);
    set.press("cmdSet");
    QCOMPARE(set.bench.fake.linesSent(), lines);
    for (const FakeReceivers::Sent &sent : std::as_const(set.bench.fake.sent))
        QCOMPARE(sent.port, 1);
    QCOMPARE(set.bench.fake.openNow, 0);
    QVERIFY(set.bench.home.errors.isEmpty());
}

void tst_frmSetReceiver::model500SendsItsOwnCommandWithoutRelays()
{
    SetReceiverBench set(0, QStringLiteral("1"));
    set.open();
    QVERIFY(!set.list("lstPort")->isVisible());
    set.list("lstRoute")->setCurrentRow(2);
    set.list("lstLang")->setCurrentRow(1);
    set.list("lstAtt")->setCurrentRow(7);
    set.control<QCheckBox>("Check1")->setChecked(false);
    set.press("cmdSet");
    QCOMPARE(set.bench.fake.linesSent(), QList<QByteArray>{"SETAUDIO S ENG 7  \r"});
}

void tst_frmSetReceiver::viewSettingsShowsTheMpegStatusOfTheSameReceiver()
{
    SetReceiverBench set;
    set.bench.station.settings.Receiver1Port = 3;
    set.bench.station.CommandText = QStringLiteral("R R");
    set.open();
    set.press("cmdSet");
    QCOMPARE(set.bench.fake.linesSent(),
             (QList<QByteArray>{"SETAUDIO 1 1 SPA 0  \r", "ER D 11\r", "ER D 14\r", "R M\r"}));
    QCOMPARE(set.bench.fake.sent.last().port, 3);
    QCOMPARE(set.bench.station.CommandText, QStringLiteral("R M"));
    frmDisplayReceiver *status = frmDisplayReceiver::instance();
    QVERIFY(status);
    // The prompts answering the three commands arrive after them and are not
    // taken for the answer to "R M".
    QCOMPARE(status->findChild<QLabel *>(QStringLiteral("lblDisplayReceiver"))->text(),
             QStringLiteral("MPEG locked\r\n>"));
}

void tst_frmSetReceiver::uncheckedViewSettingsOpensNoStatusWindow()
{
    SetReceiverBench set;
    set.open();
    QTest::mouseClick(set.control<QCheckBox>("Check1"), Qt::LeftButton);
    QVERIFY(!set.control<QCheckBox>("Check1")->isChecked());
    set.press("cmdSet");
    QVERIFY(!frmDisplayReceiver::instance());
    QCOMPARE(set.bench.fake.linesSent().size(), 3);
    QVERIFY(!set.bench.fake.linesSent().contains("R M\r"));
}

void tst_frmSetReceiver::receiverChoice_data()
{
    QTest::addColumn<int>("twoReceivers");
    QTest::addColumn<bool>("chooseTwo");
    QTest::addColumn<int>("port");

    QTest::newRow("one receiver goes to receiver 1's port") << 0 << false << 1;
    QTest::newRow("receiver one chosen") << 1 << false << 1;
    QTest::newRow("receiver two chosen") << 1 << true << 2;
}

void tst_frmSetReceiver::receiverChoice()
{
    QFETCH(int, twoReceivers);
    QFETCH(bool, chooseTwo);
    QFETCH(int, port);

    SetReceiverBench set(twoReceivers);
    set.open();
    QCOMPARE(set.control<QRadioButton>("Option2")->isVisible(), twoReceivers == 1);
    if (twoReceivers == 1)
        QVERIFY(set.control<QRadioButton>("Option1")->isChecked());
    if (chooseTwo)
        QTest::mouseClick(set.control<QRadioButton>("Option2"), Qt::LeftButton);
    set.press("cmdSet");
    QCOMPARE(set.bench.fake.linesSent().size(), 4);
    for (const FakeReceivers::Sent &sent : std::as_const(set.bench.fake.sent))
        QCOMPARE(sent.port, port);
    QCOMPARE(set.bench.station.ActivePort, port);
}

void tst_frmSetReceiver::missingSourceFileIsReportedAndTheRestStillWorks()
{
    SetReceiverBench set;
    QVERIFY(QFile::remove(set.bench.home.file(QStringLiteral("Source.dat"))));
    set.open();
    QCOMPARE(set.bench.home.errors, QStringList{missingSourceCodesMessage()});
    QVERIFY(missingSourceCodesMessage().contains(set.bench.home.path()));
    QVERIFY(set.window->isVisible());
    QCOMPARE(set.list("lstLang")->count(), 0);
    QCOMPARE(set.list("lstPort")->count(), 6);
    QVERIFY(set.control<QCheckBox>("Check1")->isChecked());

    set.control<QCheckBox>("Check1")->setChecked(false);
    set.press("cmdSet");
    QCOMPARE(set.bench.fake.linesSent().first(), QByteArray("SETAUDIO 1 1     0  \r"));
}

void tst_frmSetReceiver::everySendReportsItsOwnFailure()
{
    SetReceiverBench set;
    set.bench.fake.refusedPorts = {1};
    set.open();
    set.press("cmdSet");
    const QString notSent = QStringLiteral("1 No such file or directory Command not sent.");
    QCOMPARE(set.bench.home.errors,
             (QStringList{notSent, notSent, notSent, QStringLiteral("1 No such file or directory")}));
    QVERIFY(set.bench.fake.sent.isEmpty());
    QCOMPARE(set.bench.fake.openNow, 0);
    QVERIFY(frmSetReceiver::instance());
    QVERIFY(frmDisplayReceiver::instance());
}

QTEST_MAIN(tst_frmSetReceiver)
#include "tst_frmsetreceiver.moc"
