#include "testdata.h"

#include "platform/codec.h"
#include "platform/filewrite.h"
#include "platform/paths.h"
#include "platform/printer.h"
#include "platform/serialchannel.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QSysInfo>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

using Pages = QList<QStringList>;

// Files, the character set and printing: what the program's own layer over
// the system adds.
class tst_Platform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windows1252_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");

        QTest::newRow("7-bit and Latin-1 as they are")
            << QByteArray("A~\xA0\xE9\xFF") << QStringLiteral("A~\u00A0\u00E9\u00FF");
        QTest::newRow("0x80-0x9F: euro, dash, Y diaeresis")
            << QByteArray("\x80\x96\x9F") << QStringLiteral("\u20AC\u2013\u0178");
        QTest::newRow("undefined bytes kept as C1 controls")
            << QByteArray("\x81\x8D\x9D") << QStringLiteral("\u0081\u008D\u009D");
    }
    void windows1252()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(Codec::fromWindows1252(bytes), text);
        QCOMPARE(Codec::toWindows1252(text), bytes);
        QCOMPARE(Codec::toWindows1252(QStringLiteral("\u03A9")), QByteArray("?"));
    }

    void makeFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("reason");

        QTest::newRow("missing, with a missing parent") << "new/data" << "";
        QTest::newRow("already there") << "." << "";
        QTest::newRow("under a regular file") << "file/data" << "Not a directory";
    }
    void makeFolder()
    {
        QFETCH(QString, folder);
        QFETCH(QString, reason);
        TestHome home;
        home.write(QStringLiteral("file"), {});
        const QString path = home.file(folder);
        QString error;
        QCOMPARE(Paths::makeFolder(path, &error), reason.isEmpty());
        if (reason.isEmpty())
            QVERIFY(QFileInfo(path).isDir());
        else
            QCOMPARE(error, QStringLiteral("The folder %1 cannot be created: %2.").arg(path, reason));
    }

    // A port that cannot be opened names its device; the dialout hint is for
    // a refusal by the system only, not for a device that is not there.
    void serialPortThatIsNotThere()
    {
        TestHome home;
        const QString device = home.file(QStringLiteral("no-such-tty"));
        qputenv("KESTRELPOINT_COM2", QFile::encodeName(device));
        const std::unique_ptr<SerialChannel> channel = makeSerialChannel();
        QVERIFY(!channel->open(2, QStringLiteral("9600,N,8,1")));
        qunsetenv("KESTRELPOINT_COM2");
        QVERIFY2(channel->errorText().contains(device) && !channel->errorText().contains(QLatin1String("dialout")),
                 qPrintable(channel->errorText()));
    }

    void appendKeepsWhatWasThere()
    {
        TestHome home;
        const QString path = home.file(QStringLiteral("AL.log"));
        QVERIFY(FileWrite::append(path, "one\r\n", nullptr));
        QVERIFY(FileWrite::append(path, "two\r\n", nullptr));
        QCOMPARE(home.read(QStringLiteral("AL.log")), QByteArray("one\r\ntwo\r\n"));
    }

    // Only the copies a replace cut short goes; whatever else an operator
    // keeps in the data folder stays, whatever its name.
    void removesOnlyItsOwnUnfinishedCopies_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<char>("kind"); // f a file, d a folder, l a link to Source.dat
        QTest::addColumn<bool>("removed");

        const QString copy = QStringLiteral(".kestrelpoint-temp-a1B2c3-SwitchList.dat");
        QTest::newRow("a copy of the schedule file") << copy << 'f' << true;
        QTest::newRow("a copy of a file no list names") << ".kestrelpoint-temp-ZZ9zz9-StatusServer.ini" << 'f' << true;
        for (const char *name : {"SwitchList.dat.bak", "SwitchList.dat~", "SwitchList.dat.Backup", "SwitchList.dat.backup",
                                 "SwitchList.dat.201912", "Source.dat.Spare1", "Kestrelpoint.hlp.OLD123",
                                 "Kestrelpoint.ini.Orig01", "switchlist.dat.COPY01", "SwitchList.dat.a1B2c3",
                                 ".kestrelpoint.lock", ".Kestrelpoint-temp-a1B2c3-SwitchList.dat",
                                 ".kestrelpoint-temp-a1B2c-SwitchList.dat", ".kestrelpoint-temp-a1B2c3-"})
            QTest::newRow(name) << QString::fromLatin1(name) << 'f' << false;
        QTest::newRow("a folder named like a copy") << copy << 'd' << false;
        QTest::newRow("a link named like a copy") << copy << 'l' << false;
    }
    void removesOnlyItsOwnUnfinishedCopies()
    {
        QFETCH(QString, name);
        QFETCH(char, kind);
        QFETCH(bool, removed);
        TestHome home;
        home.write(QStringLiteral("Source.dat"), "ENG\r\n");
        if (kind == 'd')
            QVERIFY(QDir(home.path()).mkdir(name));
        else if (kind == 'l')
            QVERIFY(QFile::link(home.file(QStringLiteral("Source.dat")), home.file(name)));
        else
            home.write(name, "x");
        FileWrite::removeLeftovers(home.path());
        QCOMPARE(QFileInfo(home.file(name)).exists() || QFileInfo(home.file(name)).isSymLink(), !removed);
        QVERIFY(QFile::exists(home.file(QStringLiteral("Source.dat"))));
    }

    // A sync that fails (here made to fail by strace) is a failed save: the
    // error names the file, the old content stays and no copy is left.
    void failedSyncKeepsTheOldFile()
    {
        const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
        if (strace.isEmpty())
            QSKIP("strace is not installed (make deps)");
        TestHome home;
        home.write(QStringLiteral("Source.dat"), "old");
        QProcess child;
        child.start(strace, {QStringLiteral("-o"), QStringLiteral("/dev/null"), QStringLiteral("-e"),
                             QStringLiteral("trace=fsync"), QStringLiteral("-e"),
                             QStringLiteral("inject=fsync:error=EIO:when=1"), QCoreApplication::applicationFilePath(),
                             QStringLiteral("--replace"), home.file(QStringLiteral("Source.dat"))});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(QString::fromLocal8Bit(child.readAllStandardOutput()),
                 QStringLiteral("5  Input/output error: ") + home.file(QStringLiteral("Source.dat")));
        QCOMPARE(home.read(QStringLiteral("Source.dat")), QByteArray("old"));
        QCOMPARE(QDir(home.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Source.dat")});
    }

    // A port whose lock another running program holds stays that program's:
    // the open fails, names the holder, and the lock is left as it was.
    void portLockedByAnotherProgram()
    {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const QString device = QString::fromLocal8Bit(::ptsname(master));
        // Where QSerialPort keeps its locks: the first of its folders it can write.
        QString lock;
        for (const char *folder : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp"}) {
            if (QFileInfo(QString::fromLatin1(folder)).isWritable() && lock.isEmpty())
                lock = QString::fromLatin1(folder) + QStringLiteral("/LCK..") + device.mid(5).replace('/', '_');
        }
        QProcess holder;
        holder.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(holder.waitForStarted());
        const auto cleanUp = qScopeGuard([&] {
            QFile::remove(lock);
            holder.kill();
            holder.waitForFinished();
            ::close(master);
        });
        const QByteArray held = QByteArray::number(holder.processId()) + "\nsleep\n" + QSysInfo::machineHostName().toUtf8() + '\n';
        // A lock of this brand-new terminal's name is stale: left by a program
        // killed in a conversation on an earlier terminal of that number.
        QFile::remove(lock);
        QFile file(lock);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && file.write(held) == held.size());
        file.close();
        qputenv("KESTRELPOINT_COM3", QFile::encodeName(device));
        const std::unique_ptr<SerialChannel> channel = makeSerialChannel();
        const bool opened = channel->open(3, QStringLiteral("9600,N,8,1"));
        qunsetenv("KESTRELPOINT_COM3");
        QVERIFY(!opened);
        QVERIFY2(channel->errorText().contains(QStringLiteral("in use by process %1").arg(holder.processId())),
                 qPrintable(channel->errorText()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), held);
    }

    // "abc" printed, then a tab to the column (0: a new page), then "x".
    void listing_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("column");
        QTest::addColumn<Pages>("pages");

        QTest::newRow("empty line pads to the column") << "" << 5 << Pages{{"    x"}};
        QTest::newRow("already at the column adds nothing") << "abcd" << 5 << Pages{{"abcdx"}};
        QTest::newRow("one short of the column pads one") << "abc" << 5 << Pages{{"abc x"}};
        QTest::newRow("past the column goes on the next line") << "abcde" << 5 << Pages{{"abcde", "    x"}};
        QTest::newRow("column 1 past the start breaks the line") << "a" << 1 << Pages{{"a", "x"}};
        QTest::newRow("a new page ends the open line") << "one" << 0 << Pages{{"one"}, {"x"}};
    }
    void listing()
    {
        QFETCH(QString, before);
        QFETCH(int, column);
        QFETCH(Pages, pages);
        ListingWriter w;
        w.print(before);
        if (column > 0)
            w.tab(column);
        else
            w.newPage();
        w.print(QStringLiteral("x"));
        QCOMPARE(w.finish(QStringLiteral("job")).pages, pages);
    }

    void printedNumber_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");

        QTest::newRow("one digit") << 2 << " 2 ";
        QTest::newRow("two digits") << 12 << " 12 ";
        QTest::newRow("zero") << 0 << " 0 ";
        QTest::newRow("negative takes the sign position") << -3 << "-3 ";
    }
    void printedNumber()
    {
        QFETCH(int, value);
        QFETCH(QString, text);
        QCOMPARE(::printedNumber(value), text);
    }

    // Character n of a line stands in column n on paper; a page with more
    // lines than the paper holds stays one sheet; each job is a new file.
    void pdfKeepsTheColumnsAndEveryPageOneSheet()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        TestHome home;
        QStringList crowded{QStringLiteral("   Second page"), QStringLiteral("          x")};
        for (int i = 3; i <= 80; ++i)
            crowded.append(QStringLiteral("line %1").arg(i));
        const PrintListing listing{QStringLiteral("Columns"), {{QStringLiteral("Alpha     Beta      Gamma")}, crowded}};
        const PrintResult result = printListing(listing, {home.path(), QString()});
        QVERIFY2(result.ok, qPrintable(result.description));
        QVERIFY(printListing(listing, {home.path(), QString()}).pdfFile != result.pdfFile);
        QProcess tool;
        // 7.2 points is the advance of Courier New at 12 points: one column.
        tool.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), QStringLiteral("-fixed"), QStringLiteral("7.2"), result.pdfFile, "-"});
        QVERIFY(tool.waitForFinished(30000));
        const QString text = QString::fromUtf8(tool.readAllStandardOutput());
        const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), 2);
        const QStringList first = pages.at(0).split(QLatin1Char('\n')), second = pages.at(1).split(QLatin1Char('\n'));
        const qsizetype at = first.at(0).indexOf(QLatin1String("Alpha"));
        QCOMPARE(first.at(0).indexOf(QLatin1String("Beta")) - at, 10);
        QCOMPARE(first.at(0).indexOf(QLatin1String("Gamma")) - at, 20);
        QCOMPARE(second.at(0).indexOf(QLatin1String("Second")) - at, 3);
        QCOMPARE(second.at(1).indexOf(QLatin1Char('x')) - at, 10);
        QVERIFY(pages.at(1).contains(QLatin1String("line 80")));
    }

    // The failure's number and reason, for the error window.
    void printFailure()
    {
        TestHome home;
        const PrintListing listing{QStringLiteral("job"), {{QStringLiteral("text")}}};
        const PrintResult missingFolder = printListing(listing, {home.file(QStringLiteral("absent")), QString()});
        QVERIFY(!missingFolder.ok);
        QCOMPARE(missingFolder.number, ENOENT);
        const PrintResult noPrinter = printListing(listing, {});
        QCOMPARE(noPrinter.number, kPrinterErrorNumber);
        QCOMPARE(noPrinter.description, QStringLiteral("No default printer is installed"));
    }
};

int main(int argc, char *argv[])
{
    // The child of failedSyncKeepsTheOldFile: one replace, its error on
    // standard output.
    if (argc == 3 && qstrcmp(argv[1], "--replace") == 0) {
        QString error;
        const bool replaced = FileWrite::replace(QString::fromLocal8Bit(argv[2]), "new", &error);
        std::fputs(error.toLocal8Bit().constData(), stdout);
        return replaced ? 0 : 1;
    }
    QGuiApplication app(argc, argv);
    tst_Platform test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_platform.moc"
