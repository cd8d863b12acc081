#pragma once

#include <QFont>
#include <QLatin1String>
#include <QStringList>
#include <QWidget>

namespace ta::gui {

// Creates a control with its designed name and place inside `parent`.
template <typename W>
W *place(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    auto *w = new W(parent);
    w->setObjectName(QLatin1String(name));
    w->setGeometry(left, top, width, height);
    return w;
}

// The windows' font: "MS Sans Serif" at 8 points where Windows has it, else
// the closest narrow sans serif, so that captions fit their designed places.
inline QFont designedFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Tahoma"),
                      QStringLiteral("Liberation Sans Narrow"), QStringLiteral("Nimbus Sans Narrow"),
                      QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

} // namespace ta::gui
