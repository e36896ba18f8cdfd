#pragma once

#include "schedules.h"
#include "teststation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QtTest>

// A started station for the window tests (see TestStation). The windows
// hold the station, so every window still open goes first.
struct WindowStation : TestStation
{
    using TestStation::TestStation;
    ~WindowStation()
    {
        QWidgetList windows;
        while (!(windows = QApplication::topLevelWidgets()).isEmpty())
            delete windows.first();
    }
    // The source codes file, one code a line and an empty line at its end.
    void writeSourceCodes(const QByteArray &codes) { home.write(QStringLiteral("Source.dat"), codes); }
};

// A window's control by its name; index tells the members of a control array apart.
template <typename T = QWidget> T *control(const QObject *window, const char *name, int index = -1)
{
    for (T *found : window->findChildren<T *>(QLatin1String(name))) {
        if (index < 0 || found->property("index").toInt() == index)
            return found;
    }
    qFatal("no control %s(%d)", name, index);
}

// The open top-level window of that name, or none.
inline QWidget *openWindow(const QString &name)
{
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->objectName() == name && top->isVisible())
            return top;
    }
    return nullptr;
}

inline QStringList items(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

// Clicks near a button's left edge, where a check box or option has its box.
inline void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}
inline void press(const QObject *window, const char *name, int index = -1)
{
    click(control<QAbstractButton>(window, name, index));
}

inline void clickRow(QListWidget *list, int row)
{
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

// Shows a window and waits until it is on screen.
template <typename W> W *shown(W *window)
{
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        qFatal("%s was not shown", qPrintable(window->objectName()));
    return window;
}
