#include "scheduleprintout.h"

#include "schedulestore.h"
#include "settings/stationsettings.h"
#include "platform/errorreport.h"

#include <QLocale>

#include <algorithm>

namespace {

constexpr int kHeaderLines = 6;
constexpr int kLastCountOnPage = 50;

struct SchedulePage
{
    ListingWriter writer;
    int pageNumber = 1;
    int lineCounter = 0;
};

void PrintHeader(SchedulePage &page, const QString &dateText)
{
    ListingWriter &w = page.writer;
    w.print(QStringLiteral(" "));
    w.endLine();
    w.tab(29);
    w.print(QStringLiteral("Kestrelpoint Schedules"));
    w.tab(60);
    w.print(dateText);
    w.tab(70);
    w.print(QStringLiteral("Page") + printedNumber(page.pageNumber));
    w.endLine();
    for (int i = 0; i < 2; ++i) {
        w.print(QStringLiteral(" "));
        w.endLine();
    }
    w.tab(10);
    w.print(QStringLiteral("Program"));
    w.tab(32);
    w.print(QStringLiteral("Len  Srce Port Rte  Att Start Rec"));
    w.endLine();
    w.print(QStringLiteral(" "));
    w.endLine();
    ++page.pageNumber;
    page.lineCounter = kHeaderLines;
}

void printSummaryLine(ListingWriter &w, const ScheduleRecord &r)
{
    w.tab(5);
    w.print(fixedWidth(r.PgmName, 25) + QLatin1Char(' ') + fixedWidth(r.SatLen, 5) + QStringLiteral("  ")
            + fixedWidth(r.SatLang, 3) + QStringLiteral("  ") + fixedWidth(r.SatPort, 1) + QStringLiteral("  ")
            + RouteName(r.SatRoute));
    w.tab(53);
    w.print(fixedWidth(r.SatAtt, 2));
    w.tab(57);
    w.print(RemoteStartName(r.RemoteStart));
    w.tab(62);
    w.print(printedNumber(r.Receiver));
    w.endLine();
}

// Day lines are left open: the next day's column move starts a new line, and
// the first of the two closing blank lines only ends the last day line.
int printDayLines(ListingWriter &w, const ScheduleRecord &r)
{
    int count = 0;
    for (int d = 0; d < 7; ++d) {
        if (r.SwitchTime[d] == QString(8, QLatin1Char(' ')))
            continue;
        w.tab(10);
        w.print(DayNames().at(d + 1).left(3) + QStringLiteral("  ") + r.SwitchTime[d] + QStringLiteral("  "));
        ++count;
    }
    return count;
}

} // namespace

QString RouteName(const QString &satRoute)
{
    static const QStringList names = {QStringLiteral("Left"), QStringLiteral("Right"), QStringLiteral("Stereo"),
                                      QStringLiteral("Rev")};
    if (satRoute.size() != 1)
        return {};
    const int index = satRoute.at(0).unicode() - '0';
    return (index >= 0 && index < names.size()) ? names.at(index) : QString();
}

QString RemoteStartName(int remoteStart)
{
    switch (remoteStart) {
    case 1:
        return QStringLiteral("No");
    case 2:
        return QStringLiteral("Mom");
    case 3:
        return QStringLiteral("Hold");
    default:
        return {};
    }
}

QString ScheduleDateText(const QDate &today)
{
    // Nine columns keep a space between the date and "Page".
    constexpr int kWidth = 9;
    const QLocale locale;
    QString format = locale.dateFormat(QLocale::ShortFormat);
    QString text = locale.toString(today, format);
    if (text.size() > kWidth) {
        format.replace(QLatin1String("yyyy"), QLatin1String("yy"));
        text = locale.toString(today, format);
    }
    return text.size() <= kWidth ? text : today.toString(QStringLiteral("yy-MM-dd"));
}

QList<int> SchedulesInNameOrder(const ScheduleStore &store)
{
    QList<std::pair<QString, int>> entries;
    store.ScanSchedules([&](int n, const ScheduleRecord &r) { entries.append({r.PgmName, n}); });
    std::stable_sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) {
        return QString::compare(a.first, b.first, Qt::CaseInsensitive) < 0;
    });
    QList<int> numbers;
    for (const auto &entry : entries)
        numbers.append(entry.second);
    return numbers;
}

PrintListing BuildSchedulePrintout(const ScheduleStore &store, const QList<int> &scheduleNumbers,
                                   const QString &dateText)
{
    SchedulePage page;
    PrintHeader(page, dateText);
    for (int n : scheduleNumbers) {
        const std::optional<QString> record = store.ReadScheduleRecord(n);
        if (!record)
            continue;
        const ScheduleRecord r = ParseScheduleRecord(*record);
        if (!r.inUse())
            continue;
        ListingWriter &w = page.writer;
        printSummaryLine(w, r);
        page.lineCounter += printDayLines(w, r);
        for (int i = 0; i < 2; ++i) {
            w.print(QStringLiteral(" "));
            w.endLine();
        }
        page.lineCounter += 2;
        if (page.lineCounter > kLastCountOnPage) {
            w.newPage();
            PrintHeader(page, dateText);
        }
    }
    return page.writer.finish(QStringLiteral("Kestrelpoint Schedules"));
}

bool PrintSchedules(const ScheduleStore &store, const QList<int> &scheduleNumbers, const QDate &today,
                    const PrintTarget &target)
{
    const PrintResult result =
        printListing(BuildSchedulePrintout(store, scheduleNumbers, ScheduleDateText(today)), target);
    if (!result.ok)
        ShowErrorMessage(QString::number(result.number) + QLatin1Char(' ') + result.description);
    return result.ok;
}
