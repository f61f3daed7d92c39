#include "core/exchange/UpdateFiles.h"

#include "core/exchange/ExchangeDocument.h"
#include "core/store/DBLib.h"
#include "core/store/Lib.h"
#include "core/store/ModuleRegistry.h"

#include <QFile>
#include <QFileInfo>

namespace Online {

void DestroyFile(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink()) {
        QFile::remove(path);
        return;
    }
    if (!info.exists() || !info.isFile())
        return;
    QFile file(path);
    if (file.open(QIODevice::ReadWrite)) {
        const qint64 blocks = file.size() / 4096 + 1;
        const QByteArray blanks(4096, ' ');
        for (qint64 i = 0; i < blocks; ++i) {
            if (file.write(blanks) != blanks.size())
                break;
        }
        file.close();
    }
    QFile::remove(path);
}

bool WriteFile(const QString& path, const QByteArray& bytes, QString* error)
{
    if (QFileInfo(path).isSymLink())
        QFile::remove(path); // never write through a link someone left in the folder
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        if (error)
            *error = QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString());
        file.close();
        QFile::remove(path);
        return false;
    }
    file.close();
    return true;
}

std::optional<QList<ExchangeDrink>> ReadDocumentFile(const QString& localFileName, QString* error)
{
    QFile file(localFileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("The file cannot be read: %1").arg(file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = file.read(MaxDocumentBytes + 1);
    file.close();
    return ReadDrinkDocument(bytes, error);
}

std::optional<UpdateMark> ReadUpdateMark()
{
    const std::optional<QDate> day = ParseExchangeDate(ModuleRegistry::ReadText(ModuleRegistry::LastUpdate));
    if (!day)
        return std::nullopt;
    UpdateMark mark{*day, std::nullopt};
    const QString files = ModuleRegistry::ReadText(ModuleRegistry::LastUpdateFiles);
    const qsizetype bar = files.indexOf(QLatin1Char('|'));
    if (bar > 0 && ParseExchangeDate(files.left(bar)) == day) {
        QStringList stems = files.mid(bar + 1).split(QLatin1Char(','), Qt::SkipEmptyParts);
        stems.removeIf([](const QString& stem) { return !IsSafeFileStem(stem); });
        mark.stems = stems;
    }
    return mark;
}

void WriteUpdateMark(const UpdateMark& mark)
{
    const QString day = FormatExchangeDate(mark.day);
    ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdate, day);
    ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdateFiles,
                                       day + QLatin1Char('|') + mark.stems.value_or(QStringList()).join(QLatin1Char(',')));
}

std::optional<AddRecordsResult> AddNewRecordsToDatabase(const QString& localFileName, QString* error)
{
    const std::optional<QList<ExchangeDrink>> drinks = ReadDocumentFile(localFileName, error);
    if (!drinks)
        return std::nullopt;
    try {
        return Online::AddNewRecordsToDatabase(*drinks);
    } catch (const Sql::Error& e) {
        *error = e.message();
    } catch (const Lib::TextCodingError& e) {
        *error = e.message();
    }
    return std::nullopt;
}

} // namespace Online
