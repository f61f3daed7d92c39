#include "core/store/Failure.h"

#include "core/store/Lib.h"
#include "core/store/Sqlite.h"

#include <sqlite3.h>

#include <QDebug>
#include <QStringList>

namespace DBLib {

QString FailureReason(const std::exception& error)
{
    if (const auto* sql = dynamic_cast<const Sql::Error*>(&error))
        return sql->message();
    if (const auto* coding = dynamic_cast<const Lib::TextCodingError*>(&error))
        return coding->message();
    return QString::fromUtf8(error.what());
}

QString FailureAdvice(const std::exception& error)
{
    if (dynamic_cast<const Lib::TextCodingError*>(&error))
        return QStringLiteral("Remove the unusual characters from the text and try again.");
    const auto* sql = dynamic_cast<const Sql::Error*>(&error);
    if (!sql)
        return QStringLiteral("Try again; if it fails again, restart Tumblerix.");
    switch (sql->code() & 0xFF) {
    case 0:
        return QString(); // the store's own words say what is wrong
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("Close the other program that uses the recipe database, then try again.");
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
    case SQLITE_AUTH:
        return QStringLiteral("Make the data folder and its files writable, then try again.");
    case SQLITE_FULL:
        return QStringLiteral("Free some space on the disk that holds the data folder, then try again.");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("The recipe database is damaged: restore it from a backup.");
    case SQLITE_IOERR:
        return QStringLiteral("Check the disk that holds the data folder, then try again.");
    default:
        return QStringLiteral("Try again; if it fails again, restart Tumblerix.");
    }
}

QString FailureMessage(const QString& step, const std::exception& error)
{
    QStringList paragraphs{step, FailureReason(error), FailureAdvice(error)};
    paragraphs.removeAll(QString());
    return paragraphs.join(QStringLiteral("\n\n"));
}

void LogFailure(const QString& step, const std::exception& error)
{
    QString line = step + QStringLiteral(" ") + FailureReason(error);
    if (const auto* sql = dynamic_cast<const Sql::Error*>(&error); sql && !sql->statement().isEmpty())
        line += QStringLiteral(" [statement: %1; code %2]").arg(sql->statement()).arg(sql->code());
    qWarning().noquote() << line;
}

} // namespace DBLib
