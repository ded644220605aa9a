#pragma once

#include <QWidget>

// Every control of a window carries its control id (1001 for the PREV button, 1028 for the
// volume slider ...). Notifications name controls by it and windows find controls with it.
inline void SetControlId(QWidget *control, int id)
{
    control->setProperty("rx9ControlId", id);
}

// The id of a control; 0 when it has none.
inline int ControlIdOf(const QObject *control)
{
    return control ? control->property("rx9ControlId").toInt() : 0;
}

// The first descendant of `root` with the id, or nullptr.
inline QWidget *FindControl(const QWidget *root, int id)
{
    if (!root || id == 0)
        return nullptr;
    const auto children = root->findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (ControlIdOf(child) == id)
            return child;
    }
    return nullptr;
}
