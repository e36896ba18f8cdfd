#include "windows.h"

#include "receiver/receiverlink.h"
#include "ui/frmcomport.h"
#include "ui/frmdisplayreceiver.h"
#include "ui/frmrelay.h"
#include "ui/frmsetreceiver.h"
#include "ui/receiverstatusmenu.h"

#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

namespace {

// Receivers that answer each query with its name and their own number, and
// every other line with the prompt; the codes SPA and ENG in file order.
struct Receivers : WindowStation
{
    explicit Receivers(int twoReceivers = 0)
    {
        station.settings.TwoReceivers = twoReceivers;
        writeSourceCodes("SPA\r\nENG\r\n\r\n");
        receivers.answer = [](int port, const QByteArray &line) -> QByteArray {
            return line.startsWith("R") ? answer(line, port) : QByteArray("\r\n>");
        };
    }
    static QByteArray answer(const QByteArray &query, int port)
    {
        return query + " of receiver " + QByteArray::number(port) + "\r\n>";
    }
    QList<QByteArray> sent() const { return receivers.linesSent(); }
    QList<int> ports() const
    {
        QList<int> ports;
        for (const FakeReceivers::Sent &s : receivers.sent)
            ports << s.port;
        return ports;
    }
    frmSetReceiver *openSet() { return frmSetReceiver::showWindow(station, link, nullptr); }
    ReceiverLink link{station};
};

QString shownText(QWidget *window)
{
    return control<QLabel>(window, window == frmRelay::instance() ? "lblRelay" : "lblDisplayReceiver")->text();
}

} // namespace

class tst_ReceiverWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entryOpensItsWindowOnTheChosenReceiver_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("twoReceivers");
        QTest::addColumn<bool>("receiverTwo");
        QTest::addColumn<bool>("relayWindow");
        QTest::addColumn<int>("port");
        QTest::newRow("carrier") << "RT C" << 0 << false << false << 3;
        QTest::newRow("relays") << "R R" << 0 << false << true << 3;
        QTest::newRow("two receivers: receiver one") << "RT C" << 1 << false << false << 3;
        QTest::newRow("two receivers: relays of receiver two") << "R R" << 1 << true << true << 2;
        QTest::newRow("two receivers: settings of receiver two") << "R S" << 1 << true << false << 2;
        QTest::newRow("two receivers: Receiver Select closed by its frame") << "R M" << 1 << true << false << 0;
    }

    void entryOpensItsWindowOnTheChosenReceiver()
    {
        QFETCH(QString, query);
        QFETCH(int, twoReceivers);
        QFETCH(bool, receiverTwo);
        QFETCH(bool, relayWindow);
        QFETCH(int, port);
        Receivers r(twoReceivers);
        r.station.settings.Receiver1Port = 3;
        r.station.ActivePort = 4;
        openReceiverStatus(r.station, query, nullptr);
        QCOMPARE(r.station.CommandText, query);
        if (twoReceivers) {
            // Receiver Select asks first, receiver one chosen; nothing is sent yet.
            frmComPort *select = frmComPort::instance();
            QVERIFY(select);
            QVERIFY(control<QRadioButton>(select, "Option1")->isChecked());
            QVERIFY(!frmRelay::instance() && !frmDisplayReceiver::instance());
            QVERIFY(r.sent().isEmpty());
            QCOMPARE(r.station.ActivePort, 4);
            if (receiverTwo)
                press(select, "Option2");
            if (port == 0) {
                QVERIFY(select->close());
                QVERIFY(!frmComPort::instance() && !frmDisplayReceiver::instance() && !frmRelay::instance());
                QVERIFY(r.sent().isEmpty());
                QCOMPARE(r.station.ActivePort, 4);
                return;
            }
            press(select, "cmdClose");
        }
        QVERIFY(!frmComPort::instance());
        QCOMPARE(r.station.ActivePort, port);
        QWidget *window = relayWindow ? static_cast<QWidget *>(frmRelay::instance()) : frmDisplayReceiver::instance();
        QVERIFY(window && window->isVisible());
        QVERIFY(!(relayWindow ? static_cast<QWidget *>(frmDisplayReceiver::instance()) : frmRelay::instance()));
        QCOMPARE(r.sent(), QList<QByteArray>{query.toLatin1() + '\r'});
        QCOMPARE(r.ports(), QList<int>{port});
        QCOMPARE(shownText(window), QString::fromLatin1(Receivers::answer(query.toLatin1(), port)));
        QCOMPARE(r.receivers.openNow, 0);
    }

    void statusWindowOpenWhenAnEntryIsChosen_data()
    {
        QTest::addColumn<QString>("open");
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("closesIt");
        QTest::addColumn<QList<QByteArray>>("sent");
        QTest::newRow("carrier closes it and asks afresh") << "R M" << "RT C" << true << QList<QByteArray>{"RT C\r"};
        QTest::newRow("extended relays closes it") << "R M" << "R ER" << true << QList<QByteArray>{"R ER\r"};
        QTest::newRow("relays leaves it") << "R M" << "R R" << false << QList<QByteArray>{"R R\r"};
        QTest::newRow("MPEG brings it forward") << "R M" << "R M" << false << QList<QByteArray>{};
        QTest::newRow("serial port brings it forward") << "R M" << "R SP" << false << QList<QByteArray>{};
        QTest::newRow("settings brings it forward") << "R M" << "R S" << false << QList<QByteArray>{};
        QTest::newRow("extended relays brings the relay window forward as it is")
            << "R R" << "R ER" << false << QList<QByteArray>{};
    }

    void statusWindowOpenWhenAnEntryIsChosen()
    {
        QFETCH(QString, open);
        QFETCH(QString, query);
        QFETCH(bool, closesIt);
        Receivers r;
        openReceiverStatus(r.station, open, nullptr);
        QWidget *relays = frmRelay::instance();
        QPointer<QWidget> status = relays ? relays : static_cast<QWidget *>(frmDisplayReceiver::instance());
        const QString shown = shownText(status);
        r.receivers.sent.clear();
        openReceiverStatus(r.station, query, nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(status.isNull(), closesIt);
        QTEST(r.sent(), "sent");
        if (status)
            QCOMPARE(shownText(status), shown);
    }

    // Refresh asks again, on the port and with the settings of the opening.
    void refreshAsksTheQueryShownOnThePortOfTheOpening()
    {
        Receivers r;
        openReceiverStatus(r.station, QStringLiteral("RT C"), nullptr);
        frmDisplayReceiver *window = frmDisplayReceiver::instance();
        openReceiverStatus(r.station, QStringLiteral("R M"), nullptr);
        QCOMPARE(shownText(window), QString::fromLatin1(Receivers::answer("RT C", 1)));
        r.station.ActivePort = 2;
        r.station.settings.BaudChoice = 2;
        r.receivers.sent.clear();
        press(window, "cmdDisplayReceiverRefresh");
        QCOMPARE(r.sent(), QList<QByteArray>{"R M\r"});
        QCOMPARE(r.ports(), QList<int>{1});
        QCOMPARE(r.receivers.sent.first().settings, QStringLiteral("9600,N,8,1"));
        QCOMPARE(shownText(window), QString::fromLatin1(Receivers::answer("R M", 1)));
    }

    void relayButtonSendsItsCommandThenTheQuery_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("index");
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("relay 1 open") << "R R" << 4 << 0 << QByteArray("RE O 1\r");
        QTest::newRow("button 26 opens extended relay 14") << "R ER" << 28 << 26 << QByteArray("ER D 14\r");
    }

    void relayButtonSendsItsCommandThenTheQuery()
    {
        QFETCH(QString, query);
        QFETCH(int, buttons);
        QFETCH(int, index);
        QFETCH(QByteArray, command);
        Receivers r(1);
        openReceiverStatus(r.station, query, nullptr);
        press(frmComPort::instance(), "Option2");
        press(frmComPort::instance(), "cmdClose");
        frmRelay *window = frmRelay::instance();
        int visible = 0;
        for (QPushButton *button : window->findChildren<QPushButton *>(QStringLiteral("cmdR")))
            visible += button->isVisible() ? 1 : 0;
        QCOMPARE(visible, buttons);
        r.receivers.sent.clear();
        press(window, "cmdR", index);
        QCOMPARE(r.sent(), (QList<QByteArray>{command, query.toLatin1() + '\r'}));
        QCOMPARE(r.ports(), (QList<int>{2, 2}));
        QCOMPARE(r.receivers.openNow, 0);
    }

    // The relay window stays open, empty; each button tells again.
    void portThatCannotBeOpenedIsShownAndTheWindowStays()
    {
        Receivers r;
        r.receivers.refusedPorts = {1};
        openReceiverStatus(r.station, QStringLiteral("R ER"), nullptr);
        frmRelay *window = frmRelay::instance();
        QVERIFY(window && window->isVisible());
        const QString message = QStringLiteral("1 No such file or directory");
        QCOMPARE(r.home.errors, QStringList{message});
        QCOMPARE(shownText(window), QString());
        press(window, "cmdR", 4);
        QCOMPARE(r.home.errors, (QStringList{message, message}));
        QVERIFY(r.sent().isEmpty());
        QCOMPARE(r.receivers.openNow, 0);
    }

    void setSwitchesTheChosenReceiver_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("twoReceivers");
        QTest::addColumn<QList<int>>("rows"); // port, route, code, attenuation
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("sourceCodes");
        QTest::newRow("without Source.dat: told, and still switches")
            << "0" << 0 << QList<int>{0, 0, 0, 0}
            << QList<QByteArray>{"SETAUDIO 1 1     0  \r", "ER D 11\r", "ER D 14\r"} << 1 << false;
        QTest::newRow("audio port 2, stereo, ENG, 7")
            << "0" << 0 << QList<int>{1, 2, 1, 7} << QList<QByteArray>{"SETAUDIO 2 S ENG 7  \r", "ER D 4\r", "ER D 7\r"}
            << 1 << true;
        QTest::newRow("model 500: its own command, no relays")
            << "1" << 0 << QList<int>{1, 2, 1, 7} << QList<QByteArray>{"SETAUDIO S ENG 7  \r"} << 1 << true;
        QTest::newRow("receiver two chosen") << "0" << 1 << QList<int>{4, 0, 0, 0}
                                             << QList<QByteArray>{"SETAUDIO 5 1 SPA 0  \r"} << 2 << true;
    }

    void setSwitchesTheChosenReceiver()
    {
        QFETCH(QString, model);
        QFETCH(int, twoReceivers);
        QFETCH(QList<int>, rows);
        QFETCH(int, port);
        QFETCH(bool, sourceCodes);
        Receivers r(twoReceivers);
        r.station.settings.ReceiverModel = model;
        if (!sourceCodes)
            QVERIFY(QFile::remove(r.home.file(QStringLiteral("Source.dat"))));
        frmSetReceiver *w = r.openSet();
        QCOMPARE(r.home.errors, sourceCodes ? QStringList{} : QStringList{missingSourceCodesMessage()});
        QCOMPARE(control(w, "lstPort")->isVisible(), model == QLatin1String("0"));
        QCOMPARE(control(w, "Option2")->isVisible(), twoReceivers == 1);
        const char *lists[] = {"lstPort", "lstRoute", "lstLang", "lstAtt"};
        for (int i = 0; i < 4; ++i)
            control<QListWidget>(w, lists[i])->setCurrentRow(rows[i]);
        if (twoReceivers)
            press(w, "Option2");
        control<QCheckBox>(w, "Check1")->setChecked(false);
        press(w, "cmdSet");
        QTEST(r.sent(), "lines");
        QCOMPARE(r.ports(), QList<int>(r.sent().size(), port));
        QCOMPARE(r.station.ActivePort, port);
        QVERIFY(!frmDisplayReceiver::instance());
        QCOMPARE(r.receivers.openNow, 0);
    }

    // The prompts answering the commands arrive after them and are not
    // taken for the answer to "R M".
    void viewSettingsShowsTheMpegStatusOfTheSameReceiver()
    {
        Receivers r;
        r.station.settings.Receiver1Port = 3;
        r.station.CommandText = QStringLiteral("R R");
        press(r.openSet(), "cmdSet");
        QCOMPARE(r.sent(), (QList<QByteArray>{"SETAUDIO 1 1 SPA 0  \r", "ER D 11\r", "ER D 14\r", "R M\r"}));
        QCOMPARE(r.ports(), (QList<int>{3, 3, 3, 3}));
        QCOMPARE(r.station.CommandText, QStringLiteral("R M"));
        QVERIFY(frmDisplayReceiver::instance());
        QCOMPARE(shownText(frmDisplayReceiver::instance()), QString::fromLatin1(Receivers::answer("R M", 3)));
    }
};

QTEST_MAIN(tst_ReceiverWindows)
#include "tst_receiverwindows.moc"
