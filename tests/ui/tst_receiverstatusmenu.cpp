#include "receiverbench.h"

#include "ui/frmcomport.h"
#include "ui/frmdisplayreceiver.h"
#include "ui/frmrelay.h"
#include "ui/receiverstatusmenu.h"

#include <QRadioButton>
#include <QtTest>

namespace {

void addQueryRows()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("relayWindow");

    QTest::newRow("carrier") << "RT C" << false;
    QTest::newRow("MPEG") << "R M" << false;
    QTest::newRow("relays") << "R R" << true;
    QTest::newRow("extended relays") << "R ER" << true;
    QTest::newRow("receiver serial port") << "R SP" << false;
    QTest::newRow("receiver settings") << "R S" << false;
}

QRadioButton *option(frmComPort *window, const char *name)
{
    return window->findChild<QRadioButton *>(QLatin1String(name));
}

} // namespace

class tst_ReceiverStatusMenu : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oneReceiverOpensTheQuerysWindowOnReceiver1_data() { addQueryRows(); }
    void oneReceiverOpensTheQuerysWindowOnReceiver1();
    void twoReceiversAskForTheReceiverFirst_data() { addQueryRows(); }
    void twoReceiversAskForTheReceiverFirst();
    void receiverSelectClosedByItsFrameOpensNothing();
    void receiverSelectOpenComesForwardWithItsChoice();
    void statusWindowOpenWhenAnEntryIsChosen_data();
    void statusWindowOpenWhenAnEntryIsChosen();
};

void tst_ReceiverStatusMenu::oneReceiverOpensTheQuerysWindowOnReceiver1()
{
    QFETCH(QString, query);
    QFETCH(bool, relayWindow);

    ReceiverBench bench;
    bench.station.settings.Receiver1Port = 3;
    openReceiverStatus(bench.station, query, nullptr);
    QCOMPARE(bench.station.CommandText, query);
    QCOMPARE(bench.station.ActivePort, 3);
    QVERIFY(!frmComPort::instance());
    QCOMPARE(frmRelay::instance() != nullptr, relayWindow);
    QCOMPARE(frmDisplayReceiver::instance() != nullptr, !relayWindow);
    QCOMPARE(bench.fake.linesSent(), QList<QByteArray>{query.toLatin1() + '\r'});
    QCOMPARE(bench.fake.sent.first().port, 3);
}

void tst_ReceiverStatusMenu::twoReceiversAskForTheReceiverFirst()
{
    QFETCH(QString, query);
    QFETCH(bool, relayWindow);

    ReceiverBench bench(1);
    bench.station.ActivePort = 4;
    openReceiverStatus(bench.station, query, nullptr);
    frmComPort *select = frmComPort::instance();
    QVERIFY(select);
    QCOMPARE(select->windowTitle(), QStringLiteral("Receiver Select"));
    QVERIFY(option(select, "Option1")->isChecked());
    QVERIFY(!frmRelay::instance());
    QVERIFY(!frmDisplayReceiver::instance());
    QVERIFY(bench.fake.sent.isEmpty());
    QCOMPARE(bench.station.ActivePort, 4);

    QTest::mouseClick(select->findChild<QPushButton *>(QStringLiteral("cmdClose")), Qt::LeftButton);
    QVERIFY(!frmComPort::instance());
    QCOMPARE(bench.station.ActivePort, 1);
    QCOMPARE(frmRelay::instance() != nullptr, relayWindow);
    QCOMPARE(frmDisplayReceiver::instance() != nullptr, !relayWindow);
    QCOMPARE(bench.fake.linesSent(), QList<QByteArray>{query.toLatin1() + '\r'});
    QCOMPARE(bench.fake.sent.first().port, 1);
}

void tst_ReceiverStatusMenu::receiverSelectClosedByItsFrameOpensNothing()
{
    ReceiverBench bench(1);
    bench.station.ActivePort = 4;
    openReceiverStatus(bench.station, QStringLiteral("R M"), nullptr);
    frmComPort *select = frmComPort::instance();
    QTest::mouseClick(option(select, "Option2"), Qt::LeftButton);
    QVERIFY(select->close());
    QVERIFY(!frmComPort::instance());
    QVERIFY(!frmDisplayReceiver::instance());
    QVERIFY(!frmRelay::instance());
    QVERIFY(bench.fake.sent.isEmpty());
    QCOMPARE(bench.station.ActivePort, 4);
}

void tst_ReceiverStatusMenu::receiverSelectOpenComesForwardWithItsChoice()
{
    ReceiverBench bench(1);
    openReceiverStatus(bench.station, QStringLiteral("R R"), nullptr);
    frmComPort *select = frmComPort::instance();
    QTest::mouseClick(option(select, "Option2"), Qt::LeftButton);

    openReceiverStatus(bench.station, QStringLiteral("R S"), nullptr);
    QCOMPARE(frmComPort::instance(), select);
    QVERIFY(option(select, "Option2")->isChecked());
    // It opens the window of the entry chosen last.
    QTest::mouseClick(select->findChild<QPushButton *>(QStringLiteral("cmdClose")), Qt::LeftButton);
    QVERIFY(frmDisplayReceiver::instance());
    QVERIFY(!frmRelay::instance());
    QCOMPARE(bench.fake.linesSent(), QList<QByteArray>{"R S\r"});
    QCOMPARE(bench.fake.sent.first().port, 2);
}

void tst_ReceiverStatusMenu::statusWindowOpenWhenAnEntryIsChosen_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("closesIt");
    QTest::addColumn<QList<QByteArray>>("sent");

    QTest::newRow("carrier closes and asks afresh") << "RT C" << true << QList<QByteArray>{"RT C\r"};
    QTest::newRow("extended relays closes it") << "R ER" << true << QList<QByteArray>{"R ER\r"};
    QTest::newRow("relays leaves it") << "R R" << false << QList<QByteArray>{"R R\r"};
    QTest::newRow("MPEG brings it forward") << "R M" << false << QList<QByteArray>{};
    QTest::newRow("serial port brings it forward") << "R SP" << false << QList<QByteArray>{};
    QTest::newRow("settings brings it forward") << "R S" << false << QList<QByteArray>{};
}

void tst_ReceiverStatusMenu::statusWindowOpenWhenAnEntryIsChosen()
{
    QFETCH(QString, query);
    QFETCH(bool, closesIt);
    QFETCH(QList<QByteArray>, sent);

    ReceiverBench bench;
    openReceiverStatus(bench.station, QStringLiteral("R M"), nullptr);
    QPointer<frmDisplayReceiver> status = frmDisplayReceiver::instance();
    bench.fake.sent.clear();

    openReceiverStatus(bench.station, query, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(status.isNull(), closesIt);
    QCOMPARE(bench.fake.linesSent(), sent);
}

QTEST_MAIN(tst_ReceiverStatusMenu)
#include "tst_receiverstatusmenu.moc"
