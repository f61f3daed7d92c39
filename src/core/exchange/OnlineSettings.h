#pragma once

#include <QString>
#include <QUrl>

// Where the drink exchange service is and how the program presents itself to it. Kept with the
// other preferences (ModuleRegistry).
namespace OnlineSettings {

// Value names.
inline const QString ServiceAddressName = QStringLiteral("serviceAddress");
inline const QString CompanyNameName = QStringLiteral("companyName");
inline const QString SupportAddressName = QStringLiteral("supportAddress");
inline const QString InstallationCodeName = QStringLiteral("installationCode");
inline const QString ServiceTimeoutName = QStringLiteral("serviceTimeout");

// Defaults: the reference exchange service run on this computer with its default port.
inline const QString DefaultServiceAddress = QStringLiteral("http://127.0.0.1:8080");
inline const QString DefaultCompanyName = QStringLiteral("Brimvale");
inline const QString DefaultSupportAddress = QStringLiteral("support@brimvale.example");
inline constexpr int DefaultTimeoutSeconds = 30;

// The service's root ("http://host[:port]"): scheme http or https, a host, and a port only when
// it is not the scheme's own. An address without a scheme means http. Invalid text gives an
// empty QUrl.
QUrl ServiceRoot();
QUrl ParseServiceAddress(const QString& text);
void SetServiceAddress(const QString& text);

QString CompanyName();
QString SupportAddress();

// The opaque code sent as "hash_code": made once (a random identifier) and kept.
QString InstallationCode();

// How long one request may take, in milliseconds.
int RequestTimeoutMs();

// The program's title and "title major.minor" as the service compares it ("Tumblerix 8.5").
QString ProgramTitle();
QString LocalVersionText();
// Whether the version text the service gives ("Tumblerix 8.6", blanks and line breaks around it
// allowed) names a higher version number than this program's. Text without a number is not newer.
bool IsNewerVersion(const QString& serviceText);

} // namespace OnlineSettings
