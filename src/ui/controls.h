#pragma once

#include <QRect>
#include <QString>

// A control as a window's layout gives it: its system name (which the
// window's code and its tests look it up by), its place and its tooltip.
template <typename W> W *named(W *widget, const char *name, const QRect &geometry, const QString &tip = {})
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    if (!tip.isEmpty())
        widget->setToolTip(tip);
    return widget;
}
