#include "receiverbench.h"

#include "ui/frmdisplayreceiver.h"
#include "ui/frmerror.h"
#include "ui/receiverstatusmenu.h"

#include <QLabel>
#include <QtTest>

namespace {

QString shownText(frmDisplayReceiver *window)
{
    return window->findChild<QLabel *>(QStringLiteral("lblDisplayReceiver"))->text();
}

void refresh(frmDisplayReceiver *window)
{
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("cmdDisplayReceiverRefresh")),
                      Qt::LeftButton);
}

} // namespace

class tst_frmDisplayReceiver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loadEndsByTheQuerysRule_data();
    void loadEndsByTheQuerysRule();
    void mpegWhileCarrierShownComesForwardUnchangedThenRefreshShowsMpeg();
    void carrierWhileOpenReopensWithAFreshQuery();
    void refreshUsesThePortAndSettingsOfTheLoad();
    void portThatCannotBeOpenedShowsTheErrorAndKeepsTheWindow_data();
    void portThatCannotBeOpenedShowsTheErrorAndKeepsTheWindow();
    void becomingActiveHandsTheFocusBackToTheErrorWindow();
};

void tst_frmDisplayReceiver::loadEndsByTheQuerysRule_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("fullLimit");

    QTest::newRow("carrier shorter than 700 waits for the limit")
        << "RT C" << QByteArray("Carrier\r\n>Eb/No 9.1\r\n>") << true;
    QTest::newRow("MPEG ends at the first prompt") << "R M" << QByteArray(">MPEG locked") << false;
}

void tst_frmDisplayReceiver::loadEndsByTheQuerysRule()
{
    QFETCH(QString, query);
    QFETCH(QByteArray, reply);
    QFETCH(bool, fullLimit);

    ReceiverBench bench;
    bench.fake.answer = [&](int, const QByteArray &) { return reply; };
    openReceiverStatus(bench.station, query, nullptr);
    frmDisplayReceiver *window = frmDisplayReceiver::instance();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Receiver Data"));
    QCOMPARE(bench.fake.linesSent(), QList<QByteArray>{query.toLatin1() + '\r'});
    QCOMPARE(shownText(window), QString::fromLatin1(reply));
    // Limit A from 10:00:00 runs to a second past the mark.
    QCOMPARE(bench.elapsedMs() > 1000, fullLimit);
    QVERIFY(bench.elapsedMs() < 1100);
    QCOMPARE(bench.fake.openNow, 0);
}

void tst_frmDisplayReceiver::mpegWhileCarrierShownComesForwardUnchangedThenRefreshShowsMpeg()
{
    ReceiverBench bench;
    openReceiverStatus(bench.station, QStringLiteral("RT C"), nullptr);
    frmDisplayReceiver *window = frmDisplayReceiver::instance();
    const QString carrier = shownText(window);
    QVERIFY(carrier.startsWith(QLatin1String("Carrier")));
    bench.fake.sent.clear();

    openReceiverStatus(bench.station, QStringLiteral("R M"), nullptr);
    QCOMPARE(frmDisplayReceiver::instance(), window);
    QVERIFY(bench.fake.sent.isEmpty());
    QCOMPARE(shownText(window), carrier);

    refresh(window);
    QCOMPARE(bench.fake.linesSent(), QList<QByteArray>{"R M\r"});
    QCOMPARE(shownText(window), QStringLiteral("MPEG locked\r\n>"));
}

void tst_frmDisplayReceiver::carrierWhileOpenReopensWithAFreshQuery()
{
    ReceiverBench bench;
    openReceiverStatus(bench.station, QStringLiteral("R M"), nullptr);
    QPointer<frmDisplayReceiver> first = frmDisplayReceiver::instance();
    bench.fake.sent.clear();

    openReceiverStatus(bench.station, QStringLiteral("RT C"), nullptr);
    frmDisplayReceiver *second = frmDisplayReceiver::instance();
    QVERIFY(second);
    QVERIFY(second != first);
    QVERIFY(!first || !first->isVisible());
    QCOMPARE(bench.fake.linesSent(), QList<QByteArray>{"RT C\r"});
    QVERIFY(shownText(second).startsWith(QLatin1String("Carrier")));
}

void tst_frmDisplayReceiver::refreshUsesThePortAndSettingsOfTheLoad()
{
    ReceiverBench bench;
    openReceiverStatus(bench.station, QStringLiteral("R M"), nullptr);
    frmDisplayReceiver *window = frmDisplayReceiver::instance();
    bench.station.ActivePort = 2;
    bench.station.settings.BaudChoice = 2;
    bench.fake.sent.clear();

    refresh(window);
    QCOMPARE(bench.fake.sent.size(), 1);
    QCOMPARE(bench.fake.sent.first().port, 1);
    QCOMPARE(bench.fake.sent.first().settings, QStringLiteral("9600,N,8,1"));
}

void tst_frmDisplayReceiver::portThatCannotBeOpenedShowsTheErrorAndKeepsTheWindow_data()
{
    QTest::addColumn<bool>("refused");
    QTest::addColumn<int>("baudChoice");
    QTest::addColumn<QString>("message");

    QTest::newRow("missing port") << true << 1 << "1 No such file or directory";
    QTest::newRow("no baud rate chosen") << false << 0 << "380 Invalid property value";
}

void tst_frmDisplayReceiver::portThatCannotBeOpenedShowsTheErrorAndKeepsTheWindow()
{
    QFETCH(bool, refused);
    QFETCH(int, baudChoice);
    QFETCH(QString, message);

    ReceiverBench bench;
    if (refused)
        bench.fake.refusedPorts = {1};
    bench.station.settings.BaudChoice = baudChoice;
    openReceiverStatus(bench.station, QStringLiteral("R SP"), nullptr);
    frmDisplayReceiver *window = frmDisplayReceiver::instance();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(bench.home.errors, QStringList{message});
    QCOMPARE(shownText(window), QString());

    refresh(window);
    QCOMPARE(bench.home.errors, (QStringList{message, message}));
    QVERIFY(bench.fake.sent.isEmpty());
    QCOMPARE(bench.fake.openNow, 0);
    QVERIFY(frmDisplayReceiver::instance());
}

void tst_frmDisplayReceiver::becomingActiveHandsTheFocusBackToTheErrorWindow()
{
    ReceiverBench bench;
    openReceiverStatus(bench.station, QStringLiteral("R M"), nullptr);
    frmDisplayReceiver *window = frmDisplayReceiver::instance();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QWidget other;
    other.show();
    QVERIFY(QTest::qWaitForWindowActive(&other));

    frmError::ShowErrorMessage(QStringLiteral("2  No such file or directory"));
    frmError *error = frmError::instance();
    QVERIFY(QTest::qWaitForWindowActive(error));
    // A window outside the rule takes the focus from the message...
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(!error->isActiveWindow());
    // ...the status window gives it back.
    window->activateWindow();
    QTRY_VERIFY(error->isActiveWindow());
}

QTEST_MAIN(tst_frmDisplayReceiver)
#include "tst_frmdisplayreceiver.moc"
