#include "core/exchange/OnlineSettings.h"

#include "core/store/ModuleRegistry.h"

#include <QRegularExpression>
#include <QUuid>
#include <QVersionNumber>

namespace OnlineSettings {

namespace {

QString textOr(const QString& name, const QString& fallback)
{
    const QString value = ModuleRegistry::ReadText(name).trimmed();
    return value.isEmpty() ? fallback : value;
}

} // namespace

QUrl ParseServiceAddress(const QString& text)
{
    QString t = text.trimmed();
    if (t.isEmpty())
        return QUrl();
    if (!t.contains(QLatin1String("://")))
        t.prepend(QLatin1String("http://"));
    const QUrl url(t, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return QUrl();
    QUrl root;
    root.setScheme(scheme);
    root.setHost(url.host());
    const int defaultPort = scheme == QLatin1String("https") ? 443 : 80;
    if (url.port() != -1 && url.port() != defaultPort)
        root.setPort(url.port());
    return root;
}

QUrl ServiceRoot()
{
    return ParseServiceAddress(textOr(ServiceAddressName, DefaultServiceAddress));
}

void SetServiceAddress(const QString& text)
{
    ModuleRegistry::WriteRegistryValue(ServiceAddressName, text);
}

QString CompanyName()
{
    return textOr(CompanyNameName, DefaultCompanyName);
}

QString SupportAddress()
{
    return textOr(SupportAddressName, DefaultSupportAddress);
}

QString InstallationCode()
{
    // The code goes into a query unencoded, so only letters, digits and "-" are kept; anything else
    // (a hand-edited value) is replaced by a fresh code.
    static const QRegularExpression safe(QStringLiteral("^[A-Za-z0-9-]{1,64}$"));
    const QString stored = ModuleRegistry::ReadText(InstallationCodeName);
    if (safe.match(stored).hasMatch())
        return stored;
    const QString code = QUuid::createUuid().toString(QUuid::WithoutBraces);
    ModuleRegistry::WriteRegistryValue(InstallationCodeName, code);
    return code;
}

int RequestTimeoutMs()
{
    const std::optional<qint64> seconds = ModuleRegistry::ReadNumber(ServiceTimeoutName);
    if (!seconds || *seconds < 1 || *seconds > 600)
        return DefaultTimeoutSeconds * 1000;
    return int(*seconds * 1000);
}

QString ProgramTitle()
{
    return QStringLiteral("Tumblerix");
}

QString LocalVersionText()
{
    const QVersionNumber v = QVersionNumber::fromString(QStringLiteral(TUMBLERIX_VERSION));
    return ProgramTitle() + QLatin1Char(' ') + QString::number(v.majorVersion()) + QLatin1Char('.') +
           QString::number(v.minorVersion());
}

bool IsNewerVersion(const QString& serviceText)
{
    static const QRegularExpression number(QStringLiteral("\\d+(?:\\.\\d+)*"));
    const QRegularExpressionMatch m = number.match(serviceText.trimmed());
    if (!m.hasMatch())
        return false;
    // Trailing zeros say nothing: "8.5" is the same version as 8.5.0.
    const QVersionNumber local = QVersionNumber::fromString(QStringLiteral(TUMBLERIX_VERSION)).normalized();
    return QVersionNumber::compare(QVersionNumber::fromString(m.captured()).normalized(), local) > 0;
}

} // namespace OnlineSettings
