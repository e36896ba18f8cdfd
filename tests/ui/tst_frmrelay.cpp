#include "receiverbench.h"

#include "ui/frmcomport.h"
#include "ui/frmrelay.h"
#include "ui/receiverstatusmenu.h"

#include <QLabel>
#include <QRadioButton>
#include <QtTest>

namespace {

QString shownText(frmRelay *window)
{
    return window->findChild<QLabel *>(QStringLiteral("lblRelay"))->text();
}

int visibleButtons(frmRelay *window)
{
    int shown = 0;
    for (QPushButton *button : window->findChildren<QPushButton *>(QStringLiteral("cmdR")))
        shown += button->isVisible() ? 1 : 0;
    return shown;
}

void press(frmRelay *window, int index)
{
    QPushButton *button = arrayButton(window, QStringLiteral("cmdR"), index);
    QVERIFY(button);
    QVERIFY(button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

class tst_frmRelay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void relaysThenFirstOpenSendsCommandThenQuery();
    void buttonSendsItsCommandThenTheQuery_data();
    void buttonSendsItsCommandThenTheQuery();
    void answerAfterAButton_data();
    void answerAfterAButton();
    void loadAnswerWithoutPromptIsShownWholeAfterLimitB();
    void layoutAndCommandsStayWhenExtendedRelaysIsChosenWhileOpen();
    void portThatCannotBeOpenedShowsTheErrorAndKeepsRunning();
    void receiverTwoChosenInReceiverSelectOpensOnItsPort();
};

void tst_frmRelay::relaysThenFirstOpenSendsCommandThenQuery()
{
    ReceiverBench bench;
    openReceiverStatus(bench.station, QStringLiteral("R R"), nullptr);
    frmRelay *window = frmRelay::instance();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Unity 4K Receiver Relay Status"));
    QCOMPARE(visibleButtons(window), 4);
    QCOMPARE(bench.fake.linesSent(), QList<QByteArray>{"R R\r"});
    QCOMPARE(shownText(window), QStringLiteral("Receiver 1 relays\r\nRelay 1: Open\r\n>"));

    bench.fake.sent.clear();
    press(window, 0);
    QCOMPARE(bench.fake.linesSent(), (QList<QByteArray>{"RE O 1\r", "R R\r"}));
    QCOMPARE(bench.fake.sent.first().port, 1);
    QCOMPARE(shownText(window), QStringLiteral("Receiver 1 relays\r\nRelay 1: Open\r\n>"));
    QCOMPARE(bench.fake.openNow, 0);
    QVERIFY(bench.home.errors.isEmpty());
}

void tst_frmRelay::buttonSendsItsCommandThenTheQuery_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QByteArray>("command");

    QTest::newRow("relay 2 close") << "R R" << 3 << 4 << QByteArray("RE C 2\r");
    QTest::newRow("button 26 opens extended relay 14") << "R ER" << 26 << 28 << QByteArray("ER D 14\r");
}

void tst_frmRelay::buttonSendsItsCommandThenTheQuery()
{
    QFETCH(QString, query);
    QFETCH(int, index);
    QFETCH(int, buttons);
    QFETCH(QByteArray, command);

    ReceiverBench bench;
    openReceiverStatus(bench.station, query, nullptr);
    frmRelay *window = frmRelay::instance();
    QVERIFY(window);
    QCOMPARE(visibleButtons(window), buttons);
    bench.fake.sent.clear();
    press(window, index);
    QCOMPARE(bench.fake.linesSent(), (QList<QByteArray>{command, query.toLatin1() + '\r'}));
}

void tst_frmRelay::answerAfterAButton_data()
{
    QTest::addColumn<QByteArray>("relayReply");
    QTest::addColumn<QByteArray>("statusReply");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("fullLimit");

    QTest::newRow("relay prompt dropped, status keeps its final prompt")
        << QByteArray("\r\n>") << QByteArray("Relay 1: Closed\r\n>") << "Relay 1: Closed\r\n>" << false;
    QTest::newRow("status without prompt shown whole after the limit")
        << QByteArray("\r\n>") << QByteArray("Relay 1: Clo") << "Relay 1: Clo" << true;
    QTest::newRow("silent receiver leaves the label empty") << QByteArray() << QByteArray() << "" << true;
}

void tst_frmRelay::answerAfterAButton()
{
    QFETCH(QByteArray, relayReply);
    QFETCH(QByteArray, statusReply);
    QFETCH(QString, shown);
    QFETCH(bool, fullLimit);

    ReceiverBench bench;
    openReceiverStatus(bench.station, QStringLiteral("R R"), nullptr);
    frmRelay *window = frmRelay::instance();
    bench.fake.answer = [&](int, const QByteArray &line) { return line == "R R" ? statusReply : relayReply; };
    // The load ended at 10:00:00.050, so the button's mark is 10:00:00.
    QVERIFY(bench.clock.now().time() < QTime(10, 0, 0, 500));
    press(window, 1);
    QCOMPARE(shownText(window), shown);
    // Limit C: nothing is read before the pure wait ends a second past the
    // mark; without a prompt the reading runs to two seconds past it.
    QVERIFY(bench.clock.now().time() > QTime(10, 0, 1));
    QCOMPARE(bench.clock.now().time() > QTime(10, 0, 2), fullLimit);
}

void tst_frmRelay::loadAnswerWithoutPromptIsShownWholeAfterLimitB()
{
    ReceiverBench bench;
    bench.fake.answer = [](int, const QByteArray &) { return QByteArray("Relay 1: Open\r\nRelay 2: Clo"); };
    openReceiverStatus(bench.station, QStringLiteral("R R"), nullptr);
    QCOMPARE(shownText(frmRelay::instance()), QStringLiteral("Relay 1: Open\r\nRelay 2: Clo"));
    QVERIFY(bench.elapsedMs() > 3000);
    QVERIFY(bench.elapsedMs() < 3100);
}

void tst_frmRelay::layoutAndCommandsStayWhenExtendedRelaysIsChosenWhileOpen()
{
    ReceiverBench bench;
    openReceiverStatus(bench.station, QStringLiteral("R R"), nullptr);
    frmRelay *window = frmRelay::instance();
    bench.fake.sent.clear();

    openReceiverStatus(bench.station, QStringLiteral("R ER"), nullptr);
    QCOMPARE(frmRelay::instance(), window);
    QVERIFY(bench.fake.sent.isEmpty());
    QCOMPARE(visibleButtons(window), 4);
    QCOMPARE(shownText(window), QStringLiteral("Receiver 1 relays\r\nRelay 1: Open\r\n>"));

    // The first button is still relay 1's Open, asking the relay status.
    press(window, 0);
    QCOMPARE(bench.fake.linesSent(), (QList<QByteArray>{"RE O 1\r", "R R\r"}));
}

void tst_frmRelay::portThatCannotBeOpenedShowsTheErrorAndKeepsRunning()
{
    ReceiverBench bench;
    bench.fake.refusedPorts = {1};
    openReceiverStatus(bench.station, QStringLiteral("R ER"), nullptr);
    frmRelay *window = frmRelay::instance();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(bench.home.errors, QStringList{"1 No such file or directory"});
    QCOMPARE(shownText(window), QString());

    press(window, 4);
    QCOMPARE(bench.home.errors.size(), 2);
    QCOMPARE(bench.home.errors.last(), QStringLiteral("1 No such file or directory"));
    QVERIFY(bench.fake.sent.isEmpty());
    QCOMPARE(bench.fake.openNow, 0);

    // Once the port is back, the next button opens it with the load's number.
    bench.fake.refusedPorts.clear();
    press(window, 4);
    QCOMPARE(bench.fake.linesSent(), (QList<QByteArray>{"ER D 3\r", "R ER\r"}));
    QCOMPARE(bench.fake.sent.first().port, 1);
    QCOMPARE(shownText(window), QStringLiteral("Receiver 1 extended relays\r\n>"));
}

void tst_frmRelay::receiverTwoChosenInReceiverSelectOpensOnItsPort()
{
    ReceiverBench bench(1);
    openReceiverStatus(bench.station, QStringLiteral("R R"), nullptr);
    QVERIFY(!frmRelay::instance());
    frmComPort *select = frmComPort::instance();
    QVERIFY(select);
    QVERIFY(bench.fake.sent.isEmpty());

    QTest::mouseClick(select->findChild<QRadioButton *>(QStringLiteral("Option2")), Qt::LeftButton);
    QTest::mouseClick(select->findChild<QPushButton *>(QStringLiteral("cmdClose")), Qt::LeftButton);
    QVERIFY(!frmComPort::instance());
    frmRelay *window = frmRelay::instance();
    QVERIFY(window);
    QCOMPARE(bench.station.ActivePort, 2);
    QCOMPARE(bench.fake.linesSent(), QList<QByteArray>{"R R\r"});
    QCOMPARE(bench.fake.sent.first().port, 2);
    QCOMPARE(shownText(window), QStringLiteral("Receiver 2 relays\r\nRelay 1: Open\r\n>"));

    bench.fake.sent.clear();
    press(window, 2);
    QCOMPARE(bench.fake.sent.first().port, 2);
}

QTEST_MAIN(tst_frmRelay)
#include "tst_frmrelay.moc"
