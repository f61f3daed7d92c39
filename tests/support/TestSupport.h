#pragma once

#include "core/store/StoreInternal.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A private data folder and preference store for one test, and a recipe database in it.
class TestDataFolder
{
public:
    TestDataFolder();
    ~TestDataFolder();

    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const;
    QString databasePath() const;

    // A new empty recipe database in the folder, opened as the process's database.
    void createEmptyDatabase();
    // The same, with a few glasses and ingredients that most tests need.
    void createSmallDatabase();

private:
    QTemporaryDir m_dir;
};

// Points QSettings (user scope) at a folder of its own for the life of the object.
class TestSettings
{
public:
    TestSettings();
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

// Adds a drink with its recipe lines through the store's adders. Ingredients are looked up by
// name (and must exist). Returns the drink's ID.
struct TestLine
{
    const char* amount;
    const char* ingredient;
};
qint64 addTestDrink(const QString& name, std::initializer_list<TestLine> lines, const QString& glass = QString());

// A control of a window, found by its objectName; fails the test when it is missing.
template <typename T, typename W> T* mainControl(const W& window, const char* name)
{
    T* control = (&*window)->template findChild<T*>(QString::fromLatin1(name));
    if (!control)
        qFatal("no control %s", name);
    return control;
}

// Root passes every permission check. While this lives, the calling thread does not: the two
// override capabilities leave its effective set, and access() no longer takes them back from the
// permitted set, so permission bits bind it as they bind any user. Nothing to do for other users.
class PermissionBitsApply
{
public:
    PermissionBitsApply();
    ~PermissionBitsApply();
    PermissionBitsApply(const PermissionBitsApply&) = delete;
    PermissionBitsApply& operator=(const PermissionBitsApply&) = delete;

private:
    quint32 m_saved[6] = {};
    int m_securebits = -1;
    bool m_dropped = false;
};
