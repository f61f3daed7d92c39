#include "core/settings/Preferences.h"

#include "core/exchange/OnlineSettings.h"
#include "core/store/DerivedFlags.h"
#include "core/store/ModuleRegistry.h"

#include <QSettings>

#include <algorithm>
#include <stdexcept>

namespace Preferences {

Values Load()
{
    Values v;
    const QString address = ModuleRegistry::ReadText(OnlineSettings::ServiceAddressName).trimmed();
    v.serviceAddress = address.isEmpty() ? OnlineSettings::DefaultServiceAddress : address;
    v.companyName = OnlineSettings::CompanyName();
    v.supportAddress = OnlineSettings::SupportAddress();
    v.timeoutSeconds = OnlineSettings::RequestTimeoutMs() / 1000;
    v.timeoutSeconds = std::clamp(v.timeoutSeconds, MinTimeoutSeconds, MaxTimeoutSeconds);
    v.ouncesFirst = ModuleRegistry::ReadText(ModuleRegistry::UnitsFirst).trimmed() == QLatin1String("oz");
    const qint64 grams = ModuleRegistry::ReadNumber(ModuleRegistry::StandardDrinkGrams).value_or(14);
    v.standardDrinkGrams = grams == 8 || grams == 10 ? int(grams) : 14;
    v.countSubstitutes = DBLib::CountSubstitutesAsStock();
    v.formattedPrint = ModuleRegistry::ReadText(ModuleRegistry::PrintStyle).trimmed() == QLatin1String("formatted");
    return v;
}

std::optional<Problem> Validate(const Values& values)
{
    using Field = Problem::Field;
    if (OnlineSettings::ParseServiceAddress(values.serviceAddress).isEmpty())
        return Problem{Field::ServiceAddress,
                       QStringLiteral("The address of the drink exchange must be http:// or https:// followed by a "
                                      "host name, and a port when it is not the usual one (for example "
                                      "http://127.0.0.1:8080).")};
    if (values.companyName.trimmed().isEmpty())
        return Problem{Field::CompanyName, QStringLiteral("Please enter the name to show for the drink exchange.")};
    if (values.supportAddress.trimmed().isEmpty())
        return Problem{Field::SupportAddress, QStringLiteral("Please enter where to ask for support.")};
    if (values.timeoutSeconds < MinTimeoutSeconds || values.timeoutSeconds > MaxTimeoutSeconds)
        return Problem{Field::Timeout, QStringLiteral("The time a request may take must be from %1 to %2 seconds.")
                                           .arg(MinTimeoutSeconds)
                                           .arg(MaxTimeoutSeconds)};
    if (values.standardDrinkGrams != 14 && values.standardDrinkGrams != 8 && values.standardDrinkGrams != 10)
        return Problem{Field::StandardDrink, QStringLiteral("A standard drink is 14, 8 or 10 grams of alcohol.")};
    return std::nullopt;
}

void Save(const Values& values)
{
    if (const std::optional<Problem> problem = Validate(values))
        throw std::invalid_argument(problem->message.toStdString());
    OnlineSettings::SetServiceAddress(values.serviceAddress.trimmed());
    ModuleRegistry::WriteRegistryValue(OnlineSettings::CompanyNameName, values.companyName.trimmed());
    ModuleRegistry::WriteRegistryValue(OnlineSettings::SupportAddressName, values.supportAddress.trimmed());
    ModuleRegistry::WriteRegistryValue(OnlineSettings::ServiceTimeoutName, qint64(values.timeoutSeconds));
    ModuleRegistry::WriteRegistryValue(ModuleRegistry::UnitsFirst,
                                       values.ouncesFirst ? QStringLiteral("oz") : QStringLiteral("ml"));
    ModuleRegistry::WriteRegistryValue(ModuleRegistry::StandardDrinkGrams, qint64(values.standardDrinkGrams));
    ModuleRegistry::WriteRegistryValue(ModuleRegistry::PrintStyle,
                                       values.formattedPrint ? QStringLiteral("formatted") : QStringLiteral("text"));
    DBLib::SetCountSubstitutesAsStock(values.countSubstitutes);
}

QString PreferencesFile()
{
    return QSettings(QString::fromLatin1(ModuleRegistry::Organisation), QString::fromLatin1(ModuleRegistry::Application))
        .fileName();
}

} // namespace Preferences
