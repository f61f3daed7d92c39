#include "TestSupport.h"

#include "core/store/DBLib.h"
#include "core/store/DerivedFlags.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

#include <cstring>
#include <linux/capability.h>
#include <linux/securebits.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

TestDataFolder::TestDataFolder()
{
    QVERIFY2(m_dir.isValid(), "cannot create a temporary folder");
}

TestDataFolder::~TestDataFolder()
{
    DBLib::CloseRecipeDatabase();
}

QString TestDataFolder::file(const QString& name) const
{
    return QDir(m_dir.path()).filePath(name);
}

QString TestDataFolder::databasePath() const
{
    return file(QStringLiteral("Tumblerix.dat"));
}

void TestDataFolder::createEmptyDatabase()
{
    DBLib::CloseRecipeDatabase();
    DBLib::CreateRecipeDatabase(databasePath());
}

void TestDataFolder::createSmallDatabase()
{
    createEmptyDatabase();
    Sql::Connection& db = DBLib::Database();
    db.exec(QStringLiteral("INSERT INTO GlassTypes (GlassID, GlassType) VALUES (1, 'Cocktail Glass'), "
                           "(2, 'Highball Glass'), (3, 'Old Fashioned Glass')"));
    // name, non-alcoholic, in stock
    const struct
    {
        const char* name;
        bool nonAlcoholic;
        bool inStock;
    } ingredients[] = {
        {"Gin", false, true},          {"Dry Vermouth", false, true}, {"Lime Juice", true, true},
        {"Orange Juice", true, true},  {"Grenadine", true, false},    {"Vodka", false, false},
        {"Ginger Ale", true, true},    {"Sugar Syrup", true, false},
    };
    for (const auto& ing : ingredients) {
        const qint64 id = DBLib::AddIngredient(QString::fromUtf8(ing.name), QString(),
                                               ing.nonAlcoholic ? QStringLiteral("True") : QStringLiteral("False"));
        if (ing.inStock)
            db.execute(QStringLiteral("UPDATE Ingredients SET CurrentStock = 1 WHERE ID = ?1"), {id});
    }
}

TestSettings::TestSettings()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
}

qint64 addTestDrink(const QString& name, std::initializer_list<TestLine> lines, const QString& glass)
{
    const qint64 id =
        DBLib::Database().scalar(QStringLiteral("SELECT COALESCE(MAX(ID), 0) + 1 FROM Drinks")).toLongLong();
    for (const TestLine& line : lines)
        DBLib::AddRecipeLine(id, DBLib::GetIngredientIDByName(QString::fromUtf8(line.ingredient)),
                             QString::fromUtf8(line.amount));
    const int glassId = DBLib::GetGlassTypeID(glass.isEmpty() ? QStringLiteral("Cocktail Glass") : glass);
    DBLib::AddDrink(id, name.trimmed().toUpper(), glassId, QStringLiteral("Stir and serve."), QString(),
                    QStringLiteral("True"), QString(), QString(), QString());
    DBLib::UpdateDrinkFlags(id);
    return id;
}

QStringList recipeLines(const DBLib::Drink& drink)
{
    QStringList texts;
    for (const DBLib::RecipeLine& line : drink.lines)
        texts << line.amount + u'|' + line.ingredient;
    return texts;
}

QStringList storedLines(const QString& drink)
{
    const std::optional<DBLib::Drink> stored = DBLib::ReadDrink(drink);
    return stored ? recipeLines(*stored) : QStringList();
}

qint64 queryNumber(const QString& sql, const QVariantList& params)
{
    return DBLib::Database().scalar(sql, params).toLongLong();
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArrayLiteral("(missing)");
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

PermissionBitsApply::PermissionBitsApply()
{
    if (::geteuid() != 0)
        return;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2];
    static_assert(sizeof caps == sizeof m_saved);
    if (::syscall(SYS_capget, &header, caps) != 0)
        return;
    std::memcpy(m_saved, caps, sizeof caps);
    m_securebits = ::prctl(PR_GET_SECUREBITS);
    if (m_securebits < 0 || ::prctl(PR_SET_SECUREBITS, m_securebits | SECBIT_NO_SETUID_FIXUP) != 0)
        return;
    caps[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    m_dropped = ::syscall(SYS_capset, &header, caps) == 0;
}

PermissionBitsApply::~PermissionBitsApply()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    if (m_dropped)
        ::syscall(SYS_capset, &header, m_saved);
    if (m_securebits >= 0)
        ::prctl(PR_SET_SECUREBITS, m_securebits);
}
