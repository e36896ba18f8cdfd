#include "../../tools/powercut-writer/powercutcontents.h"
#include "processes.h"
#include "schedules.h"

#include "platform/filewrite.h"
#include "receiver/sourcecodes.h"
#include "settings/stationsettings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <unistd.h>

namespace {

using Pair = std::array<QByteArray, 2>;

// A schedule the writer never touches, between the ones it rewrites.
QByteArray untouchedRecord(int n)
{
    ScheduleRecord r;
    r.PgmName = QStringLiteral("Untouched %1").arg(n);
    r.SatLang = QStringLiteral("POR");
    r.SwitchTime[3] = QStringLiteral("13:13:13");
    return recordBytes(r);
}

Pair recordPair(int n)
{
    return {recordBytes(PowerCut::schedule(0, n)), recordBytes(PowerCut::schedule(1, n))};
}

// The writer's two contents of each data file but the schedules.
Pair pairOf(const QString &name)
{
    const auto bytes = [&](int content) {
        if (name == QLatin1String("Kestrelpoint.ini"))
            return SettingsFormat::settingsBytes(PowerCut::settings(content));
        if (name == QLatin1String("TimeReset.ini"))
            return SettingsFormat::timeResetBytes(PowerCut::settings(content).ClockResetTime);
        return SourceCodes::bytes(PowerCut::sourceCodes(content));
    };
    return {bytes(0), bytes(1)};
}

// 0 or 1 for the content the bytes are, -1 for anything else.
int which(const QByteArray &bytes, const Pair &pair)
{
    return bytes == pair[0] ? 0 : bytes == pair[1] ? 1 : -1;
}

QString shown(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.left(200).toPercentEncoding(" :,"));
}

// Which of the writer's two contents a data file holds, or -1 with what is
// wrong. The schedule file counts by its first record; each rewritten record
// must be whole and the others untouched.
int contentOf(const QString &name, const QByteArray &bytes, QString *problem)
{
    if (name != QLatin1String("SwitchList.dat")) {
        const int content = which(bytes, pairOf(name));
        if (content < 0)
            *problem = QStringLiteral(" is \"%1\"").arg(shown(bytes));
        return content;
    }
    if (bytes.size() != PowerCut::kRecordCount * kRecordLength) {
        *problem = QStringLiteral(" is %1 bytes").arg(bytes.size());
        return -1;
    }
    int first = -1;
    for (int n = PowerCut::kRecordCount; n >= 1; --n) {
        const QByteArray record = bytes.mid((n - 1) * kRecordLength, kRecordLength);
        first = PowerCut::kRecords.contains(n) ? which(record, recordPair(n)) : (record == untouchedRecord(n) ? 0 : -1);
        if (first < 0) {
            *problem = QStringLiteral(": record %1 is \"%2\"").arg(n).arg(shown(record));
            return -1;
        }
    }
    return first;
}

const QStringList &kDataFiles = ProgramRun::kDataFiles;

} // namespace

class tst_PowerCut : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyFileIsOldOrNewAfterEachKill();
    void everyReplaceSyncsItsFolder();
};

// The writer persists as the windows do; each kill stands for a power cut at
// that moment. Whatever the moment, every file must be the old content or
// the new one, whole.
void tst_PowerCut::everyFileIsOldOrNewAfterEachKill()
{
    QTemporaryDir dir;
    const QString home = dir.path();
    QByteArray schedules;
    for (int n = 1; n <= PowerCut::kRecordCount; ++n)
        schedules += PowerCut::kRecords.contains(n) ? recordPair(n)[0] : untouchedRecord(n);
    QVERIFY(writeAll(home + QStringLiteral("/SwitchList.dat"), schedules));
    for (const char *name : {"Kestrelpoint.ini", "TimeReset.ini", "Source.dat"})
        QVERIFY(writeAll(home + QLatin1Char('/') + QLatin1String(name), pairOf(QLatin1String(name))[0]));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KESTRELPOINT_HOME"), home);
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);

    int kills = 0;
    // How often each file was found holding the writer's other content: a
    // test whose writer never got to write would prove nothing.
    QMap<QString, int> changed;
    QMap<QString, int> previous;
    QElapsedTimer elapsed;
    elapsed.start();
    while (kills < 600 && elapsed.elapsed() < 28000) {
        QProcess writer;
        writer.setProcessEnvironment(env);
        writer.start(QStringLiteral(KP_POWERCUT_BINARY), {});
        QVERIFY2(writer.waitForReadyRead(5000) && writer.readAllStandardOutput().startsWith("writing"),
                 writer.readAllStandardError().constData());
        // The cut comes at a random moment of the writer's passes.
        QThread::usleep(random.bounded(40000));
        writer.kill();
        QVERIFY(writer.waitForFinished(5000));
        QVERIFY2(writer.exitStatus() == QProcess::CrashExit,
                 qPrintable(QStringLiteral("the writer stopped by itself: ") + writer.readAllStandardError()));
        ++kills;
        const QString context = QStringLiteral("after kill %1 (seed %2): ").arg(kills).arg(seed);

        for (const QString &name : kDataFiles) {
            QString problem;
            const int content = contentOf(name, readAll(home + QLatin1Char('/') + name), &problem);
            QVERIFY2(content >= 0, qPrintable(context + name + problem));
            if (content != previous[name])
                ++changed[name];
            previous[name] = content;
        }
        // A cut during a whole-file replace leaves its unfinished copy, under
        // the name only such copies have; the next start removes it.
        for (const QString &name : QDir(home).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            QVERIFY2(kDataFiles.contains(name) || (FileWrite::isTemporaryName(name) && kDataFiles.contains(name.mid(26))),
                     qPrintable(context + QStringLiteral("stray file ") + name));
        }
    }
    // The next start removes what the cuts left, and only that.
    FileWrite::removeLeftovers(home);
    const QStringList left = QDir(home).entryList(QDir::Files | QDir::Hidden | QDir::System);
    QCOMPARE(QSet<QString>(left.begin(), left.end()), QSet<QString>(kDataFiles.begin(), kDataFiles.end()));
    qInfo("%d kills of the writer in %lld ms (seed %u)", kills, elapsed.elapsed(), seed);
    QVERIFY2(kills >= 200, qPrintable(QString::number(kills)));
    for (const QString &name : kDataFiles)
        QVERIFY2(changed.value(name) > 0, qPrintable(name + QStringLiteral(" was never found rewritten")));
}

// A rename is only safe from a power cut once the folder that holds the new
// name is on the disk: after every rename of a data file the writer syncs the
// folder, before it goes on. Seen in the system calls it makes.
void tst_PowerCut::everyReplaceSyncsItsFolder()
{
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty())
        QSKIP("strace is not installed (make deps)");
    QTemporaryDir dir;
    const QString home = QDir(dir.path()).canonicalPath();
    QProcess writer;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KESTRELPOINT_HOME"), home);
    writer.setProcessEnvironment(env);
    // strace and the writer in a group of their own, ended together.
    writer.setChildProcessModifier([] { ::setsid(); });
    const QString trace = home + QStringLiteral("/strace.out");
    writer.start(strace, {QStringLiteral("-y"), QStringLiteral("-e"), QStringLiteral("trace=rename,renameat,renameat2,fsync"),
                          QStringLiteral("-o"), trace, QStringLiteral(KP_POWERCUT_BINARY)});
    QVERIFY(writer.waitForReadyRead(10000));
    QThread::msleep(300);
    ::kill(-pid_t(writer.processId()), SIGKILL);
    QVERIFY(writer.waitForFinished(5000));

    int renames = 0;
    bool awaitingSync = false;
    for (const QByteArray &call : readAll(trace).split('\n')) {
        if (call.startsWith("rename") && call.endsWith("= 0")) {
            QVERIFY2(!awaitingSync, call.constData());
            awaitingSync = call.contains(home.toLocal8Bit());
            renames += awaitingSync;
        } else if (call.startsWith("fsync(") && call.contains("<" + home.toLocal8Bit() + ">)")) {
            awaitingSync = false;
        }
    }
    QVERIFY2(renames >= 4, qPrintable(QString::number(renames)));
}

QTEST_GUILESS_MAIN(tst_PowerCut)
#include "tst_powercut.moc"
