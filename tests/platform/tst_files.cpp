#include "platform/filewrite.h"
#include "platform/paths.h"

#include <QTemporaryDir>
#include <unistd.h>
#include <QtTest>

class tst_Files : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void makeFolder_data();
    void makeFolder();
    void leftoversOfOurOwnReplacesGo_data();
    void leftoversOfOurOwnReplacesGo();
};

void tst_Files::makeFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing, with a missing parent") << "new/data" << "";
    QTest::newRow("already there") << "." << "";
    QTest::newRow("under a regular file") << "file/data" << "Not a directory";
    QTest::newRow("in a folder without rights") << "locked/data" << "Permission denied";
}

void tst_Files::makeFolder()
{
    QFETCH(QString, folder);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QFile(dir.filePath(QStringLiteral("file"))).open(QIODevice::WriteOnly);
    QDir(dir.path()).mkdir(QStringLiteral("locked"));
    QFile::setPermissions(dir.filePath(QStringLiteral("locked")), QFile::ReadOwner | QFile::ExeOwner);
    if (reason == QLatin1String("Permission denied") && ::geteuid() == 0)
        QSKIP("root creates folders anywhere");

    const QString path = dir.filePath(folder);
    QString error;
    QCOMPARE(Paths::makeFolder(path, &error), reason.isEmpty());
    if (reason.isEmpty())
        QVERIFY(QFileInfo(path).isDir());
    else
        QCOMPARE(error, QStringLiteral("The folder %1 cannot be created: %2.").arg(path, reason));
}

void tst_Files::leftoversOfOurOwnReplacesGo_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("removed");
    QTest::newRow("a copy of the schedule file") << "SwitchList.dat.a1B2c3" << true;
    QTest::newRow("a copy of the settings file") << "Kestrelpoint.ini.ZZ9zz9" << true;
    QTest::newRow("the file itself") << "SwitchList.dat" << false;
    QTest::newRow("the operator's own backup") << "SwitchList.dat.backup" << false;
    QTest::newRow("five letters") << "SwitchList.dat.a1B2c" << false;
    QTest::newRow("another file's copy") << "Notes.txt.a1B2c3" << false;
}

void tst_Files::leftoversOfOurOwnReplacesGo()
{
    QFETCH(QString, name);
    QFETCH(bool, removed);
    QTemporaryDir dir;
    QVERIFY(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
    FileWrite::removeLeftovers(dir.path(), {QStringLiteral("SwitchList.dat"), QStringLiteral("Kestrelpoint.ini")});
    QCOMPARE(QFile::exists(dir.filePath(name)), !removed);
}

QTEST_GUILESS_MAIN(tst_Files)
#include "tst_files.moc"
