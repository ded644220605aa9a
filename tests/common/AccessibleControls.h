#pragma once

#include "ControlId.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAccessible>
#include <QTabBar>
#include <QWidget>
#include <gtest/gtest.h>

// What assistive technology learns, through Qt's own interfaces, of every control a window
// shows (a widget with a control id, and the page tabs): a role and a name, the checked state
// of a checkable button, the value of a slider, the pages of a tab bar. Returns how many
// controls were looked at. Pop-ups are windows of their own: look at them while open.
inline int ExpectAccessibleControls(const QWidget *window)
{
    int controls = 0;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        auto *tabs = qobject_cast<QTabBar *>(widget);
        if ((ControlIdOf(widget) == 0 && !tabs) || !widget->isVisibleTo(window))
            continue;
        ++controls;
        const char *kind = widget->metaObject()->className();
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
        if (!iface) {
            ADD_FAILURE() << kind << " has no accessible interface";
            continue;
        }
        EXPECT_NE(iface->role(), QAccessible::NoRole) << kind;
        EXPECT_FALSE(iface->text(QAccessible::Name).isEmpty())
            << kind << " " << ControlIdOf(widget) << " has no name";
        // The skinned radios and sliders are what Qt's own radios and sliders are.
        if (widget->inherits("CSkinRadioButton")) {
            EXPECT_EQ(iface->role(), QAccessible::RadioButton) << ControlIdOf(widget);
        }
        if (widget->inherits("CSkinSlider") || widget->inherits("CSliderOption")) {
            EXPECT_EQ(iface->role(), QAccessible::Slider) << ControlIdOf(widget);
        }
        if (auto *button = qobject_cast<QAbstractButton *>(widget);
            button && button->isCheckable()) {
            EXPECT_TRUE(iface->state().checkable) << kind << " " << ControlIdOf(widget);
            EXPECT_EQ(bool(iface->state().checked), button->isChecked())
                << kind << " " << ControlIdOf(widget);
        }
        if (auto *slider = qobject_cast<QAbstractSlider *>(widget)) {
            QAccessibleValueInterface *value = iface->valueInterface();
            EXPECT_TRUE(value && value->currentValue().toInt() == slider->value()) << kind;
        }
        if (tabs) {
            int pages = 0;
            for (int i = 0; i < iface->childCount(); ++i) {
                QAccessibleInterface *tab = iface->child(i);
                if (tab->role() != QAccessible::PageTab)
                    continue;
                EXPECT_EQ(tab->text(QAccessible::Name), tabs->tabText(pages));
                // Qt marks the current page's tab as selected or focused.
                const QAccessible::State state = tab->state();
                EXPECT_EQ(state.selected || state.focused, pages == tabs->currentIndex());
                ++pages;
            }
            EXPECT_EQ(pages, tabs->count());
        }
    }
    return controls;
}
