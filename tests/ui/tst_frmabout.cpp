#include "station/station.h"
#include "platform/clock.h"
#include "platform/parallelport.h"
#include "testdata.h"
#include "ui/frmabout.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace {

class Fixture
{
public:
    Fixture() : station(clock, openParallelPort(home.file(QStringLiteral("port")))) {}
    TestHome home;
    ManualClock clock;
    Station station;
};

QString labelText(QWidget *window, const QString &name)
{
    auto *label = window->findChild<QLabel *>(name);
    return label ? label->text() : QStringLiteral("<missing %1>").arg(name);
}

} // namespace

class tst_frmAbout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versionText_data();
    void versionText();
    void boxShowsNameVersionIconAndDescription();
    void systemInfoSaysItIsUnavailable();
    void okEnterAndEscapeClose_data();
    void okEnterAndEscapeClose();
};

void tst_frmAbout::versionText_data()
{
    QTest::addColumn<QString>("major");
    QTest::addColumn<QString>("minor");
    QTest::addColumn<QString>("revision");
    QTest::addColumn<QString>("expected");
    QTest::newRow("3.00.0003 drops the leading zeros") << "3" << "00" << "0003" << "Version 3.0.3";
    QTest::newRow("zeros stay single zeros") << "0" << "0" << "0" << "Version 0.0.0";
    QTest::newRow("leading zeros are not octal") << "1" << "0010" << "08" << "Version 1.10.8";
    QTest::newRow("zeros inside a number stay") << "10" << "20" << "0100" << "Version 10.20.100";
    QTest::newRow("an empty part reads as zero") << "2" << "" << "5" << "Version 2.0.5";
}

void tst_frmAbout::versionText()
{
    QFETCH(QString, major);
    QFETCH(QString, minor);
    QFETCH(QString, revision);
    QFETCH(QString, expected);
    QCOMPARE(VersionText(major, minor, revision), expected);
}

void tst_frmAbout::boxShowsNameVersionIconAndDescription()
{
    Fixture f;
    QPointer<frmAbout> box = new frmAbout(f.station);
    box->show();
    QCOMPARE(box->windowTitle(), QStringLiteral("About Kestrelpoint"));
    QCOMPARE(labelText(box, QStringLiteral("lblTitle")), QStringLiteral("Kestrelpoint"));
    QCOMPARE(labelText(box, QStringLiteral("lblVersion")),
             QStringLiteral("Version %1.%2.%3")
                 .arg(KESTRELPOINT_VERSION_MAJOR)
                 .arg(KESTRELPOINT_VERSION_MINOR)
                 .arg(KESTRELPOINT_VERSION_PATCH));
    QVERIFY(labelText(box, QStringLiteral("lblDescription")).size() > 40);
    // The icon comes from the program's resources, which a static library
    // only delivers when asked for by name.
    auto *icon = box->findChild<QLabel *>(QStringLiteral("picIcon"));
    QVERIFY(icon);
    QVERIFY(!icon->pixmap().isNull());
    QVERIFY(!programIcon().isNull());
    delete box;
}

void tst_frmAbout::systemInfoSaysItIsUnavailable()
{
    Fixture f;
    QPointer<frmAbout> box = new frmAbout(f.station);
    QStringList shown;
    box->setMessageBox([&shown](const QString &title, const QString &text) { shown << title << text; });
    box->show();
    QTest::mouseClick(box->findChild<QPushButton *>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
    QCOMPARE(shown, (QStringList{QStringLiteral("Kestrelpoint"),
                                 QStringLiteral("System Information Is Unavailable At This Time")}));
    QVERIFY(box->isVisible());
    delete box;
}

void tst_frmAbout::okEnterAndEscapeClose_data()
{
    QTest::addColumn<int>("key");  // 0: click OK
    QTest::newRow("OK clicked") << 0;
    QTest::newRow("Enter presses the default button") << int(Qt::Key_Return);
    QTest::newRow("Escape is the cancel button") << int(Qt::Key_Escape);
}

void tst_frmAbout::okEnterAndEscapeClose()
{
    QFETCH(int, key);
    Fixture f;
    QPointer<frmAbout> box = new frmAbout(f.station);
    bool sysInfo = false;
    box->setMessageBox([&sysInfo](const QString &, const QString &) { sysInfo = true; });
    box->show();
    if (key == 0)
        QTest::mouseClick(box->findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
    else
        QTest::keyClick(box, Qt::Key(key));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(box.isNull());
    QVERIFY(!sysInfo);
}

QTEST_MAIN(tst_frmAbout)
#include "tst_frmabout.moc"
