#pragma once

#include <QLatin1String>
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

} // namespace ta::gui
