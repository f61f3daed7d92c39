#pragma once

#include <QString>

#include <optional>

// The preferences a user can change in the Preferences window, read and written together under
// their long-standing names.
namespace Preferences {

struct Values
{
    QString serviceAddress; // the drink exchange: http or https, a host, a port when not the usual one
    QString companyName;    // shown in messages about the exchange
    QString supportAddress;
    int timeoutSeconds = 30; // one request to the exchange
    bool ouncesFirst = false;
    int standardDrinkGrams = 14; // 14 (US), 8 (UK) or 10 (Australia)
    bool countSubstitutes = false;
    bool formattedPrint = false; // recipes printed formatted rather than as columns of text
};

inline constexpr int MinTimeoutSeconds = 1;
inline constexpr int MaxTimeoutSeconds = 300;

Values Load();

struct Problem
{
    enum class Field
    {
        ServiceAddress,
        CompanyName,
        SupportAddress,
        Timeout,
        StandardDrink
    };
    Field field;
    QString message;
};
// Nothing when the values can be kept; else what is wrong, naming the field.
std::optional<Problem> Validate(const Values& values);

// Writes the values (validated first: throws std::invalid_argument with the problem's message
// when they are not). A change of the substitute rule marks the stock views stale.
void Save(const Values& values);

// Where the preferences are kept (the file QSettings writes).
QString PreferencesFile();

} // namespace Preferences
