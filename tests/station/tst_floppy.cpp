#include "station/floppy.h"
#include "station/station.h"
#include "platform/clock.h"
#include "platform/parallelport.h"
#include "schedule/schedulerecord.h"
#include "testdata.h"

#include <QSignalSpy>
#include <QtTest>

#include <unistd.h>

namespace {

QByteArray record(const QString &name, int receiver = 1, char inUse = '1')
{
    ScheduleRecord r;
    r.PgmName = name;
    r.Receiver = receiver;
    r.SwitchTime.fill(QStringLiteral("12:00:00"));
    QByteArray bytes = BuildScheduleRecord(r).toLatin1();
    bytes[0] = inUse;
    return bytes;
}

QByteArray records(const QStringList &names)
{
    QByteArray bytes;
    for (const QString &name : names)
        bytes += record(name);
    return bytes;
}

class Fixture
{
public:
    explicit Fixture(const QByteArray &schedules = {})
        : clock(QDateTime(QDate(2027, 12, 6), QTime(9, 0))), station(clock, openParallelPort(home.file("port")))
    {
        qputenv("KESTRELPOINT_FLOPPY", floppy.path().toLocal8Bit());
        home.write(QStringLiteral("SwitchList.dat"), schedules);
        QString error;
        if (!station.store().OpenScheduleFile(home.file(QStringLiteral("SwitchList.dat")), &error))
            qFatal("cannot open the schedule file");
    }
    ~Fixture() { qunsetenv("KESTRELPOINT_FLOPPY"); }

    QString floppyFile(const QString &name) const { return floppy.path() + QLatin1Char('/') + name; }
    QByteArray readFloppy(const QString &name) const
    {
        QFile f(floppyFile(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeFloppy(const QString &name, const QByteArray &bytes) const
    {
        QFile f(floppyFile(name));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write the floppy file");
        f.write(bytes);
    }
    QStringList listNames(int receiver) const
    {
        QStringList names;
        for (const SwitchEntry &e : station.switchList(receiver))
            names.append(e.sortText.mid(18).trimmed());
        return names;
    }

    TestHome home;
    QTemporaryDir floppy;
    ManualClock clock;
    Station station;
    QList<int> progress;
    FloppyProgress progressRecorder()
    {
        return [this](int value) { progress.append(value); };
    }
};

enum class Operation { Save, LoadSchedules, LoadSourceCodes };

} // namespace

class tst_Floppy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sourceCodesComeBackLineForLine_data();
    void sourceCodesComeBackLineForLine();
    void saveWritesTheFourFilesWithProgress();
    void settingsCopyHoldsNineRecordsWithoutTheModel();
    void restoreOfThreeRecordsKeepsRecordsFourAndFive();
    void restoredFileIsTheOneTheStoreWrites();
    void olderLongerBackupDoesNotBringSchedulesBack();
    void failuresAreReportedAndStopTheStep_data();
    void failuresAreReportedAndStopTheStep();
    void writeProtectedFloppyIsReported();
    void floppyFolderThatIsTheDataFolderIsRefused();
    void emptyMountPointCountsAsNoMedium_data();
    void emptyMountPointCountsAsNoMedium();
};

void tst_Floppy::sourceCodesComeBackLineForLine_data()
{
    QTest::addColumn<QByteArray>("sources");
    QTest::newRow("codes and the final empty line") << QByteArray("ENG\r\nSPA\r\n\r\n");
    QTest::newRow("no codes: one empty line") << QByteArray("\r\n");
    QTest::newRow("last line without its line end") << QByteArray("ENG\r\nSPA");
    QTest::newRow("digits and Windows-1252 letters") << QByteArray("007\r\n\xC9T\xC9\r\n\r\n");
    QTest::newRow("empty code before the final line") << QByteArray("ENG\r\n\r\n\r\n");
}

void tst_Floppy::sourceCodesComeBackLineForLine()
{
    QFETCH(QByteArray, sources);
    Fixture f;
    f.home.write(QStringLiteral("Source.dat"), sources);
    QVERIFY(SaveFilesToFloppy(f.station, {}));
    QCOMPARE(f.readFloppy(QStringLiteral("Source.dat")), sources);

    f.home.write(QStringLiteral("Source.dat"), QByteArray("XYZ\r\n\r\n"));
    QVERIFY(LoadSourceCodes());
    QCOMPARE(f.home.read(QStringLiteral("Source.dat")), sources);
    QCOMPARE(f.home.errors, QStringList());
}

void tst_Floppy::saveWritesTheFourFilesWithProgress()
{
    const QByteArray schedules = records({QStringLiteral("Morning News"), QStringLiteral("Caf\xE9 Hour")})
                                 + record(QStringLiteral("Deleted"), 1, '0');
    Fixture f(schedules);
    f.home.write(QStringLiteral("Source.dat"), QByteArray("ENG\r\n\r\n"));
    f.station.settings.ClockResetTime = QStringLiteral("54:30");

    QVERIFY(SaveFilesToFloppy(f.station, f.progressRecorder()));

    QCOMPARE(f.progress, (QList<int>{1, 2, 3, 4, 5, kFloppyProgressHidden}));
    QCOMPARE(f.readFloppy(QStringLiteral("SwitchList.dat")), schedules);
    QCOMPARE(f.readFloppy(QStringLiteral("TimeReset.ini")), QByteArray("54:30"));
    QCOMPARE(f.readFloppy(QStringLiteral("Source.dat")), QByteArray("ENG\r\n\r\n"));
    QCOMPARE(f.home.errors, QStringList());
}

void tst_Floppy::settingsCopyHoldsNineRecordsWithoutTheModel()
{
    Fixture f;
    f.home.write(QStringLiteral("Source.dat"), QByteArray("\r\n"));
    f.home.write(QStringLiteral("Kestrelpoint.ini"), QByteArray("1111111111"));
    // An older backup's settings copy with a tenth byte must not keep it.
    f.writeFloppy(QStringLiteral("Kestrelpoint.ini"), QByteArray("0000000000"));
    StationSettings &s = f.station.settings;
    s.Receiver1Port = 2;
    s.BaudChoice = 2;
    s.ActivityLogOn = 1;
    s.EbNoRate = 2;
    s.MpegLogOn = false;
    s.RemoteControlOn = true;
    s.EbNoKeep = QStringLiteral("w");
    s.TwoReceivers = 1;
    s.Receiver2Port = 3;
    s.ReceiverModel = QStringLiteral("1");

    QVERIFY(SaveFilesToFloppy(f.station, {}));

    QCOMPARE(f.readFloppy(QStringLiteral("Kestrelpoint.ini")), QByteArray("221201w13"));
    QCOMPARE(f.home.read(QStringLiteral("Kestrelpoint.ini")), QByteArray("1111111111"));
}

void tst_Floppy::restoreOfThreeRecordsKeepsRecordsFourAndFive()
{
    const QByteArray local = records({QStringLiteral("Local One"), QStringLiteral("Local Two"),
                                      QStringLiteral("Local Three"), QStringLiteral("Local Four")})
                             + record(QStringLiteral("Local Five"), 2, '0');
    Fixture f(local);
    f.station.settings.TwoReceivers = 1;
    const QByteArray floppy =
        record(QStringLiteral("Floppy One")) + record(QStringLiteral("Floppy Two"), 2) + record(QStringLiteral("Floppy Three"));
    f.writeFloppy(QStringLiteral("SwitchList.dat"), floppy);
    QSignalSpy rebuilt(&f.station, &Station::switchListChanged);

    QVERIFY(LoadSchedules(f.station));

    const QByteArray after = f.home.read(QStringLiteral("SwitchList.dat"));
    QCOMPARE(after.size(), 5 * kRecordLength);
    QCOMPARE(after.left(3 * kRecordLength), floppy);
    QCOMPARE(after.mid(3 * kRecordLength), local.mid(3 * kRecordLength));
    QCOMPARE(rebuilt.size(), 2);
    QCOMPARE(rebuilt.at(0).at(0).toInt(), 1);
    QCOMPARE(rebuilt.at(1).at(0).toInt(), 2);
    QVERIFY(f.listNames(1).contains(QStringLiteral("Floppy One")));
    QVERIFY(f.listNames(1).contains(QStringLiteral("Local Four")));
    QVERIFY(!f.listNames(1).contains(QStringLiteral("Local One")));
    QVERIFY(f.listNames(2).contains(QStringLiteral("Floppy Two")));
    QCOMPARE(f.home.errors, QStringList());
}

void tst_Floppy::restoredFileIsTheOneTheStoreWrites()
{
    Fixture f(records({QStringLiteral("Local One")}));
    f.writeFloppy(QStringLiteral("SwitchList.dat"), records({QStringLiteral("Floppy One"), QStringLiteral("Floppy Two")}));
    QVERIFY(LoadSchedules(f.station));

    // After the restore the store must write into the file on disk, not into
    // the one the restore replaced.
    QVERIFY(f.station.store().WriteScheduleRecord(3, QString::fromLatin1(record(QStringLiteral("Edited Later")))));
    const QByteArray onDisk = f.home.read(QStringLiteral("SwitchList.dat"));
    QCOMPARE(onDisk.size(), 3 * kRecordLength);
    QCOMPARE(onDisk.mid(2 * kRecordLength), record(QStringLiteral("Edited Later")));
}

void tst_Floppy::olderLongerBackupDoesNotBringSchedulesBack()
{
    const QByteArray pc = records({QStringLiteral("Kept One"), QStringLiteral("Kept Two")});
    Fixture f(pc);
    f.home.write(QStringLiteral("Source.dat"), QByteArray("\r\n"));
    f.writeFloppy(QStringLiteral("SwitchList.dat"),
                  records({QStringLiteral("Old One"), QStringLiteral("Old Two"), QStringLiteral("Old Three"),
                           QStringLiteral("Old Four")}));

    QVERIFY(SaveFilesToFloppy(f.station, {}));
    QCOMPARE(f.readFloppy(QStringLiteral("SwitchList.dat")), pc);

    QVERIFY(LoadSchedules(f.station));
    QCOMPARE(f.home.read(QStringLiteral("SwitchList.dat")), pc);
    QVERIFY(!f.listNames(1).contains(QStringLiteral("Old Three")));
}

void tst_Floppy::failuresAreReportedAndStopTheStep_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<QString>("floppyState");  // "missing", "file", "empty"
    QTest::addColumn<bool>("localSources");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QList<int>>("progress");
    QTest::addColumn<QStringList>("floppyFiles");

    // The message names the folder or file: {drive} the floppy, {home} the data folder.
    const QString noEntry = QStringLiteral("2  No such file or directory: {drive}");
    const QString notFolder = QStringLiteral("20  Not a directory: {drive}");
    const QList<int> hiddenAtOnce{1, kFloppyProgressHidden};
    QTest::newRow("save without a floppy folder writes nothing")
        << Operation::Save << "missing" << true << noEntry << hiddenAtOnce << QStringList();
    QTest::newRow("save onto a file instead of a folder")
        << Operation::Save << "file" << true << notFolder << hiddenAtOnce << QStringList();
    QTest::newRow("save without Source.dat on the PC keeps the first three files")
        << Operation::Save << "empty" << false << QStringLiteral("2  No such file or directory: {home}/Source.dat")
        << QList<int>{1, 2, 3, 4, kFloppyProgressHidden}
        << QStringList{QStringLiteral("Kestrelpoint.ini"), QStringLiteral("SwitchList.dat"),
                       QStringLiteral("TimeReset.ini")};
    QTest::newRow("schedules without a floppy folder")
        << Operation::LoadSchedules << "missing" << true << noEntry << QList<int>() << QStringList();
    QTest::newRow("schedules from a disk without the file")
        << Operation::LoadSchedules << "empty" << true << noEntry + QStringLiteral("/SwitchList.dat") << QList<int>()
        << QStringList();
    QTest::newRow("source codes without a floppy folder")
        << Operation::LoadSourceCodes << "missing" << true << noEntry << QList<int>() << QStringList();
    QTest::newRow("source codes from a disk without the file")
        << Operation::LoadSourceCodes << "empty" << true << noEntry + QStringLiteral("/Source.dat") << QList<int>()
        << QStringList();
}

void tst_Floppy::failuresAreReportedAndStopTheStep()
{
    QFETCH(Operation, operation);
    QFETCH(QString, floppyState);
    QFETCH(bool, localSources);
    QFETCH(QString, error);
    QFETCH(QList<int>, progress);
    QFETCH(QStringList, floppyFiles);

    const QByteArray schedules = records({QStringLiteral("Local One")});
    Fixture f(schedules);
    if (localSources)
        f.home.write(QStringLiteral("Source.dat"), QByteArray("ENG\r\n\r\n"));
    const QString floppy = f.floppy.path() + QStringLiteral("/drive");
    if (floppyState == QLatin1String("file"))
        QVERIFY(QFile(floppy).open(QIODevice::WriteOnly));
    else if (floppyState == QLatin1String("empty"))
        QVERIFY(QDir().mkpath(floppy));
    qputenv("KESTRELPOINT_FLOPPY", floppy.toLocal8Bit());
    QSignalSpy rebuilt(&f.station, &Station::switchListChanged);

    bool done = true;
    switch (operation) {
    case Operation::Save:
        done = SaveFilesToFloppy(f.station, f.progressRecorder());
        break;
    case Operation::LoadSchedules:
        done = LoadSchedules(f.station);
        break;
    case Operation::LoadSourceCodes:
        done = LoadSourceCodes();
        break;
    }

    QVERIFY(!done);
    QCOMPARE(f.home.errors, QStringList{QString(error).replace(QLatin1String("{drive}"), floppy)
                                            .replace(QLatin1String("{home}"), f.home.path())});
    QCOMPARE(f.progress, progress);
    QCOMPARE(rebuilt.size(), 0);
    QCOMPARE(f.home.read(QStringLiteral("SwitchList.dat")), schedules);
    QCOMPARE(f.home.read(QStringLiteral("Source.dat")), localSources ? QByteArray("ENG\r\n\r\n") : QByteArray());
    const QStringList written =
        QFileInfo(floppy).isDir() ? QDir(floppy).entryList(QDir::Files, QDir::Name) : QStringList();
    QCOMPARE(written, floppyFiles);
}

void tst_Floppy::writeProtectedFloppyIsReported()
{
    if (geteuid() == 0)
        QSKIP("a folder without write permission does not stop root");
    Fixture f(records({QStringLiteral("Local One")}));
    f.home.write(QStringLiteral("Source.dat"), QByteArray("\r\n"));
    QVERIFY(QFile::setPermissions(f.floppy.path(), QFile::ReadOwner | QFile::ExeOwner));
    const bool done = SaveFilesToFloppy(f.station, f.progressRecorder());
    QFile::setPermissions(f.floppy.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!done);
    QCOMPARE(f.home.errors, QStringList{QStringLiteral("13  Permission denied")});
    QCOMPARE(f.progress.last(), kFloppyProgressHidden);
}

void tst_Floppy::floppyFolderThatIsTheDataFolderIsRefused()
{
    const QByteArray schedules = records({QStringLiteral("Local One")});
    Fixture f(schedules);
    f.home.write(QStringLiteral("Source.dat"), QByteArray("ENG\r\n\r\n"));
    qputenv("KESTRELPOINT_FLOPPY", f.home.path().toLocal8Bit());
    QVERIFY(!SaveFilesToFloppy(f.station, f.progressRecorder()));
    QVERIFY(!LoadSchedules(f.station));
    QCOMPARE(f.home.errors.size(), 2);
    QVERIFY(f.home.errors.first().contains(QStringLiteral("is the data folder")));
    QCOMPARE(f.progress, (QList<int>{1, kFloppyProgressHidden}));
    QVERIFY(!QFile::exists(f.home.file(QStringLiteral("TimeReset.ini"))));
}

void tst_Floppy::emptyMountPointCountsAsNoMedium_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QByteArray>("fstab");
    QTest::addColumn<QByteArray>("mountinfo");
    QTest::addColumn<bool>("noMedium");

    const QByteArray fstab = "# /etc/fstab\nUUID=1 / ext4 defaults 0 1\n/dev/fd0 /media/floppy0 auto rw,user,noauto 0 0\n";
    const QByteArray rootOnly = "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n";
    const QByteArray withFloppy = rootOnly + "40 22 2:0 / /media/floppy0 rw,nosuid - vfat /dev/fd0 rw\n";
    QTest::newRow("drive in fstab, no disk mounted") << "/media/floppy0" << fstab << rootOnly << true;
    QTest::newRow("drive in fstab, disk mounted") << "/media/floppy0" << fstab << withFloppy << false;
    QTest::newRow("folder with a trailing slash") << "/media/floppy0/" << fstab << rootOnly << true;
    QTest::newRow("plain folder not in fstab") << "/srv/backup" << fstab << rootOnly << false;
    QTest::newRow("commented-out fstab line")
        << "/media/floppy0" << QByteArray("#/dev/fd0 /media/floppy0 auto noauto 0 0\n") << rootOnly << false;
    QTest::newRow("space written as \\040")
        << "/media/usb stick" << QByteArray("/dev/sdb1 /media/usb\\040stick vfat noauto 0 0\n") << rootOnly << true;
    QTest::newRow("no fstab at all") << "/media/floppy0" << QByteArray() << QByteArray() << false;
}

void tst_Floppy::emptyMountPointCountsAsNoMedium()
{
    QFETCH(QString, folder);
    QFETCH(QByteArray, fstab);
    QFETCH(QByteArray, mountinfo);
    QFETCH(bool, noMedium);
    QCOMPARE(FloppyMedium::mountPointWithoutMedium(folder, fstab, mountinfo), noMedium);
}

QTEST_GUILESS_MAIN(tst_Floppy)
#include "tst_floppy.moc"
