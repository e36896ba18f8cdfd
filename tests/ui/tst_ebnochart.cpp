#include "windows.h"

#include "ui/frmactivitylog.h"
#include "ui/frmebnochart.h"

#include <QAbstractAxis>
#include <QAreaSeries>
#include <QChartView>
#include <QFileDialog>
#include <QLabel>
#include <QLineSeries>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>

namespace {

// Receiver 1 has a reading alone before a "None"; receiver 2 is unbroken.
const QByteArray kDay = "10:00:12 R1 8.5\r\n10:00:20 R2 9.1\r\n10:01:12 R1 None\r\n10:01:20 R2 9\r\n"
                        "10:02:12 R1 8.4\r\n10:02:20 R2 8.9\r\n10:03:12 R1 8.3\r\n";

struct Fixture : WindowStation
{
    Fixture() : WindowStation(QDateTime(QDate(2007, 3, 27), QTime(12, 0))) {}
    frmActivityLog *viewer = nullptr;

    // The viewer of the kind with the Eb/No day files written; Chart clicked
    // on the newest day.
    frmEbNoChart *openChart(const QMap<QString, QByteArray> &days, const QString &kind = QStringLiteral("EB"))
    {
        for (auto it = days.cbegin(); it != days.cend(); ++it)
            home.write(QStringLiteral("logs/EB") + it.key() + QStringLiteral(".log"), it.value());
        station.LogKind = kind;
        viewer = new frmActivityLog(station);
        QTest::mouseClick(viewer->findChild<QPushButton *>(QStringLiteral("cmdChart")), Qt::LeftButton);
        auto *chart = viewer->findChild<frmEbNoChart *>();
        return chart && QTest::qWaitForWindowExposed(chart) ? chart : nullptr;
    }
};

// The points of the series named: "HH:MM:SS=dB" on a day, "MM/dd=dB" on the month to 03/26/07.
QStringList points(frmEbNoChart *w, const QString &name)
{
    QList<QPointF> all;
    for (QAbstractSeries *series : w->chart()->series()) {
        if (auto *area = qobject_cast<QAreaSeries *>(series); area && series->name() == name)
            all += area->upperSeries()->points();
        else if (series->name() == name)
            all += static_cast<QXYSeries *>(series)->points();
    }
    std::stable_sort(all.begin(), all.end(), [](const QPointF &a, const QPointF &b) { return a.x() < b.x(); });
    const bool month = w->windowTitle().contains(QLatin1String("Month"));
    QStringList texts;
    for (const QPointF &p : all) {
        texts.append((month ? QDate(2007, 2, 24).addDays(int(p.x())).toString(QStringLiteral("MM/dd"))
                            : QTime(0, 0).addSecs(qRound(p.x() * 3600)).toString(QStringLiteral("HH:mm:ss")))
                     + QLatin1Char('=') + QString::number(p.y()));
    }
    return texts;
}

// Clicks where the chart draws a value.
void clickAt(frmEbNoChart *w, const QPointF &value)
{
    auto *view = w->findChild<QChartView *>(QStringLiteral("chtEbNo"));
    const QPointF inChart = w->chart()->mapToPosition(value, w->chart()->series().first());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->mapFromScene(w->chart()->mapToScene(inChart)));
}

} // namespace

class tst_EbNoChart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dayChartFromTheViewer()
    {
        Fixture f;
        frmEbNoChart *w = f.openChart({{QStringLiteral("070326"), kDay}});
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("EbNo Chart for 03/26/07"));
        QCOMPARE(points(w, QStringLiteral("R1")), (QStringList{"10:00:12=8.5", "10:02:12=8.4", "10:03:12=8.3"}));
        QCOMPARE(points(w, QStringLiteral("R2")), (QStringList{"10:00:20=9.1", "10:01:20=9", "10:02:20=8.9"}));
        // The None parts receiver 1's line: the reading before it is a series of its own.
        QCOMPARE(std::count_if(w->chart()->series().cbegin(), w->chart()->series().cend(),
                               [](QAbstractSeries *s) { return s->name() == QLatin1String("R1"); }),
                 2);
        QCOMPARE(points(w, QStringLiteral("R1 better")), (QStringList{"10:00:12=0", "10:00:12=0.035", "10:00:20=0.035",
                                                                      "10:00:20=0"}));
        QCOMPARE(w->chart()->axes(Qt::Vertical).first()->titleText(), QStringLiteral("Eb/No (dB)"));
        QCOMPARE(w->chart()->axes(Qt::Horizontal).first()->titleText(), QStringLiteral("Time of day"));

        // A pixel is about a minute and a half: the reading alone is the one to point at.
        clickAt(w, {(10 * 3600 + 12) / 3600.0, 8.5});
        QCOMPARE(w->findChild<QLabel *>(QStringLiteral("lblPoint"))->text(), QStringLiteral("R1 at 10:00:12: 8.5 dB"));
        QVERIFY(f.home.errors.isEmpty());
    }

    void chartOnlyForEbNo()
    {
        Fixture f;
        QVERIFY(!f.openChart({{QStringLiteral("070326"), kDay}}, QStringLiteral("AL")));
        QVERIFY(f.viewer->findChild<QPushButton *>(QStringLiteral("cmdChart"))->isHidden());
    }

    void monthThenADay()
    {
        Fixture f;
        frmEbNoChart *w = f.openChart({{QStringLiteral("070223"), "10:00:12 R1 5\r\n"},
                                       {QStringLiteral("070224"), "10:00:12 R1 7\r\n"},
                                       {QStringLiteral("070320"), "10:00:12 R1 6\r\n10:01:12 R1 9\r\n"},
                                       {QStringLiteral("070326"), kDay}});
        QVERIFY(w);
        QTest::mouseClick(w->findChild<QRadioButton *>(QStringLiteral("optMonth")), Qt::LeftButton);
        QCOMPARE(w->windowTitle(), QStringLiteral("EbNo Month to 03/26/07"));
        QCOMPARE(points(w, QStringLiteral("R1 mean")), (QStringList{"02/24=7", "03/20=7.5", "03/26=8.4"}));
        QCOMPARE(points(w, QStringLiteral("R2 mean")), QStringList{"03/26=9"});

        clickAt(w, {24.5, 7.5});
        QTRY_COMPARE(w->windowTitle(), QStringLiteral("EbNo Chart for 03/20/07"));
        QVERIFY(w->findChild<QRadioButton *>(QStringLiteral("optDay"))->isChecked());
        QCOMPARE(points(w, QStringLiteral("R1")), (QStringList{"10:00:12=6", "10:01:12=9"}));
    }

    void printAndSaveImage()
    {
        Fixture f;
        const QString folder = f.home.file(QStringLiteral("logs"));
        qputenv("KESTRELPOINT_PRINT_PDF", folder.toLocal8Bit());
        frmEbNoChart *w = f.openChart({{QStringLiteral("070326"), kDay}});
        QVERIFY(w);
        QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("cmdPrint")), Qt::LeftButton);
        qunsetenv("KESTRELPOINT_PRINT_PDF");
        const QStringList pdfs = QDir(folder).entryList({QStringLiteral("*.pdf")});
        QCOMPARE(pdfs.size(), 1);
        if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
            QProcess tool;
            tool.start(QStringLiteral("pdftotext"), {QDir(folder).filePath(pdfs.at(0)), QStringLiteral("-")});
            QVERIFY(tool.waitForFinished(30000));
            const QString text = QString::fromUtf8(tool.readAllStandardOutput());
            QVERIFY2(text.contains(QLatin1String("Eb/No on 03/26/07")) && text.contains(QLatin1String("Time of day")),
                     qPrintable(text));
        }

        // A picture for a folder that is gone names the file; the next one is saved.
        for (const QString &name : {QStringLiteral("gone/day.png"), QStringLiteral("day.png")}) {
            QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("cmdSaveImage")), Qt::LeftButton);
            QPointer<QFileDialog> dialog = w->findChild<QFileDialog *>(QStringLiteral("dlgSaveImage"));
            QVERIFY(dialog);
            dialog->selectFile(f.home.file(name));
            QMetaObject::invokeMethod(dialog, "accept");
            QTRY_VERIFY(dialog.isNull());
        }
        QCOMPARE(f.home.errors.size(), 1);
        QVERIFY2(f.home.errors.at(0).startsWith(QStringLiteral("2  ")), qPrintable(f.home.errors.at(0)));
        QVERIFY(f.home.errors.at(0).contains(f.home.file(QStringLiteral("gone/day.png"))));
        QCOMPARE(QImage(f.home.file(QStringLiteral("day.png"))).size(), w->findChild<QChartView *>()->size());
    }
};

QTEST_MAIN(tst_EbNoChart)
#include "tst_ebnochart.moc"
