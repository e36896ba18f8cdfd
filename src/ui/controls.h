#pragma once

#include <QLabel>
#include <QRect>
#include <QString>

#include <type_traits>

// A control as a window's layout gives it: its system name (which the
// window's code and its tests look it up by), its place and its tooltip. A
// label shows its text as it is: a program name holding "<b>" is no markup.
template <typename W> W *named(W *widget, const char *name, const QRect &geometry, const QString &tip = {})
{
    if constexpr (std::is_base_of_v<QLabel, W>)
        widget->setTextFormat(Qt::PlainText);
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    if (!tip.isEmpty())
        widget->setToolTip(tip);
    return widget;
}
