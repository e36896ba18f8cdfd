#pragma once

#include <QFont>
#include <QStringList>

// The station's Windows fonts are rarely installed here; these have the same
// widths, so the layouts in twips hold their text.
inline void installFontSubstitutes()
{
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                                QStringLiteral("Arial")});
    for (const QString &fixed : {QStringLiteral("Courier New"), QStringLiteral("Courier")})
        QFont::insertSubstitutions(fixed, {QStringLiteral("Liberation Mono"), QStringLiteral("Cousine")});
}

// The station's fonts by their family names, with a style hint so that the
// nearest installed font is used and fixed-pitch lists stay fixed-pitch.
inline QFont courierNew(qreal points = 9.75, bool bold = false)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// "Courier", the older fixed-pitch face some lists name.
inline QFont courier(qreal points)
{
    QFont font = courierNew(points);
    font.setFamily(QStringLiteral("Courier"));
    return font;
}

inline QFont msSansSerif(qreal points = 8.25, bool bold = false)
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}
