#include "http.h"
#include "teststation.h"

#include "engine/switchengine.h"
#include "monitor/statusmonitor.h"
#include "monitor/statusserver.h"
#include "platform/journal.h"
#include "receiver/receiverlink.h"
#include "schedules.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A started station with the status server on a port the system chose.
struct Served : TestStation
{
    explicit Served(bool serve = true)
    {
        station.settings.EbNoRate = 5;
        if (serve)
            monitor.start(ListenAddress{QStringLiteral("127.0.0.1"), 0});
    }
    HttpAnswer get(const QByteArray &path)
    {
        monitor.publisher().publish(StatusPublisher::steadyMs());
        return httpExchange(monitor.serving()->port, httpRequest("GET", path));
    }

    ReceiverLink link{station};
    SwitchEngine engine{station, link};
    StatusMonitor monitor{station, engine};
};

} // namespace

// The status server: what it answers, the figures it reports, where it
// listens and what it says when it cannot, and the journal.
class tst_Monitor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void requests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("tickAgeMs");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("part"); // of the headers or the body
        const auto row = [](const char *name, const char *method, const char *path, int age, int status, const char *part) {
            QTest::newRow(name) << httpRequest(method, path) << age << status << QByteArray(part);
        };
        row("status page", "GET", "/", 0, 200, "Content-Security-Policy: default-src 'none'; script-src 'nonce-");
        row("metrics", "GET", "/metrics", 0, 200, "text/plain; version=0.0.4");
        row("HEAD: the headers alone", "HEAD", "/status.json", 0, 200, "application/json");
        row("health", "GET", "/healthz", 4000, 200, "ok\n");
        row("health, the tick stalled 6 s", "GET", "/healthz", 6000, 503, "stalled: the clock tick last ran 6");
        row("the page says the tick stalled", "GET", "/", 6000, 200, "ago, at 08:59:54: the program is not switching");
        row("POST", "POST", "/", 0, 405, "Allow: GET, HEAD");
        row("unknown path", "GET", "/metrics/", 0, 404, "Not found");
        row("out of the folder", "GET", "/../../etc/passwd", 0, 404, "Not found");
        QTest::newRow("a GET with a body") << QByteArray("GET / HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nabc") << 0
                                           << 400 << QByteArray("carries no body");
        QTest::newRow("two requests on one connection")
            << "GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n" + httpRequest("GET", "/healthz") << 0 << 200
            << QByteArray("ok\nHTTP/1.1 200 OK\r\n");
    }

    void requests()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, tickAgeMs);
        QFETCH(QByteArray, part);
        Served s;
        s.monitor.publisher().tickDoneAt(StatusPublisher::steadyMs() - tickAgeMs);
        const HttpAnswer a = httpExchange(s.monitor.serving()->port, request);
        QTEST(a.status, "status");
        QVERIFY2(a.head.contains(part) || a.body.contains(part), (a.head + "\n\n" + a.body.left(400)).constData());
        if (request.startsWith("HEAD"))
            QCOMPARE(a.body, QByteArray());
    }

    // One Eb/No reading of receiver 1, as the metrics show it.
    void readings_data()
    {
        QTest::addColumn<QByteArray>("answer"); // "refused": the port does not open; "no logs": the folder is gone
        QTest::addColumn<QByteArray>("result");
        QTest::addColumn<int>("answering");
        QTest::addColumn<QByteArray>("also"); // a line the metrics also hold
        QTest::newRow("a value") << carrierAnswer("8.5") << QByteArray("value") << 1
                                 << QByteArray("kestrelpoint_ebno_time_seconds{receiver=\"1\"} 1828083600.05\n");
        QTest::newRow("None: a short answer") << QByteArray("R C\r\n>") << QByteArray("none") << 1 << QByteArray();
        QTest::newRow("receiver silent") << QByteArray() << QByteArray("none") << 0 << QByteArray();
        QTest::newRow("port refused") << QByteArray("refused") << QByteArray("failed") << 0 << QByteArray();
        QTest::newRow("logs folder gone") << QByteArray("no logs") << QByteArray("failed") << 0
                                          << QByteArray("kestrelpoint_log_write_failures_total{log=\"ebno\"} 1\n");
    }

    void readings()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, result);
        QFETCH(int, answering);
        QFETCH(QByteArray, also);
        Served s;
        if (answer == "refused")
            s.receivers.refusedPorts.insert(1);
        if (answer == "no logs")
            QVERIFY(QDir(s.home.file(QStringLiteral("logs"))).removeRecursively());
        s.receivers.answer = [&answer](int, const QByteArray &) { return answer; };
        s.link.ReadEbNo(1, QStringLiteral("R1"));
        const QByteArray metrics = s.get("/metrics").body;
        for (const QByteArray &line : {"{receiver=\"1\",result=\"" + result + "\"} 1\n",
                                       "kestrelpoint_receiver_answering{receiver=\"1\"} " + QByteArray::number(answering), also})
            QVERIFY2(metrics.contains(line), (line + " not in:\n" + metrics).constData());
        // The value and its time only when there is a value.
        QCOMPARE(metrics.contains("kestrelpoint_ebno_db{receiver=\"1\"} 8.5\n"), result == "value");
        QCOMPARE(metrics.contains("kestrelpoint_ebno_db{"), result == "value");
        QCOMPARE(metrics.contains("kestrelpoint_ebno_time_seconds{"), result == "value");
    }

    // A status server started after a restart draws the day's readings from
    // the log, and shows its last value; readings since the start are not
    // read again from the log.
    void dayOfReadingsAfterARestart_data()
    {
        QTest::addColumn<bool>("readBefore");
        QTest::addColumn<QString>("readings"); // status.json's, receiver 1
        QTest::newRow("from the log") << false << "[[1828080012,8.1],[1828080072,null],[1828080132,8.4]]";
        QTest::newRow("a reading since the start") << true << "[[1828083600,8.5]]";
    }

    void dayOfReadingsAfterARestart()
    {
        QFETCH(bool, readBefore);
        Served s(false);
        s.home.write(QStringLiteral("logs/EB271206.log"), "08:00:12  8.1\r\n08:01:12  None\r\n08:02:12  8.4\r\n");
        if (readBefore)
            s.station.stats.ebNoRead(1, QStringLiteral("8.5"), true);
        s.monitor.start(ListenAddress{QStringLiteral("127.0.0.1"), 0});
        const QJsonObject r1 = QJsonDocument::fromJson(s.get("/status.json").body)["receivers"][0].toObject();
        QTEST(QString::fromUtf8(QJsonDocument(r1["ebNoToday"].toArray()).toJson(QJsonDocument::Compact)), "readings");
        QCOMPARE(r1["ebNo"]["db"].toDouble(), readBefore ? 8.5 : 8.4);
    }

    // Every figure touched, two receivers: promtool accepts the text, and the
    // histogram counts each send once, in its own bucket and all above.
    void metricsPassPromtool()
    {
        Served s;
        s.station.settings.TwoReceivers = 1;
        s.station.settings.RemoteControlOn = true;
        s.addSchedule(schedule(QStringLiteral("Noon News"), 2, onDay(1, QStringLiteral("12:00:00"))));
        s.ebNo[1] = "9.6";
        s.link.ReadEbNo(1, QStringLiteral("R1"));
        s.link.ReadEbNo(2, QStringLiteral("R2"));
        StationStats &st = s.station.stats;
        for (SwitchOutcome o : {SwitchOutcome::Sent, SwitchOutcome::Failed, SwitchOutcome::Skipped, SwitchOutcome::Cancelled})
            st.switchDone(2, QStringLiteral("Noon News"), kTestMonday, o);
        st.firstSendDelay(1, 0.012);
        st.firstSendDelay(2, -0.5);
        st.remoteStart(2, true);
        // The alarm twice, each held over two polls; the time-set input in the
        // reset minute (the clock is at 09:00:00).
        s.station.settings.ClockResetTime = QStringLiteral("00:30");
        for (quint8 status : {111, 111, 127, 111, 111, 119}) {
            s.setInputs(status);
            s.engine.portInputs().ReadPortInputs();
        }
        st.errorShown(QStringLiteral("2  No such file or directory: /dev/ttyS0 Command not sent."));
        st.logWriteFailed(LogKind::Mpeg);
        const QByteArray metrics = s.get("/metrics").body;

        QProcess promtool;
        promtool.setProcessChannelMode(QProcess::MergedChannels);
        promtool.start(QStringLiteral("promtool"), {QStringLiteral("check"), QStringLiteral("metrics")});
        QVERIFY2(promtool.waitForStarted(), "promtool is needed: make deps installs it");
        promtool.write(metrics);
        promtool.closeWriteChannel();
        QVERIFY(promtool.waitForFinished(30000));
        QVERIFY2(promtool.exitCode() == 0 && promtool.readAll().isEmpty(), metrics.constData());
        for (const char *line :
             {"kestrelpoint_first_send_delay_seconds_bucket{receiver=\"1\",le=\"0.01\"} 0\n",
              "kestrelpoint_first_send_delay_seconds_bucket{receiver=\"1\",le=\"0.025\"} 1\n",
              "kestrelpoint_first_send_delay_seconds_bucket{receiver=\"2\",le=\"0.25\"} 0\n",
              "kestrelpoint_first_send_delay_seconds_bucket{receiver=\"2\",le=\"0.5\"} 1\n",
              "kestrelpoint_first_send_delay_seconds_bucket{receiver=\"2\",le=\"+Inf\"} 1\n",
              "kestrelpoint_first_send_delay_seconds_sum{receiver=\"2\"} 0.5\n",
              "kestrelpoint_switches_total{receiver=\"2\",result=\"cancelled\"} 1\n",
              "kestrelpoint_ebno_db{receiver=\"2\"} 9.6\n", "kestrelpoint_better_receiver 2\n",
              "kestrelpoint_next_switch_time_seconds{receiver=\"2\"} 1828094400\n",
              "kestrelpoint_first_send_delay_seconds_bucket{receiver=\"1\",le=\"10\"} 1\n",
              "kestrelpoint_remote_starts_total{receiver=\"2\"} 1\n", "kestrelpoint_alarms_total 2\n",
              "kestrelpoint_alarm_active 0\n", "kestrelpoint_clock_sets_total{result=\"set\"} 1\n",
              "kestrelpoint_error_messages_total{kind=\"command\"} 1\n",
              "kestrelpoint_log_write_failures_total{log=\"mpeg\"} 1\n", "process_resident_memory_bytes "})
            QVERIFY2(metrics.contains(line), line);
    }

    // Whatever a name, a message or a log line holds is shown as that text.
    void escapesWhatItShows()
    {
        Served s;
        const QString img = QStringLiteral("<img src=x onerror=alert(1)>");
        s.station.stats.switchDone(1, img, kTestMonday, SwitchOutcome::Failed);
        s.station.stats.errorShown(QStringLiteral("</pre><script>alert(2)</script>"));
        s.station.WriteActivityLog(QStringLiteral("\"Q&A\" <b>"));
        const QByteArray page = s.get("/").body;
        for (const char *shown : {"&lt;img src=x onerror=alert(1)&gt;", "&lt;/pre&gt;&lt;script&gt;alert(2)&lt;/script&gt;",
                                  "&quot;Q&amp;A&quot; &lt;b&gt;"})
            QVERIFY2(page.contains(shown), shown);
        QVERIFY(!page.contains("<img") && !page.contains("<script>alert") && !page.contains("<b>\n"));
        const QJsonObject json = QJsonDocument::fromJson(s.get("/status.json").body).object();
        QCOMPARE(json.value("switchesToday").toArray().at(0).toObject().value("name").toString(), img);
        QCOMPARE(json.value("switchesToday").toArray().at(0).toObject().value("outcome").toString(), QStringLiteral("failed"));
    }

    void listenAddresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("parsed"); // empty: refused
        QTest::newRow("IPv4") << "127.0.0.1:7845" << "127.0.0.1:7845";
        QTest::newRow("IPv6 in brackets") << "[::1]:7845" << "[::1]:7845";
        QTest::newRow("IPv6 without brackets") << "::1:7845" << "";
        QTest::newRow("a name") << "localhost:7845" << "";
        QTest::newRow("no port") << "127.0.0.1" << "";
        QTest::newRow("port too high") << "127.0.0.1:65536" << "";
        QTest::newRow("port with a sign") << "127.0.0.1:+80" << "";
    }

    void listenAddresses()
    {
        QFETCH(QString, text);
        const std::optional<ListenAddress> a = parseListenAddress(text);
        QTEST(a ? a->text() : QString(), "parsed");
    }

    // Where the server cannot listen, the error window says where and why,
    // and the station runs on without it.
    void cannotListen_data()
    {
        QTest::addColumn<QByteArray>("file");   // RemoteStatus.ini; %1 a free port
        QTest::addColumn<QString>("address");   // --status-listen; %1 a port in use
        QTest::addColumn<QString>("message");   // %1 the port, %2 the data folder; empty: it serves
        QTest::newRow("port in use") << QByteArray() << "127.0.0.1:%1"
                                     << "The status server cannot listen on 127.0.0.1:%1: Address already in use. "
                                        "Kestrelpoint runs on without it; give --status-listen another address or port.";
        QTest::newRow("address not on this computer") << QByteArray() << "192.0.2.1:7845"
                                                      << "The status server cannot listen on 192.0.2.1:7845: Cannot "
                                                         "assign requested address.";
        QTest::newRow("port in use, from the settings file") << QByteArray("enabled=1\naddress=127.0.0.1\nport=%1\n")
                                                             << "" << "choose another address or port in SetUp > Remote Status.";
        QTest::newRow("damaged settings file") << QByteArray("enabled=yes\naddress=127.0.0.1\nport=7845\n") << ""
                                               << "The status server stays off: %2/RemoteStatus.ini is damaged";
        QTest::newRow("settings file: off") << QByteArray("enabled=0\naddress=127.0.0.1\nport=%1\n") << "" << "";
    }

    void cannotListen()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, address);
        QFETCH(QString, message);
        Served s(false);
        StatusServer taken(s.monitor.publisher());
        QString why;
        QVERIFY(taken.start({QStringLiteral("127.0.0.1"), 0}, &why));
        const QByteArray port = QByteArray::number(taken.address().port);
        if (!file.isEmpty())
            s.home.write(QStringLiteral("RemoteStatus.ini"), file.replace("%1", port));
        s.monitor.start(address.isEmpty() ? std::nullopt : parseListenAddress(address.replace("%1", port)));
        QVERIFY(!s.monitor.serving());
        const QStringList expected = message.isEmpty() ? QStringList()
            : QStringList{message.replace("%1", port).replace("%2", s.home.path())};
        QCOMPARE(s.home.errors.size(), expected.size());
        if (!expected.isEmpty())
            QVERIFY2(s.home.errors.first().contains(expected.first()), qPrintable(s.home.errors.first()));
    }

    // Activity lines go to the journal at info with their receiver, only when
    // the activity log is on; standard error is told apart from the journal's
    // stream by its device and inode.
    void journal()
    {
        QList<std::tuple<int, QString, int>> sent;
        Journal::setSink([&sent](Journal::Priority p, const QString &m, int r) { sent.append({int(p), m, r}); });
        TestStation s;
        s.station.WriteActivityLog(QStringLiteral("Remote Start 2 On"), 2);
        s.station.settings.ActivityLogOn = 0;
        s.station.WriteActivityLog(QStringLiteral("Alarm"));
        Journal::setSink(nullptr);
        QCOMPARE(sent, (QList<std::tuple<int, QString, int>>{{int(Journal::Info), QStringLiteral("Remote Start 2 On"), 2}}));

        struct stat st = {};
        QVERIFY(::fstat(STDERR_FILENO, &st) == 0);
        qputenv("JOURNAL_STREAM", QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino)));
        QVERIFY(Journal::standardErrorIsJournal());
        qputenv("JOURNAL_STREAM", QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino) + 1));
        QVERIFY(!Journal::standardErrorIsJournal());
        qunsetenv("JOURNAL_STREAM");
    }
};

QTEST_GUILESS_MAIN(tst_Monitor)
#include "tst_monitor.moc"
