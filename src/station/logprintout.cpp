#include "logprintout.h"

#include "platform/errorreport.h"

namespace {

constexpr int kLineColumn = 5;
constexpr int kLastLineOnPage = 55;

struct LogPage
{
    ListingWriter writer;
    int PageNumber = 1;
    int LinesOnPage = 0;
};

void PrintHeader(LogPage &page, const QString &title, const QString &logDateText)
{
    ListingWriter &w = page.writer;
    w.print(QStringLiteral(" "));
    w.endLine();
    w.tab(29);
    w.print(title);
    w.tab(60);
    w.print(logDateText);
    w.tab(70);
    w.print(QStringLiteral("Page") + printedNumber(page.PageNumber));
    w.endLine();
    for (int i = 0; i < 3; ++i) {
        w.print(QStringLiteral(" "));
        w.endLine();
    }
    ++page.PageNumber;
    page.LinesOnPage = 5;
}

} // namespace

QString LogPrintTitle(const QString &logKind)
{
    if (logKind == QLatin1String("AL"))
        return QStringLiteral("Kestrelpoint Activity Log");
    if (logKind == QLatin1String("EB"))
        return QStringLiteral("Kestrelpoint EbNo Log");
    return {};
}

PrintListing BuildLogPrintout(const QString &logKind, const QString &logDateText, const QStringList &lines)
{
    const QString title = LogPrintTitle(logKind);
    LogPage page;
    PrintHeader(page, title, logDateText);
    for (const QString &line : lines) {
        page.writer.tab(kLineColumn);
        page.writer.print(line);
        page.writer.endLine();
        if (++page.LinesOnPage > kLastLineOnPage) {
            page.writer.newPage();
            PrintHeader(page, title, logDateText);
        }
    }
    return page.writer.finish(title.isEmpty() ? QStringLiteral("Kestrelpoint Log") : title);
}

PrintResult PrintLogJob(const QString &logKind, const QString &logDateText, const QStringList &lines,
                        const PrintTarget &target)
{
    return printListing(BuildLogPrintout(logKind, logDateText, lines), target);
}

bool PrintLog(const QString &logKind, const QString &logDateText, const QStringList &lines, const PrintTarget &target)
{
    const PrintResult result = PrintLogJob(logKind, logDateText, lines, target);
    if (!result.ok)
        ShowErrorMessage(ErrorReportText(result.number, result.description));
    return result.ok;
}
