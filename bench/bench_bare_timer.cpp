// The yardstick for the program's idle CPU: a bare Qt program whose 50 ms
// timer only updates one label with the time.

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label;
    label.resize(300, 30);
    label.show();
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &label,
                     [&] { label.setText(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"))); });
    timer.start(50);
    return app.exec();
}
