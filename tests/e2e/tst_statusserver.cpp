#include "http.h"
#include "processes.h"
#include "schedules.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>
#include <QtTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

// The real program's status server, as the outside sees it: a real
// Prometheus scrapes it and headless Chromium reads its page; it answers
// while a conversation holds the program; clients that misbehave get an
// answer or a closed connection while the program ticks on and its memory
// stays put.

namespace {

const QString kBinary = QStringLiteral(KP_BINARY);

// The port the program says it answers on, in what it wrote to standard error.
quint16 serverPort(const std::function<QByteArray()> &standardError)
{
    static const QRegularExpression said(QStringLiteral("answers on http://127\\.0\\.0\\.1:(\\d+)/"));
    QRegularExpressionMatch m;
    const bool told = QTest::qWaitFor([&] { return (m = said.match(QString::fromLocal8Bit(standardError()))).hasMatch(); },
                                      15000);
    return told ? quint16(m.captured(1).toUInt()) : 0;
}

qint64 residentKb(qint64 pid)
{
    const QByteArray status = readAll(QStringLiteral("/proc/%1/status").arg(pid));
    const qsizetype at = status.indexOf("VmRSS:");
    return at < 0 ? -1 : status.mid(at + 6, status.indexOf('\n', at) - at - 6).trimmed().split(' ').first().toLongLong();
}

// The value of an instant query's first result, empty when there is none.
QString promValue(quint16 port, const QString &query)
{
    const QByteArray path = "/api/v1/query?query=" + QUrl::toPercentEncoding(query);
    const QJsonArray result = QJsonDocument::fromJson(httpExchange(port, httpRequest("GET", path)).body)
                                  .object()["data"].toObject()["result"].toArray();
    return result.isEmpty() ? QString() : result[0].toObject()["value"].toArray()[1].toString();
}

// Many clients at once, each sending the request: how many got an answer
// and how many were closed without one; the rest still hang when the time is up.
std::pair<int, int> manyAtOnce(quint16 port, int clients, const QByteArray &request, int timeoutMs)
{
    QList<int> fds;
    for (int i = 0; i < clients; ++i)
        fds << sendToLoopback(port, request);
    int answered = 0, closed = 0;
    QElapsedTimer waited;
    waited.start();
    for (int fd : fds) {
        QByteArray got;
        if (fd >= 0 && readToEnd(fd, got, int(std::max<qint64>(0, timeoutMs - waited.elapsed()))))
            ++(got.startsWith("HTTP/1.1 200") ? answered : closed);
        ::close(fd);
    }
    return {answered, closed};
}

} // namespace

class tst_StatusServer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void answersWhileAConversationHoldsTheProgram();
    void badRequests_data();
    void badRequests();
    void memoryStaysPut();
    void prometheusScrapesAndABrowserReads();
    void aFailureReachesTheJournalOnce_data();
    void aFailureReachesTheJournalOnce();

private:
    // One kind of misbehaviour; true when it was answered or closed in time.
    bool misbehave(const QString &kind);

    // The program all clients go to: one receiver that never answers, so its
    // Eb/No reading at second 12 of each minute holds the program ~1 s.
    SimulatedReceiver m_receiver{{QStringLiteral("--mode"), QStringLiteral("silent")}};
    ProgramRun m_run;
    std::unique_ptr<NotifySocket> m_supervisor;
    quint16 m_port = 0;
};

void tst_StatusServer::initTestCase()
{
    m_run.writeFile(QStringLiteral("Kestrelpoint.ini"), "111500w020");
    m_supervisor = std::make_unique<NotifySocket>(m_run.scratch(QStringLiteral("notify")));
    QProcessEnvironment env;
    env.insert(QStringLiteral("NOTIFY_SOCKET"), m_supervisor->path());
    env.insert(QStringLiteral("WATCHDOG_USEC"), QStringLiteral("2000000")); // a ping every 500 ms
    m_run.setReceiver(m_receiver.device());
    m_run.setCommand({kBinary, QStringLiteral("--status-listen"), QStringLiteral("127.0.0.1:0")});
    QVERIFY(m_run.start(env, QStringLiteral("2027-12-06 12:00:06")));
    m_port = serverPort([this] { return m_run.allStandardError(); });
    QVERIFY(m_port);
    QCOMPARE(m_supervisor->next(10000), QByteArray("READY=1"));
}

// While the program waits for the silent receiver the answers keep coming,
// quickly, and say how long ago the tick ran.
void tst_StatusServer::answersWhileAConversationHoldsTheProgram()
{
    qint64 slowest = 0;
    double longestStandStill = 0;
    QElapsedTimer sinceReading; // from the "R C" on, two seconds of requests
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && !(sinceReading.isValid() && sinceReading.elapsed() > 2000)) {
        if (!sinceReading.isValid() && m_receiver.received().contains(QStringLiteral("R C")))
            sinceReading.start();
        QElapsedTimer answer;
        answer.start();
        const HttpAnswer a = httpExchange(m_port, httpRequest("GET", "/metrics"));
        slowest = std::max(slowest, answer.elapsed());
        QCOMPARE(a.status, 200);
        const qsizetype at = a.body.indexOf("\nkestrelpoint_last_tick_age_seconds ");
        longestStandStill = std::max(longestStandStill, a.body.mid(at + 37, 12).split('\n').first().toDouble());
        QTest::qWait(20);
    }
    QVERIFY2(sinceReading.isValid(), "no Eb/No reading was taken");
    QVERIFY2(longestStandStill >= 0.4, qPrintable(QString::number(longestStandStill)));
    QVERIFY2(slowest < 500, qPrintable(QString::number(slowest)));
}

void tst_StatusServer::badRequests_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind : {"a 1 MB path", "100 kB of headers", "an unknown method", "a client that sends nothing",
                             "500 connections at once", "a request cut off half way", "100 clients that hang up"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void tst_StatusServer::badRequests()
{
    QFETCH(QString, kind);
    while (!m_supervisor->next(0).isEmpty()) {
    }
    QVERIFY(misbehave(kind));
    QCOMPARE(httpExchange(m_port, httpRequest("GET", "/healthz")).status, 200);
    // The tick ran on meanwhile: the supervisor's pings came.
    QCOMPARE(m_supervisor->next(2000), QByteArray("WATCHDOG=1"));
    QVERIFY(m_run.running());
}

bool tst_StatusServer::misbehave(const QString &kind)
{
    if (kind == QLatin1String("a 1 MB path")) {
        const HttpAnswer a = httpExchange(m_port, httpRequest("GET", '/' + QByteArray(1 << 20, 'a')));
        return a.status == 414 || (a.status == 0 && a.closed);
    }
    if (kind == QLatin1String("100 kB of headers")) {
        const HttpAnswer a = httpExchange(m_port, "GET / HTTP/1.1\r\nX-Filler: " + QByteArray(100 << 10, 'h') + "\r\n\r\n");
        return a.status == 431 || (a.status == 0 && a.closed);
    }
    if (kind == QLatin1String("an unknown method"))
        return httpExchange(m_port, httpRequest("BREW", "/")).status == 405;
    if (kind == QLatin1String("a client that sends nothing")) {
        const HttpAnswer a = httpExchange(m_port, {}, 15000);
        return a.closed && a.status == 0;
    }
    if (kind == QLatin1String("500 connections at once")) {
        const auto [answered, closed] = manyAtOnce(m_port, 500, httpRequest("GET", "/healthz"), 15000);
        return answered > 0 && answered + closed == 500;
    }
    if (kind == QLatin1String("100 clients that hang up")) {
        // Each resets its connection before the page is written to it: a
        // write to it must not end the program (SIGPIPE).
        for (int i = 0; i < 100; ++i) {
            const int fd = sendToLoopback(m_port, httpRequest("GET", "/"));
            const linger reset = {1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
            ::close(fd);
        }
        return true;
    }
    // Cut off: the client hangs up in the middle of its request line.
    return httpExchange(m_port, "GET /metr", 100).status == 0;
}

// Round after round of every quick misbehaviour, the program's resident
// memory stays where the first round left it.
void tst_StatusServer::memoryStaysPut()
{
    const QStringList kinds{"a 1 MB path", "100 kB of headers", "an unknown method", "500 connections at once",
                            "a request cut off half way", "100 clients that hang up"};
    for (const QString &kind : kinds)
        QVERIFY(misbehave(kind));
    const qint64 before = residentKb(m_run.processId());
    for (int round = 0; round < 5; ++round) {
        for (const QString &kind : kinds)
            QVERIFY(misbehave(kind));
    }
    const qint64 after = residentKb(m_run.processId());
    QVERIFY2(before > 0 && after - before <= 1024, qPrintable(QStringLiteral("%1 kB -> %2 kB").arg(before).arg(after)));
}

// A switch at 11:59:30 after a reading at 11:59:12. Prometheus (its own
// configuration and storage, on loopback) scrapes every second and loads the
// alert rules; its query API then has the switch and the logged Eb/No.
// Chromium loads the page and runs its script; the page shows the next
// switch, the Eb/No and the schedule's name as the text it is.
void tst_StatusServer::prometheusScrapesAndABrowserReads()
{
    SimulatedReceiver receiver({QStringLiteral("--ebno"), QStringLiteral("7.3")});
    ProgramRun run;
    ScheduleRecord r = stereoEnglish(QStringLiteral("<svg onload=alert(1)>"), 1, 2);
    r.SwitchTime[1] = QStringLiteral("11:59:30");
    run.writeFile(QStringLiteral("SwitchList.dat"), recordBytes(r));
    run.writeFile(QStringLiteral("Kestrelpoint.ini"), "111511w020");
    run.writeFile(QStringLiteral("Source.dat"), "ENG\r\n\r\n");
    run.setReceiver(receiver.device());
    run.setCommand({kBinary, QStringLiteral("--status-listen"), QStringLiteral("127.0.0.1:0")});
    QVERIFY(run.start({}, QStringLiteral("2027-12-06 11:59:08")));
    const quint16 port = serverPort([&run] { return run.allStandardError(); });
    QVERIFY(port);

    QTemporaryDir dir;
    const quint16 promPort = freeLoopbackPort();
    QVERIFY(writeAll(dir.filePath(QStringLiteral("prometheus.yml")),
                     QStringLiteral("global: {scrape_interval: 1s, evaluation_interval: 1s}\n"
                                    "rule_files: ['%1']\n"
                                    "scrape_configs:\n  - job_name: kestrelpoint\n"
                                    "    static_configs: [{targets: ['127.0.0.1:%2']}]\n")
                         .arg(QStringLiteral(KP_SOURCE_DIR "/packaging/prometheus/kestrelpoint-alerts.yml"))
                         .arg(port)
                         .toUtf8()));
    QProcess prometheus;
    prometheus.setProcessChannelMode(QProcess::MergedChannels);
    prometheus.start(QStringLiteral("prometheus"),
                     {QStringLiteral("--config.file=") + dir.filePath(QStringLiteral("prometheus.yml")),
                      QStringLiteral("--storage.tsdb.path=") + dir.filePath(QStringLiteral("data")),
                      QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(promPort)});
    QVERIFY2(prometheus.waitForStarted(), "prometheus is needed: make deps installs it");
    const auto stopPrometheus = qScopeGuard([&prometheus] {
        prometheus.terminate();
        if (!prometheus.waitForFinished(10000))
            prometheus.kill();
    });
    QTRY_VERIFY_WITH_TIMEOUT(!promValue(promPort, QStringLiteral("kestrelpoint_ebno_db")).isEmpty(), 30000);
    QCOMPARE(promValue(promPort, QStringLiteral("up{job=\"kestrelpoint\"}")), QStringLiteral("1"));
    // The logged reading, "11:59:12  7.3".
    QVERIFY2(run.log("EB").startsWith("11:59:12  7.3\r\n"), run.log("EB").constData());
    QCOMPARE(promValue(promPort, QStringLiteral("kestrelpoint_ebno_db{receiver=\"1\"}")), QStringLiteral("7.3"));
    // The switch's moment has passed: its remote start went on.
    QTRY_VERIFY_WITH_TIMEOUT(run.log("AL").contains("  Remote Start 1 On\r\n"), 40000);
    const QString sent = QStringLiteral("kestrelpoint_switches_total{receiver=\"1\",result=\"sent\"}");
    QTest::qWait(2500); // two more scrapes
    QCOMPARE(promValue(promPort, sent), QStringLiteral("1"));

    QTemporaryDir profile;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), profile.path());
    const Ran chromium = runTool(
        QStringLiteral("chromium"),
        {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--user-data-dir=" + profile.filePath(QStringLiteral("profile")), "--virtual-time-budget=6000", "--dump-dom",
         QStringLiteral("http://127.0.0.1:%1/").arg(port)},
        60000, env);
    QVERIFY2(chromium.exitCode == 0, chromium.err.right(2000).constData());
    const QByteArray dom = chromium.out;
    // Next week's switch of the same schedule, after its script counted it down.
    QVERIFY2(QRegularExpression(QStringLiteral("Next switch: <b>&lt;svg onload=alert\\(1\\)&gt;</b><br>Monday 13 "
                                               "December, 11:59:30, in <span [^>]*>167:59:\\d\\d</span>"))
                 .match(QString::fromUtf8(dom))
                 .hasMatch(),
             dom.constData());
    QVERIFY(dom.contains("Eb/No: <b>7.3 dB</b> at 11:59:12"));
    QVERIFY(dom.contains("11:59:17  &lt;svg onload=alert(1)&gt;     SETAUDIO 2 S ENG 7  \n"));
    QVERIFY(!dom.contains("<svg onload"));
}

void tst_StatusServer::aFailureReachesTheJournalOnce_data()
{
    QTest::addColumn<bool>("journalStream");
    QTest::newRow("under systemd: standard error is the journal's stream") << true;
    QTest::newRow("from a terminal") << false;
}

// Under systemd the program sends each message of the error window to the
// journal itself, at priority err: the copy on standard error would reach
// the journal a second time, at info. The failure here is the Eb/No reading
// at 12:00:12 on a serial port that does not exist.
void tst_StatusServer::aFailureReachesTheJournalOnce()
{
    QFETCH(bool, journalStream);
    ProgramRun run;
    run.writeFile(QStringLiteral("Kestrelpoint.ini"), "111500w020");
    const QString err = run.scratch(QStringLiteral("stderr"));
    QVERIFY(writeAll(err, {}));
    struct stat st = {};
    QVERIFY(::stat(QFile::encodeName(err).constData(), &st) == 0);
    QProcessEnvironment env;
    if (journalStream)
        env.insert(QStringLiteral("JOURNAL_STREAM"), QStringLiteral("%1:%2").arg(st.st_dev).arg(st.st_ino));
    run.setCommand({QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                    QStringLiteral("exec \"$0\" --status-listen 127.0.0.1:0 2>>\"$1\""), kBinary, err});
    QVERIFY(run.start(env, QStringLiteral("2027-12-06 12:00:09")));
    const quint16 port = serverPort([&err] { return readAll(err); });
    QVERIFY(port);
    QTRY_VERIFY_WITH_TIMEOUT(httpExchange(port, httpRequest("GET", "/metrics"))
                                 .body.contains("kestrelpoint_error_messages_total{kind=\"reading\"} 1\n"),
                             15000);
    QCOMPARE(readAll(err).contains("kestrelpoint: error: "), !journalStream);
}

QTEST_GUILESS_MAIN(tst_StatusServer)
#include "tst_statusserver.moc"
