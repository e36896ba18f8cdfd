#include "ui/frmprogramsourcecodes.h"

#include "testdata.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>

class tst_frmProgramSourceCodes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void loadSortsAndSelectsTheFirst();
    void missingFileOpensEmptyWithoutMessage();
    void enterStoresUpperCaseInOrder_data();
    void enterStoresUpperCaseInOrder();
    void applyClickDisablesApply();
    void emptyCodeIsStored();
    void commaCannotBeTyped();
    void deleteRemovesTheSelectedCode();
    void deleteWithoutSelectionChangesNothing();
    void failedSaveKeepsListAndTypedCode();

private:
    frmProgramSourceCodes *open();
    template<typename T> T *child(const char *name) const
    {
        T *found = m_window->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    QByteArray file() const { return m_home->read(QStringLiteral("Source.dat")); }

    std::unique_ptr<TestHome> m_home;
    QPointer<frmProgramSourceCodes> m_window;
};

void tst_frmProgramSourceCodes::init()
{
    m_home = std::make_unique<TestHome>();
}

void tst_frmProgramSourceCodes::cleanup()
{
    delete m_window;
    m_home.reset();
}

frmProgramSourceCodes *tst_frmProgramSourceCodes::open()
{
    m_window = new frmProgramSourceCodes;
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window))
        qFatal("the source codes window was not shown");
    return m_window;
}

void tst_frmProgramSourceCodes::loadSortsAndSelectsTheFirst()
{
    m_home->write(QStringLiteral("Source.dat"), "SPA\r\neng\r\nFRA\r\n\r\n");
    open();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Program Source Codes"));
    QCOMPARE(m_window->codes(), (QStringList{"eng", "FRA", "SPA"}));
    auto *list = child<QListWidget>("lstCRCID");
    QCOMPARE(list->selectedItems().size(), 1);
    QCOMPARE(list->selectedItems().first()->text(), QStringLiteral("eng"));
    QVERIFY(child<QLineEdit>("txtCRCID")->isHidden());
    QVERIFY(!child<QPushButton>("cmdApply")->isEnabled());
    QCOMPARE(list->toolTip(), QStringLiteral("Source Codes.  Unity 4K manual calls these codes \"LANG\""));
    // Opening does not rewrite the file.
    QCOMPARE(file(), QByteArray("SPA\r\neng\r\nFRA\r\n\r\n"));
}

void tst_frmProgramSourceCodes::missingFileOpensEmptyWithoutMessage()
{
    open();
    QCOMPARE(child<QListWidget>("lstCRCID")->count(), 0);
    QVERIFY(m_home->errors.isEmpty());
    QVERIFY(!QFile::exists(m_home->file(QStringLiteral("Source.dat"))));
}

void tst_frmProgramSourceCodes::enterStoresUpperCaseInOrder_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("eng between DEU and SPA") << "eng" << QStringList{"DEU", "ENG", "SPA"}
                                             << QByteArray("DEU\r\nENG\r\nSPA\r\n\r\n");
    QTest::newRow("a code already there is added again") << "spa" << QStringList{"DEU", "SPA", "SPA"}
                                                         << QByteArray("DEU\r\nSPA\r\nSPA\r\n\r\n");
    QTest::newRow("digits") << "007" << QStringList{"007", "DEU", "SPA"} << QByteArray("007\r\nDEU\r\nSPA\r\n\r\n");
}

void tst_frmProgramSourceCodes::enterStoresUpperCaseInOrder()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, codes);
    QFETCH(QByteArray, bytes);
    m_home->write(QStringLiteral("Source.dat"), "DEU\r\nSPA\r\n\r\n");
    open();
    QTest::mouseClick(child<QPushButton>("cmdNew"), Qt::LeftButton);
    auto *text = child<QLineEdit>("txtCRCID");
    QVERIFY(text->isVisible());
    QVERIFY(child<QPushButton>("cmdApply")->isEnabled());
    QTest::keyClicks(text, typed);
    QTest::keyClick(text, Qt::Key_Return);
    QCOMPARE(m_window->codes(), codes);
    QCOMPARE(file(), bytes);
    QVERIFY(text->isHidden());
    QVERIFY(text->text().isEmpty());
    // Enter leaves Apply enabled.
    QVERIFY(child<QPushButton>("cmdApply")->isEnabled());
}

void tst_frmProgramSourceCodes::applyClickDisablesApply()
{
    m_home->write(QStringLiteral("Source.dat"), "\r\n");
    open();
    QTest::mouseClick(child<QPushButton>("cmdNew"), Qt::LeftButton);
    QTest::keyClicks(child<QLineEdit>("txtCRCID"), QStringLiteral("fr"));
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    QCOMPARE(file(), QByteArray("FR\r\n\r\n"));
    QVERIFY(!child<QPushButton>("cmdApply")->isEnabled());
    QVERIFY(child<QLineEdit>("txtCRCID")->isHidden());
}

void tst_frmProgramSourceCodes::emptyCodeIsStored()
{
    m_home->write(QStringLiteral("Source.dat"), "ENG\r\n\r\n");
    open();
    QTest::mouseClick(child<QPushButton>("cmdNew"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    QCOMPARE(m_window->codes(), (QStringList{"", "ENG"}));
    QCOMPARE(file(), QByteArray("\r\nENG\r\n\r\n"));
}

void tst_frmProgramSourceCodes::commaCannotBeTyped()
{
    m_home->write(QStringLiteral("Source.dat"), "\r\n");
    open();
    QTest::mouseClick(child<QPushButton>("cmdNew"), Qt::LeftButton);
    auto *text = child<QLineEdit>("txtCRCID");
    QTest::keyClicks(text, QStringLiteral("e,n,g"));
    QCOMPARE(text->text(), QStringLiteral("eng"));
    QTest::keyClick(text, Qt::Key_Return);
    QCOMPARE(file(), QByteArray("ENG\r\n\r\n"));
}

void tst_frmProgramSourceCodes::deleteRemovesTheSelectedCode()
{
    m_home->write(QStringLiteral("Source.dat"), "DEU\r\nENG\r\nSPA\r\n\r\n");
    open();
    auto *list = child<QListWidget>("lstCRCID");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    QTest::mouseClick(child<QPushButton>("cmdDelete"), Qt::LeftButton);
    QCOMPARE(m_window->codes(), (QStringList{"DEU", "SPA"}));
    QCOMPARE(file(), QByteArray("DEU\r\nSPA\r\n\r\n"));
    // Nothing is selected afterwards: a second Delete does nothing.
    QTest::mouseClick(child<QPushButton>("cmdDelete"), Qt::LeftButton);
    QCOMPARE(file(), QByteArray("DEU\r\nSPA\r\n\r\n"));
}

void tst_frmProgramSourceCodes::deleteWithoutSelectionChangesNothing()
{
    m_home->write(QStringLiteral("Source.dat"), "DEU\r\nENG\r\n\r\n");
    open();
    child<QListWidget>("lstCRCID")->clearSelection();
    QTest::mouseClick(child<QPushButton>("cmdDelete"), Qt::LeftButton);
    QCOMPARE(m_window->codes(), (QStringList{"DEU", "ENG"}));
    QCOMPARE(file(), QByteArray("DEU\r\nENG\r\n\r\n"));
}

void tst_frmProgramSourceCodes::failedSaveKeepsListAndTypedCode()
{
    m_home->write(QStringLiteral("Source.dat"), "DEU\r\nENG\r\n\r\n");
    open();
    // The data folder goes away while the window is open.
    qputenv("KESTRELPOINT_HOME", (m_home->path() + QStringLiteral("/gone")).toLocal8Bit());
    QTest::mouseClick(child<QPushButton>("cmdNew"), Qt::LeftButton);
    auto *text = child<QLineEdit>("txtCRCID");
    QTest::keyClicks(text, QStringLiteral("spa"));
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    QCOMPARE(m_home->errors.size(), 1);
    QVERIFY2(m_home->errors.first().startsWith(QStringLiteral("2  ")), qPrintable(m_home->errors.first()));
    QCOMPARE(m_window->codes(), (QStringList{"DEU", "ENG"}));
    QVERIFY(text->isVisible());
    QCOMPARE(text->text(), QStringLiteral("spa"));
    QVERIFY(child<QPushButton>("cmdApply")->isEnabled());

    QTest::mouseClick(child<QPushButton>("cmdDelete"), Qt::LeftButton);
    QCOMPARE(m_home->errors.size(), 2);
    QCOMPARE(m_window->codes(), (QStringList{"DEU", "ENG"}));
}

QTEST_MAIN(tst_frmProgramSourceCodes)
#include "tst_frmprogramsourcecodes.moc"
