#include "platform/paths.h"

#include <QTemporaryDir>
#include <unistd.h>
#include <QtTest>

class tst_Paths : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void makeFolder_data();
    void makeFolder();
};

void tst_Paths::makeFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing, with a missing parent") << "new/data" << "";
    QTest::newRow("already there") << "." << "";
    QTest::newRow("under a regular file") << "file/data" << "Not a directory";
    QTest::newRow("in a folder without rights") << "locked/data" << "Permission denied";
}

void tst_Paths::makeFolder()
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

QTEST_GUILESS_MAIN(tst_Paths)
#include "tst_paths.moc"
