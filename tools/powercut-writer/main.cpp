// Persists the station's data the way its windows do, over and over, until
// it is killed: the schedule editor's Apply (a record rewritten in place),
// the setup window's closing (both settings files) and the source codes
// window's save. Each pass writes the other of two contents. The power-cut
// test kills it at random moments and checks that every file holds one
// content or the other, whole.
//
// The data folder is $KESTRELPOINT_HOME, holding the files of content 0. The
// writer prints "writing" once the schedule file is open and the loop begins.

#include "powercutcontents.h"

#include "platform/codec.h"
#include "platform/paths.h"
#include "receiver/sourcecodes.h"
#include "schedule/schedulestore.h"
#include "settings/stationsettings.h"

#include <cstdio>

namespace {

int fail(const QString &what, const QString &error)
{
    std::fprintf(stderr, "kestrelpoint-powercut-writer: %s: %s\n", qPrintable(what), qPrintable(error));
    return 1;
}

} // namespace

int main()
{
    const QString folder = Paths::dataDir();
    ScheduleStore store;
    QString error;
    if (!store.OpenScheduleFile(Paths::dataFile(QStringLiteral("SwitchList.dat")), &error))
        return fail(QStringLiteral("the schedule file"), error);
    std::printf("writing\n");
    std::fflush(stdout);

    // Passes alternate from content 1, which the folder does not hold at first.
    for (unsigned long pass = 1;; ++pass) {
        const int content = int(pass % 2);
        for (int n : PowerCut::kRecords) {
            if (!store.WriteScheduleRecord(n, BuildScheduleRecord(PowerCut::schedule(content, n)), &error))
                return fail(QStringLiteral("schedule %1").arg(n), error);
        }
        if (!SettingsFiles::WriteSettingsFiles(folder, PowerCut::settings(content), &error))
            return fail(QStringLiteral("the settings files"), error);
        if (!SaveSourceCodes(PowerCut::sourceCodes(content), &error))
            return fail(QStringLiteral("the source codes"), error);
    }
}
