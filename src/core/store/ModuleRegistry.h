#pragma once

#include <QString>
#include <QVariant>

#include <optional>

// Per-user preferences, kept by QSettings under organisation "Brimvale", application "Tumblerix".
// Every value is stored as text; numbers are written as decimal text and read back by conversion.
namespace ModuleRegistry {

inline constexpr const char* Organisation = "Brimvale";
inline constexpr const char* Application = "Tumblerix";

// Value names.
inline const QString SaveDrinkListInExit = QStringLiteral("saveDrinkListInExit");
inline const QString SaveDrinkListSelection = QStringLiteral("saveDrinkListSelection");
inline const QString Background = QStringLiteral("Background");
inline const QString Button = QStringLiteral("Button");
inline const QString Text = QStringLiteral("Text");
inline const QString TextListBox = QStringLiteral("TextListBox");
inline const QString Title = QStringLiteral("Title");
inline const QString NeverAsk = QStringLiteral("neverAsk");
inline const QString LastUpdate = QStringLiteral("lastUpdate");
// The documents of the "lastUpdate" day that run took: "day|stem,stem".
inline const QString LastUpdateFiles = QStringLiteral("lastUpdateFiles");
// The recipe database as the program left it at its last clean close (path, size, time, inode).
inline const QString LastCleanClose = QStringLiteral("lastCleanClose");
// Added later: grams of ethanol in a standard drink ("14", "8" or "10"), the unit shown first
// ("ml" or "oz"), and whether substitutes count as stock ("1" or "0").
inline const QString StandardDrinkGrams = QStringLiteral("standardDrinkGrams");
inline const QString UnitsFirst = QStringLiteral("unitsFirst");
inline const QString CountSubstitutes = QStringLiteral("countSubstitutes");
// "1" once the user has chosen colours in the colour window.
inline const QString ColorsChosen = QStringLiteral("colorsChosen");
// How recipes are printed: "text" (columns of text, the default) or "formatted".
inline const QString PrintStyle = QStringLiteral("printStyle");

// The colours of the default scheme that do not come from the desktop's palette.
inline constexpr qint64 DefaultBackground = 16777215; // white
inline constexpr qint64 DefaultTitle = 8388608;       // dark blue
// The date the shipped drink data was released, month/day/year.
inline const QString ReleaseDate = QStringLiteral("6/30/03");

// Makes sure the preference store exists (and is writable) for this user.
void CreateRegistryKey();
// The stored text, or an empty QVariant when the value does not exist.
QVariant ReadRegistryValue(const QString& valueName);
void WriteRegistryValue(const QString& valueName, const QString& value);
void WriteRegistryValue(const QString& valueName, qint64 value);

// The stored text, empty when missing.
QString ReadText(const QString& valueName);
// The stored value converted to a whole number; nullopt when it is missing or not a number.
std::optional<qint64> ReadNumber(const QString& valueName);
// Converts preference text as the reader does: blanks around the digits are allowed.
std::optional<qint64> ToNumber(const QString& text);

// True when this user has never started the program (the first preference has no text).
bool IsFirstStart();

// The first start's values, in their order: the two list-view values, then the default scheme.
struct DesktopColours
{
    qint64 buttonFace = 0;
    qint64 windowText = 0;
    qint64 windowBackground = 0;
};
void WriteFirstStartDefaults(const DesktopColours& colours);

} // namespace ModuleRegistry
