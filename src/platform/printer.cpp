#include "printer.h"

#include "errorreport.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

void ListingWriter::tab(int column)
{
    const int target = qMax(column, 1) - 1;
    if (m_line.size() > target) {
        endLine();
        m_lineOpen = true;
    }
    m_line = m_line.leftJustified(target, QLatin1Char(' '));
    m_lineOpen = true;
}

void ListingWriter::print(const QString &text)
{
    m_line += text;
    m_lineOpen = true;
}

void ListingWriter::endLine()
{
    m_page.append(m_line);
    m_line.clear();
    m_lineOpen = false;
}

void ListingWriter::newPage()
{
    if (m_lineOpen)
        endLine();
    m_pages.append(m_page);
    m_page.clear();
}

PrintListing ListingWriter::finish(const QString &jobName)
{
    if (m_lineOpen)
        endLine();
    if (!m_page.isEmpty() || m_pages.isEmpty())
        m_pages.append(m_page);
    m_page.clear();
    PrintListing listing{jobName, m_pages};
    m_pages.clear();
    return listing;
}

QString printedNumber(int value)
{
    return (value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value)) + QLatin1Char(' ');
}

PrintTarget PrintTarget::fromEnvironment()
{
    PrintTarget target;
    target.pdfFolder = qEnvironmentVariable("KESTRELPOINT_PRINT_PDF");
    if (target.pdfFolder.isEmpty())
        target.printerName = QPrinterInfo::defaultPrinterName();
    return target;
}

namespace {

PrintResult failure(int number, const QString &description)
{
    PrintResult result;
    result.number = number;
    result.description = description;
    return result;
}

// Claims a file name no earlier job has used, so that a job never
// overwrites the one before it.
QString claimPdfFile(const QString &folder, const QString &jobName, int *err)
{
    QString base = jobName;
    base.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_-]+")), QStringLiteral("-"));
    if (base.isEmpty())
        base = QStringLiteral("print");
    for (int n = 1;; ++n) {
        const QString path = QDir(folder).filePath(QStringLiteral("%1-%2.pdf").arg(base).arg(n, 3, 10, QLatin1Char('0')));
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST || n >= 9999) {
            *err = errno;
            return {};
        }
    }
}

QFont listingFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(12);
    return font;
}

// Each run of visible characters is placed at its own column, so the columns
// line up even when the font standing in for Courier New is not exactly
// fixed-pitch.
void drawLine(QPainter &painter, const QString &line, qreal y, qreal advance)
{
    qsizetype i = 0;
    while (i < line.size()) {
        while (i < line.size() && line.at(i).isSpace())
            ++i;
        const qsizetype start = i;
        while (i < line.size() && !line.at(i).isSpace())
            ++i;
        if (i > start)
            painter.drawText(QPointF(start * advance, y), line.mid(start, i - start));
    }
}

// Points the printer at the job's target, lays out the page (after choosing
// the printer, which brings its own defaults) and starts the job. False with
// the failure in *result; a PDF file claimed for the job is removed again.
bool beginJob(QPrinter &printer, QPainter &painter, const QString &jobName, const PrintTarget &target,
              const QPageLayout &layout, PrintResult *result)
{
    if (!target.pdfFolder.isEmpty()) {
        int err = 0;
        result->pdfFile = claimPdfFile(target.pdfFolder, jobName, &err);
        if (result->pdfFile.isEmpty()) {
            *result = failure(err, errnoDescription(err));
            return false;
        }
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(result->pdfFile);
    } else if (target.printerName.isEmpty()) {
        *result = failure(kPrinterErrorNumber, QStringLiteral("No default printer is installed"));
        return false;
    } else {
        printer.setPrinterName(target.printerName);
    }
    printer.setDocName(jobName);
    printer.setPageOrientation(layout.orientation());
    printer.setPageMargins(layout.margins(), layout.units());
    if (!painter.begin(&printer)) {
        if (!result->pdfFile.isEmpty())
            QFile::remove(result->pdfFile);
        *result = failure(kPrinterErrorNumber, QStringLiteral("Printer error"));
        return false;
    }
    return true;
}

} // namespace

PrintResult printListing(const PrintListing &listing, const PrintTarget &target)
{
    QPrinter printer(QPrinter::HighResolution);
    // Three character widths of Courier New 12 pt: the left edge stays on the
    // column grid, so tools that read the text back find whole columns.
    const QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(21.6, 18, 21.6, 18),
                             QPageLayout::Point);
    PrintResult result;
    QPainter painter;
    if (!beginJob(printer, painter, listing.jobName, target, layout, &result))
        return result;
    const QFont font = listingFont();
    painter.setFont(font);
    const QFontMetricsF metrics(painter.font(), &printer);
    const qreal advance = metrics.horizontalAdvance(QLatin1Char('M'));
    const qreal height = printer.pageLayout().paintRectPixels(printer.resolution()).height();

    for (qsizetype p = 0; p < listing.pages.size(); ++p) {
        if (p > 0 && !printer.newPage()) {
            painter.end();
            return failure(kPrinterErrorNumber, QStringLiteral("Printer error"));
        }
        const QStringList &lines = listing.pages.at(p);
        qreal step = metrics.lineSpacing();
        if (!lines.isEmpty() && step * lines.size() > height)
            step = height / lines.size();
        for (qsizetype k = 0; k < lines.size(); ++k)
            drawLine(painter, lines.at(k), k * step + metrics.ascent(), advance);
    }
    if (!painter.end())
        return failure(kPrinterErrorNumber, QStringLiteral("Printer error"));
    result.ok = true;
    return result;
}

PrintResult printPage(const QString &jobName, const PageDrawer &draw, const PrintTarget &target)
{
    QPrinter printer(QPrinter::HighResolution);
    const QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(36, 36, 36, 36),
                             QPageLayout::Point);
    PrintResult result;
    QPainter painter;
    if (!beginJob(printer, painter, jobName, target, layout, &result))
        return result;
    // The painter's origin is the top left of the printable area.
    draw(painter, QRect(QPoint(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size()));
    if (!painter.end())
        return failure(kPrinterErrorNumber, QStringLiteral("Printer error"));
    result.ok = true;
    return result;
}
