#include "core/store/ModuleRegistry.h"

#include <QSettings>

namespace ModuleRegistry {


void CreateRegistryKey()
{
    QSettings s(QString::fromLatin1(Organisation), QString::fromLatin1(Application));
    s.sync();
}

QVariant ReadRegistryValue(const QString& valueName)
{
    QSettings s(QString::fromLatin1(Organisation), QString::fromLatin1(Application));
    const QVariant v = s.value(valueName);
    if (!v.isValid())
        return QVariant();
    // Numbers written by other tools read back as their decimal text, like every other value.
    return QVariant(v.toString());
}

void WriteRegistryValue(const QString& valueName, const QString& value)
{
    QSettings s(QString::fromLatin1(Organisation), QString::fromLatin1(Application));
    s.setValue(valueName, value);
}

void WriteRegistryValue(const QString& valueName, qint64 value)
{
    WriteRegistryValue(valueName, QString::number(value));
}

QString ReadText(const QString& valueName)
{
    return ReadRegistryValue(valueName).toString();
}

std::optional<qint64> ToNumber(const QString& text)
{
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return n;
}

std::optional<qint64> ReadNumber(const QString& valueName)
{
    return ToNumber(ReadText(valueName));
}

bool IsFirstStart()
{
    return ReadText(SaveDrinkListInExit).isEmpty();
}

void WriteFirstStartDefaults(const DesktopColours& colours)
{
    CreateRegistryKey();
    WriteRegistryValue(SaveDrinkListInExit, QStringLiteral("0"));
    WriteRegistryValue(SaveDrinkListSelection, QStringLiteral("1"));
    WriteRegistryValue(Background, DefaultBackground);
    WriteRegistryValue(Button, colours.buttonFace);
    WriteRegistryValue(Text, colours.windowText);
    WriteRegistryValue(TextListBox, colours.windowBackground);
    WriteRegistryValue(Title, DefaultTitle);
}

} // namespace ModuleRegistry
