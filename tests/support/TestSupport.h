#pragma once

#include "core/store/RecipeRepository.h"
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

// A drink's recipe lines as "amount|ingredient"; those of the stored drink of that name (none when
// there is no such drink).
QStringList recipeLines(const DBLib::Drink& drink);
QStringList storedLines(const QString& drink);

// A number the database gives for the query.
qint64 queryNumber(const QString& sql, const QVariantList& params = {});
inline qint64 queryNumber(const char* sql, const QVariantList& params = {})
{
    return queryNumber(QString::fromUtf8(sql), params);
}

// A file's bytes, "(missing)" when it cannot be read; writing one (its folders too) stops the test
// program when it fails, and gives the path back.
QByteArray fileBytes(const QString& path);
QString writeFile(const QString& path, const QByteArray& bytes);

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
