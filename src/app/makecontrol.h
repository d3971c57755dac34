#pragma once

#include <QLabel>
#include <QLineEdit>

// Small makers for the window's controls: each control is a child object named as the window
// has always named it, so tests and accessibility tools find it with findChild.
namespace MakeControl {

template<typename T>
T *named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

inline QLabel *label(const char *name, const QString &text, QWidget *parent = nullptr)
{
    return named(new QLabel(text, parent), name);
}

inline QLineEdit *box(const char *name, const QString &accessibleName, QWidget *parent = nullptr)
{
    auto *box = named(new QLineEdit(parent), name);
    box->setAccessibleName(accessibleName);
    return box;
}

} // namespace MakeControl
