#include "station/floppy.h"

#include "schedules.h"
#include "teststation.h"

#include <QSignalSpy>

namespace {

QByteArray records(const QStringList &names, char inUse = '1')
{
    QByteArray bytes;
    for (const QString &name : names) {
        bytes += recordBytes(schedule(name, 1, everyDay("12:00:00")));
        bytes[bytes.size() - kRecordLength] = inUse;
    }
    return bytes;
}

// A TestStation whose schedule file holds `schedules`, with the floppy
// folder "floppy" in the data folder.
class Fixture : public TestStation
{
public:
    explicit Fixture(const QByteArray &schedules = {})
    {
        qputenv("KESTRELPOINT_FLOPPY", drive.toLocal8Bit());
        home.write("SwitchList.dat", schedules);
        home.write("Source.dat", "ENG\r\n\r\n");
        QVERIFY(station.store().OpenScheduleFile(home.file("SwitchList.dat"), nullptr));
        QVERIFY(QDir().mkpath(drive));
    }
    ~Fixture() { qunsetenv("KESTRELPOINT_FLOPPY"); }

    QStringList names(int receiver) const
    {
        QStringList out;
        for (const SwitchEntry &e : station.switchList(receiver))
            out << e.sortText.mid(18).trimmed();
        out.removeDuplicates();
        return out;
    }

    QString drive = home.file("floppy");
    QList<int> progress;
    FloppyProgress progressRecorder = [this](int value) { progress.append(value); };
};

enum class Operation { Save, LoadSchedules, LoadSourceCodes };

} // namespace

class tst_Floppy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The schedules exactly as the PC has them (an older, longer backup must
    // not bring deleted schedules back), the settings without the receiver
    // model, the reset time and the source codes byte for byte.
    void saveWritesTheFourFiles()
    {
        const QByteArray schedules = records({"Morning News", "Café Hour"}) + records({"Deleted"}, '0');
        Fixture f(schedules);
        f.home.write("floppy/SwitchList.dat", records({"Old 1", "Old 2", "Old 3", "Old 4"}));
        f.home.write("Source.dat", "007\r\n\xC9T\xC9\r\n\r\n");
        f.home.write("Kestrelpoint.ini", "1111111111");
        f.station.settings = {2, 2, 1, 2, false, true, "w", 1, 3, "1", "54:30"};

        QVERIFY(SaveFilesToFloppy(f.station, f.progressRecorder));
        QCOMPARE(f.progress, (QList<int>{1, 2, 3, 4, 5, kFloppyProgressHidden}));
        QCOMPARE(f.home.read("floppy/SwitchList.dat"), schedules);
        QCOMPARE(f.home.read("floppy/Kestrelpoint.ini"), QByteArray("221201w13"));
        QCOMPARE(f.home.read("floppy/TimeReset.ini"), QByteArray("54:30"));
        QCOMPARE(f.home.read("floppy/Source.dat"), QByteArray("007\r\n\xC9T\xC9\r\n\r\n"));
        QCOMPARE(f.home.read("Kestrelpoint.ini"), QByteArray("1111111111"));
        // The source codes come back the same way.
        f.home.write("floppy/Source.dat", "ENG\r\nSPA");
        QVERIFY(LoadSourceCodes());
        QCOMPARE(f.home.read("Source.dat"), QByteArray("ENG\r\nSPA"));
        QCOMPARE(f.home.errors, QStringList());
    }

    // The floppy's whole records replace the PC's of the same numbers, the
    // PC's higher-numbered ones stay, and the store writes the new file.
    void restoreKeepsTheHigherRecords()
    {
        const QByteArray local = records({"Local 1", "Local 2", "Local 3", "Local 4", "Local 5"});
        Fixture f(local);
        f.station.settings.TwoReceivers = 1;
        const QByteArray floppy =
            records({"Floppy 1"}) + recordBytes(schedule("Floppy 2", 2, everyDay("12:00:00"))) + records({"Floppy 3"});
        f.home.write("floppy/SwitchList.dat", floppy + "1Half");
        QSignalSpy rebuilt(&f.station, &Station::switchListChanged);

        QVERIFY(LoadSchedules(f.station));
        QCOMPARE(f.home.read("SwitchList.dat"), floppy + local.mid(3 * kRecordLength));
        QCOMPARE(rebuilt.size(), 2);
        QCOMPARE(f.names(1), (QStringList{"Floppy 1", "Floppy 3", "Local 4", "Local 5"}));
        QCOMPARE(f.names(2), QStringList{"Floppy 2"});
        QVERIFY(f.station.store().WriteScheduleRecord(6, BuildScheduleRecord(schedule("Later"))));
        QCOMPARE(f.home.read("SwitchList.dat").mid(5 * kRecordLength), recordBytes(schedule("Later")));
        QCOMPARE(f.home.errors, QStringList());
    }

    // {drive} is the floppy folder, {home} the data folder.
    void failuresAreShownAndStopTheStep_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("drive"); // "missing", "file", "empty", "home"
        QTest::addColumn<bool>("localSources");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QList<int>>("progress");
        QTest::addColumn<QStringList>("written");
        const QString noEntry = "2  No such file or directory: {drive}";
        QTest::newRow("save without a floppy folder")
            << Operation::Save << "missing" << true << noEntry << QList<int>{1, kFloppyProgressHidden} << QStringList();
        QTest::newRow("save onto a file") << Operation::Save << "file" << true << "20  Not a directory: {drive}"
                                          << QList<int>{1, kFloppyProgressHidden} << QStringList();
        QTest::newRow("save without Source.dat on the PC keeps the first three files")
            << Operation::Save << "empty" << false << "2  No such file or directory: {home}/Source.dat"
            << QList<int>{1, 2, 3, 4, kFloppyProgressHidden}
            << QStringList{"Kestrelpoint.ini", "SwitchList.dat", "TimeReset.ini"};
        QTest::newRow("schedules from a disk without the file")
            << Operation::LoadSchedules << "empty" << true << noEntry + "/SwitchList.dat" << QList<int>()
            << QStringList();
        QTest::newRow("source codes without a floppy folder")
            << Operation::LoadSourceCodes << "missing" << true << noEntry << QList<int>() << QStringList();
        QTest::newRow("save into the data folder")
            << Operation::Save << "home" << true
            << "The floppy folder {home} is the data folder. Set KESTRELPOINT_FLOPPY to the folder of the floppy drive."
            << QList<int>{1, kFloppyProgressHidden} << QStringList();
    }

    void failuresAreShownAndStopTheStep()
    {
        QFETCH(Operation, operation);
        QFETCH(QString, drive);
        QFETCH(bool, localSources);
        QFETCH(QString, error);
        const QByteArray schedules = records({"Local 1"});
        Fixture f(schedules);
        QVERIFY(QDir(f.drive).removeRecursively());
        if (drive == "file")
            QVERIFY(QFile(f.drive).open(QIODevice::WriteOnly));
        else if (drive == "empty")
            QVERIFY(QDir().mkpath(f.drive));
        else if (drive == "home")
            qputenv("KESTRELPOINT_FLOPPY", f.home.path().toLocal8Bit());
        if (!localSources)
            QVERIFY(QFile::remove(f.home.file("Source.dat")));
        QSignalSpy rebuilt(&f.station, &Station::switchListChanged);

        const bool done = operation == Operation::Save            ? SaveFilesToFloppy(f.station, f.progressRecorder)
                          : operation == Operation::LoadSchedules ? LoadSchedules(f.station)
                                                                  : LoadSourceCodes();
        QVERIFY(!done);
        QCOMPARE(f.home.errors, QStringList{error.replace("{drive}", f.drive).replace("{home}", f.home.path())});
        QTEST(f.progress, "progress");
        QCOMPARE(rebuilt.size(), 0);
        QCOMPARE(f.home.read("SwitchList.dat"), schedules);
        QCOMPARE(f.home.read("Source.dat"), localSources ? QByteArray("ENG\r\n\r\n") : QByteArray());
        QTEST(QDir(f.drive).entryList(QDir::Files, QDir::Name), "written");
    }

    // The folder of a drive without a disk: listed in fstab, not mounted.
    void emptyMountPointIsNoMedium_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QByteArray>("fstab");
        QTest::addColumn<bool>("mounted");
        QTest::addColumn<bool>("noMedium");
        const QByteArray fstab =
            "# /etc/fstab\nUUID=1 / ext4 defaults 0 1\n/dev/fd0 /media/floppy0 auto rw,user,noauto 0 0\n";
        QTest::newRow("drive in fstab, no disk") << "/media/floppy0" << fstab << false << true;
        QTest::newRow("drive in fstab, disk mounted") << "/media/floppy0" << fstab << true << false;
        QTest::newRow("folder with a trailing slash") << "/media/floppy0/" << fstab << false << true;
        QTest::newRow("plain folder not in fstab") << "/srv/backup" << fstab << false << false;
        QTest::newRow("commented-out fstab line")
            << "/media/floppy0" << QByteArray("#/dev/fd0 /media/floppy0 auto noauto 0 0\n") << false << false;
        QTest::newRow("space written as \\040")
            << "/media/usb stick" << QByteArray("/dev/sdb1 /media/usb\\040stick vfat noauto 0 0\n") << false << true;
    }

    void emptyMountPointIsNoMedium()
    {
        QFETCH(QString, folder);
        QFETCH(QByteArray, fstab);
        QFETCH(bool, mounted);
        QByteArray mountinfo = "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n";
        if (mounted)
            mountinfo += "40 22 2:0 / /media/floppy0 rw,nosuid - vfat /dev/fd0 rw\n";
        QTEST(FloppyMedium::mountPointWithoutMedium(folder, fstab, mountinfo), "noMedium");
    }
};

QTEST_GUILESS_MAIN(tst_Floppy)
#include "tst_floppy.moc"
