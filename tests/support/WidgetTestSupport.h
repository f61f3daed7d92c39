#pragma once

// Helpers for tests that drive windows (header only: the support library itself has no widgets).

#include <QListWidget>
#include <QStringList>
#include <QWidget>

// The control of that object name; a test that names a missing control stops at once.
template <typename T> T* child(QWidget* window, const char* name)
{
    T* found = window->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no control named %s", name);
    return found;
}

// The texts of a list's entries, first to last.
inline QStringList listTexts(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}
