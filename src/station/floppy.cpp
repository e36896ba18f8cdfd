#include "floppy.h"

#include "station/station.h"
#include "platform/codec.h"
#include "platform/errorreport.h"
#include "platform/filewrite.h"
#include "platform/paths.h"
#include "schedule/schedulerecord.h"
#include "settings/stationsettings.h"

#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

const QString kScheduleName = QStringLiteral("SwitchList.dat");
const QString kSourceName = QStringLiteral("Source.dat");

QString floppyFile(const QString &name)
{
    return Paths::floppyDir() + QLatin1Char('/') + name;
}

bool fail(QString *error, int err, const QString &path)
{
    *error = errnoReportText(err, path);
    return false;
}

QByteArray fileBytesOrEmpty(const char *path)
{
    QByteArray bytes;
    QString ignored;
    FileRead::whole(QString::fromLatin1(path), bytes, &ignored);
    return bytes;
}

// fstab and mountinfo write a space in a path as \040 (and so on, in octal).
QString unescapeMountPath(QByteArrayView field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int value = QByteArray(field.data() + i + 1, 3).toInt(&ok, 8);
            if (ok && value < 256) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QDir::cleanPath(QString::fromLocal8Bit(out));
}

// The whitespace-separated field `index` of every line that is not a comment.
QList<QString> mountPaths(QByteArrayView table, int index)
{
    QList<QString> paths;
    for (const QByteArray &line : QByteArray(table.data(), table.size()).split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith('#'))
            continue;
        const QList<QByteArray> fields = trimmed.simplified().split(' ');
        if (fields.size() > index)
            paths.append(unescapeMountPath(fields.at(index)));
    }
    return paths;
}

// Whether the floppy folder can take or give files now; the reason when not.
bool checkFloppy(QString *error)
{
    const QString folder = Paths::floppyDir();
    struct stat st{};
    if (::stat(folder.toLocal8Bit().constData(), &st) != 0)
        return fail(error, errno, folder);
    if (!S_ISDIR(st.st_mode))
        return fail(error, ENOTDIR, folder);
    if (FloppyMedium::mountPointWithoutMedium(folder, fileBytesOrEmpty("/etc/fstab"),
                                              fileBytesOrEmpty("/proc/self/mountinfo")))
        return fail(error, ENOMEDIUM, folder);
    // A floppy folder that is the data folder would have the backup replace
    // the files the program holds open.
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (!canonical.isEmpty() && canonical == QFileInfo(Paths::dataDir()).canonicalFilePath()) {
        *error = QStringLiteral("The floppy folder %1 is the data folder. "
                                "Set KESTRELPOINT_FLOPPY to the folder of the floppy drive.")
                     .arg(folder);
        return false;
    }
    return true;
}

bool saveSteps(Station &station, const FloppyProgress &progress, QString *error)
{
    progress(1);
    if (!checkFloppy(error))
        return false;
    // A backup cut short (the disk pulled, a power cut) left its unfinished
    // copies on the floppy.
    FileWrite::removeLeftovers(Paths::floppyDir());
    QByteArray schedules;
    for (const QString &record : station.store().readAll())
        schedules += Codec::toWindows1252(record);
    if (!FileWrite::replace(floppyFile(kScheduleName), schedules, error))
        return false;

    progress(2);
    if (!FileWrite::replace(floppyFile(SettingsFiles::kSettingsName),
                            SettingsFormat::settingsBytes(station.settings, kBackupSettingsRecords), error))
        return false;

    progress(3);
    if (!FileWrite::replace(floppyFile(SettingsFiles::kTimeResetName),
                            SettingsFormat::timeResetBytes(station.settings.ClockResetTime), error))
        return false;

    progress(4);
    // A byte-for-byte copy keeps every line, the final empty one included,
    // and every line end exactly as the PC's file has it.
    QByteArray sources;
    if (!FileRead::whole(Paths::dataFile(kSourceName), sources, error))
        return false;
    if (!FileWrite::replace(floppyFile(kSourceName), sources, error))
        return false;

    progress(5);
    return true;
}

} // namespace

bool FloppyMedium::mountPointWithoutMedium(const QString &folder, QByteArrayView fstab, QByteArrayView mountinfo)
{
    const QString path = QDir::cleanPath(QDir(folder).absolutePath());
    // mountinfo: id, parent, major:minor, root, mount point, ...
    return mountPaths(fstab, 1).contains(path) && !mountPaths(mountinfo, 4).contains(path);
}

bool SaveFilesToFloppy(Station &station, const FloppyProgress &progress)
{
    const FloppyProgress show = progress ? progress : [](int) {};
    QString error;
    const bool done = saveSteps(station, show, &error);
    show(kFloppyProgressHidden);
    if (!done)
        ShowErrorMessage(error);
    return done;
}

bool LoadSchedules(Station &station)
{
    QString error;
    QByteArray floppy;
    if (!checkFloppy(&error) || !FileRead::whole(floppyFile(kScheduleName), floppy, &error)) {
        ShowErrorMessage(error);
        return false;
    }
    // A trailing partial record is no record: the copy stops before it.
    floppy.truncate(floppy.size() - floppy.size() % kRecordLength);

    ScheduleStore &store = station.store();
    const QString path = store.path();
    QByteArray local;
    if (!store.isOpen()) {
        ShowErrorMessage(errnoReportText(EBADF, path));
        return false;
    }
    if (!FileRead::whole(path, local, &error)) {
        ShowErrorMessage(error);
        return false;
    }
    const QByteArray restored = floppy + local.mid(floppy.size());
    // The store holds the file open: after the whole-file replace it must
    // open the new file, or its later writes would go to the old one.
    if (!FileWrite::replace(path, restored, &error) || !store.OpenScheduleFile(path, &error)) {
        ShowErrorMessage(error);
        return false;
    }
    station.BuildSwitchList1();
    station.BuildSwitchList2();
    return true;
}

bool LoadSourceCodes()
{
    QString error;
    QByteArray sources;
    if (!checkFloppy(&error) || !FileRead::whole(floppyFile(kSourceName), sources, &error)
        || !FileWrite::replace(Paths::dataFile(kSourceName), sources, &error)) {
        ShowErrorMessage(error);
        return false;
    }
    return true;
}
