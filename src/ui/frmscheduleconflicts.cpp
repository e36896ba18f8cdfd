#include "frmscheduleconflicts.h"

#include "fonts.h"
#include "station/conflicts.h"
#include "twips.h"

#include <QListWidget>
#include <QPointer>
#include <QPushButton>

namespace {
QPointer<frmScheduleConflicts> &openWindow()
{
    static QPointer<frmScheduleConflicts> window;
    return window;
}
} // namespace

frmScheduleConflicts::frmScheduleConflicts(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmScheduleConflicts"));
    setWindowTitle(QStringLiteral("Schedule Conflicts"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twips(6480), twips(3480));

    lstConflicts = new QListWidget(this);
    lstConflicts->setObjectName(QStringLiteral("lstConflicts"));
    lstConflicts->setGeometry(twipsRect(120, 120, 6240, 2640));
    lstConflicts->setFont(courierNew());
    lstConflicts->setUniformItemSizes(true);

    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(twipsRect(2640, 2880, 1215, 435));
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
}

frmScheduleConflicts *frmScheduleConflicts::instance()
{
    return openWindow().data();
}

void frmScheduleConflicts::clearConflicts()
{
    if (frmScheduleConflicts *window = instance())
        window->lstConflicts->clear();
}

void frmScheduleConflicts::CheckScheduleConflicts(const Station &station, int receiver)
{
    showConflicts(::CheckScheduleConflicts(station, receiver));
}

void frmScheduleConflicts::showConflicts(const QStringList &lines)
{
    QPointer<frmScheduleConflicts> &window = openWindow();
    if (!window && lines.isEmpty())
        return;
    if (!window)
        window = new frmScheduleConflicts;
    window->setLines(lines);
    if (!lines.isEmpty()) {
        window->show();
        window->raise();
    }
}

void frmScheduleConflicts::closeWindow()
{
    if (frmScheduleConflicts *window = instance())
        window->close();
}

QStringList frmScheduleConflicts::lines() const
{
    QStringList texts;
    for (int i = 0; i < lstConflicts->count(); ++i)
        texts.append(lstConflicts->item(i)->text());
    return texts;
}

void frmScheduleConflicts::setLines(const QStringList &lines)
{
    lstConflicts->clear();
    lstConflicts->addItems(lines);
}
