#include "station/station.h"
#include "platform/clock.h"
#include "platform/parallelport.h"
#include "platform/rtf.h"
#include "testdata.h"
#include "ui/frmhelp.h"

#include <QAction>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QtTest>

namespace {

const QString kHelp = QStringLiteral("Kestrelpoint.hlp");

class Fixture
{
public:
    Fixture() : station(clock, openParallelPort(home.file(QStringLiteral("port")))) {}
    frmHelp *open()
    {
        auto *window = new frmHelp(station);
        window->show();
        return window;
    }
    TestHome home;
    ManualClock clock;
    Station station;
};

QTextEdit *textBox(frmHelp *window)
{
    return window->findChild<QTextEdit *>(QStringLiteral("RichTextBox1"));
}

QAction *action(frmHelp *window, const QString &name)
{
    return window->findChild<QAction *>(name);
}

} // namespace

class tst_frmHelp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void missingDocumentShowsTheMessageAndAnEmptyWindow();
    void shippedDocumentShowsAsFormattedText();
    void saveIsOfferedOnlyAfterAnEditAndWritesRtf();
    void failedSaveIsReported();
    void closeAndExitCloseTheWindow_data();
    void closeAndExitCloseTheWindow();
};

void tst_frmHelp::missingDocumentShowsTheMessageAndAnEmptyWindow()
{
    Fixture f;
    QPointer<frmHelp> window = f.open();
    QCOMPARE(f.home.errors, QStringList{QStringLiteral("The file Kestrelpoint.hlp was not found.  It should be located "
                                                       "in folder %1.")
                                            .arg(f.home.path())});
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Help"));
    QCOMPARE(textBox(window)->toPlainText(), QString());
    QVERIFY(!action(window, QStringLiteral("mnuSave"))->isEnabled());
    QVERIFY(!QFile::exists(f.home.file(kHelp)));
    delete window;
}

void tst_frmHelp::shippedDocumentShowsAsFormattedText()
{
    Fixture f;
    QVERIFY(QFile::copy(QStringLiteral(KP_SOURCE_DIR "/docs/Kestrelpoint.hlp"), f.home.file(kHelp)));
    QPointer<frmHelp> window = f.open();
    QCOMPARE(f.home.errors, QStringList());
    const QString text = textBox(window)->toPlainText();
    QVERIFY(text.startsWith(QStringLiteral("Kestrelpoint Help")));
    QVERIFY(text.contains(QStringLiteral("Parallel port wiring")));
    QVERIFY(text.contains(QStringLiteral("dialout")));
    QVERIFY(!text.contains(QStringLiteral("fonttbl")));
    QVERIFY(!text.contains(QLatin1Char('\\')));
    const QTextBlock title = textBox(window)->document()->begin();
    QVERIFY(title.begin().fragment().charFormat().fontWeight() > QFont::Normal);
    QVERIFY(title.blockFormat().alignment() & Qt::AlignHCenter);
    // The help opens at its beginning, not scrolled to its end.
    QCoreApplication::processEvents();
    QCOMPARE(textBox(window)->textCursor().position(), 0);
    QCOMPARE(textBox(window)->verticalScrollBar()->value(), 0);
    delete window;
}

void tst_frmHelp::saveIsOfferedOnlyAfterAnEditAndWritesRtf()
{
    Fixture f;
    f.home.write(kHelp, QByteArray("{\\rtf1{\\b Title}\\par Body}"));
    QPointer<frmHelp> window = f.open();
    QAction *save = action(window, QStringLiteral("mnuSave"));
    QVERIFY(!save->isEnabled());

    QTextEdit *box = textBox(window);
    box->moveCursor(QTextCursor::End);
    QTest::keyClicks(box, QStringLiteral(" and notes"));
    QVERIFY(save->isEnabled());
    save->trigger();

    QCOMPARE(f.home.errors, QStringList());
    QVERIFY(!save->isEnabled());
    const QByteArray written = f.home.read(kHelp);
    QVERIFY(Rtf::isRtf(written));
    QTextDocument reread;
    Rtf::read(written, reread);
    QCOMPARE(reread.toPlainText(), QStringLiteral("Title\nBody and notes"));
    QVERIFY(reread.begin().begin().fragment().charFormat().fontWeight() > QFont::Normal);
    delete window;
}

void tst_frmHelp::failedSaveIsReported()
{
    Fixture f;
    // A folder where the document should be: it cannot be read or replaced.
    QVERIFY(QDir(f.home.path()).mkdir(kHelp));
    QPointer<frmHelp> window = f.open();
    QCOMPARE(f.home.errors.size(), 1);
    QTest::keyClicks(textBox(window), QStringLiteral("text"));
    QVERIFY(!window->Save());
    QCOMPARE(f.home.errors.size(), 2);
    QVERIFY(f.home.errors.last().contains(QRegularExpression(QStringLiteral("^\\d+  \\S"))));
    QVERIFY(QFileInfo(f.home.file(kHelp)).isDir());
    delete window;
}

void tst_frmHelp::closeAndExitCloseTheWindow_data()
{
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("Close button") << false;
    QTest::newRow("Files > Exit") << true;
}

void tst_frmHelp::closeAndExitCloseTheWindow()
{
    QFETCH(bool, byMenu);
    Fixture f;
    QPointer<frmHelp> window = f.open();
    if (byMenu)
        action(window, QStringLiteral("mnuExit"))->trigger();
    else
        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("cmdClose")), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
}

QTEST_MAIN(tst_frmHelp)
#include "tst_frmhelp.moc"
