#pragma once
// How the windows build their components: a child of a given type with its form name as
// objectName, at a fixed place of the designed layout.

#include <QLatin1String>
#include <QWidget>

// name may be null for a component that no handler or test looks up.
template <typename T> T* Make(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* w = new T(parent);
    if (name)
        w->setObjectName(QLatin1String(name));
    w->setGeometry(left, top, width, height);
    return w;
}
