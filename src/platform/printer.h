#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

class QPainter;

// A printout as the program lays it out: pages of text lines for a
// fixed-pitch font, where character n of a line stands in column n. Building
// a listing needs no printer, so its layout can be checked on its own.
struct PrintListing
{
    QString jobName;
    QList<QStringList> pages;
};

// Lays out text the way the station's printouts were driven: text at a
// column, line ends and new pages.
class ListingWriter
{
public:
    // Moves to column n (1-based) by writing spaces. A position already past
    // column n continues on the next line at column n.
    void tab(int column);
    // Text at the current position; the line stays open.
    void print(const QString &text);
    // Ends the open line (an empty one when nothing was printed on it).
    void endLine();
    void newPage();
    // Ends an open line and hands over every page.
    PrintListing finish(const QString &jobName);

private:
    QString m_line;
    bool m_lineOpen = false;
    QStringList m_page;
    QList<QStringList> m_pages;
};

// A number as a print statement writes it: the sign position (a space for a
// positive number), the digits, one space.
QString printedNumber(int value);

// Where a print job goes: with pdfFolder set, a new PDF file in that folder;
// otherwise the printer printerName, and nowhere when that is empty.
struct PrintTarget
{
    QString pdfFolder;
    QString printerName;

    // $KESTRELPOINT_PRINT_PDF when it is set, else the default printer.
    static PrintTarget fromEnvironment();
};

struct PrintResult
{
    bool ok = false;
    int number = 0;        // the failure's number and description
    QString description;
    QString pdfFile;       // the file written, when the job went to a folder
};

// The printer's own failure number for a job that cannot be printed.
inline constexpr int kPrinterErrorNumber = 482;

// Prints every page in "Courier New" 12 pt, one job. A page with more lines
// than the paper holds is printed with its lines closer together, so that a
// page of the listing stays one sheet with its header.
PrintResult printListing(const PrintListing &listing, const PrintTarget &target = PrintTarget::fromEnvironment());

// Prints one landscape page as one job: `draw` paints it within `page`, the
// printable area in the painter's coordinates.
using PageDrawer = std::function<void(QPainter &painter, const QRect &page)>;
PrintResult printPage(const QString &jobName, const PageDrawer &draw,
                      const PrintTarget &target = PrintTarget::fromEnvironment());
