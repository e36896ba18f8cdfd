#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>

class Station;

// The backup of the station's data files to the folder that stands for the
// floppy drive (Paths::floppyDir()), and the restore of the schedules and the
// source codes from it. Every failure goes to the error window as
// ErrorReportText and stops the operation at the failing step; what was
// written before stays.

// What the main window's ProgressBar1 shows during the save: a value from 1
// to 5 shows the bar with that value; kFloppyProgressHidden hides it. The
// save always ends with kFloppyProgressHidden, on success and on failure.
inline constexpr int kFloppyProgressHidden = 0;
using FloppyProgress = std::function<void(int value)>;

// The save: SwitchList.dat, Kestrelpoint.ini (records 1 to 9),
// TimeReset.ini and Source.dat, in that order. The schedule copy holds
// exactly the PC's records, so a restore can never bring back schedules that
// were deleted since an older, longer backup.
bool SaveFilesToFloppy(Station &station, const FloppyProgress &progress);

// Puts the floppy's schedule records over the PC's records of the same
// numbers, keeps the PC's higher-numbered records, and rebuilds both switch
// lists. The schedule file is replaced whole, so a power cut leaves the old
// or the restored schedules, never a mixture.
bool LoadSchedules(Station &station);

// Replaces the PC's Source.dat with the floppy's, every line of it.
bool LoadSourceCodes();

namespace FloppyMedium {
// True when the folder is a mount point listed in fstab (bytes of
// /etc/fstab) that is not mounted now (bytes of /proc/self/mountinfo): the
// empty folder of a drive without a disk, which must not take the backup.
bool mountPointWithoutMedium(const QString &folder, QByteArrayView fstab, QByteArrayView mountinfo);
}
