// The recipe database in trouble: a file that is damaged or of another kind, a data folder that
// cannot be written, a database another program holds locked. The program must say so clearly,
// leave the file as it was, and either go on or stop cleanly.

#include "TestSupport.h"

#include "gui/common/MessageBox.h"
#include "gui/main/frmMain.h"
#include "core/store/DBLib.h"
#include "core/store/RecipeRepository.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// Every file in the folder (and below) with its size: what a start must not change.
QStringList listing(const QString& folder)
{
    QStringList entries;
    const QDir dir(folder);
    for (const QFileInfo& info : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name))
        entries << info.fileName() + QLatin1Char(' ') + QString::number(info.isDir() ? -1 : info.size());
    return entries;
}

MessageBox::Shown lastMessage()
{
    return MessageBox::history().isEmpty() ? MessageBox::Shown{} : MessageBox::history().constLast();
}

constexpr quint32 OverrideCaps = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

// Root passes every permission check. With the two override capabilities out of this thread's
// effective set, permission bits apply to it as to any user; they come back on destruction.
class PermissionBitsApply
{
public:
    PermissionBitsApply()
    {
        if (::geteuid() != 0)
            return;
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        if (::syscall(SYS_capget, &header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2];
        std::memcpy(reduced, m_saved, sizeof reduced);
        reduced[0].effective &= ~OverrideCaps;
        m_dropped = ::syscall(SYS_capset, &header, reduced) == 0;
    }
    ~PermissionBitsApply()
    {
        if (m_dropped) {
            __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
            ::syscall(SYS_capset, &header, m_saved);
        }
    }
    PermissionBitsApply(const PermissionBitsApply&) = delete;
    PermissionBitsApply& operator=(const PermissionBitsApply&) = delete;

private:
    __user_cap_data_struct m_saved[2]{};
    bool m_dropped = false;
};

// Whether a child process can be made to obey permission bits: always for a user other than root;
// for root when it may drop capabilities from the bounding set.
bool childObeysPermissionBits()
{
    if (::geteuid() != 0)
        return true;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    return ::syscall(SYS_capget, &header, data) == 0 && (data[0].effective & (1u << CAP_SETPCAP)) != 0;
}

// The program itself, run to print its database report: it must end by itself with an exit code
// and a message, never crash or hang.
struct ProgramRun
{
    bool finished = false;
    int exitCode = -1;
    QString errorOutput;
};

ProgramRun runProgram(const QString& dataFolder)
{
    QProcess program;
    program.setProgram(QStringLiteral(TUMBLERIX_EXECUTABLE));
    program.setArguments({QStringLiteral("--data-dir"), dataFolder, QStringLiteral("--report")});
    // The child process of a root test drops the override capabilities for good, so the
    // permission bits bind it too.
    program.setChildProcessModifier([] {
        if (::geteuid() == 0) {
            ::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
            ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0);
        }
    });
    program.start();
    ProgramRun run;
    run.finished = program.waitForFinished(60000) && program.exitStatus() == QProcess::NormalExit;
    run.exitCode = program.exitCode();
    run.errorOutput = QString::fromUtf8(program.readAllStandardError());
    return run;
}

enum class Damage { TruncatedHalf, TruncatedInHeader, Empty, ZeroedPage, TextFile, Picture, OtherDatabase };

} // namespace

class TestTrouble : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestSettings> m_settings;
    QTemporaryDir m_template;

    QString templateDatabase() const { return QDir(m_template.path()).filePath(QStringLiteral("Tumblerix.dat")); }

    // A data folder holding a copy of the template database (nothing open).
    std::unique_ptr<TestDataFolder> folderWithDatabase()
    {
        auto folder = std::make_unique<TestDataFolder>();
        if (!QFile::copy(templateDatabase(), folder->databasePath()))
            return nullptr;
        return folder;
    }

    // Starts the main window on the folder; the message shown when the start fails.
    bool start(const QString& folder, MessageBox::Shown* failure = nullptr)
    {
        MessageBox::clearHistory();
        frmMain w(folder);
        const bool loaded = w.Load();
        if (failure)
            *failure = lastMessage();
        return loaded;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_template.isValid());
        // A database of some size, so that damage to its middle hits drinks and recipe lines.
        TestDataFolder folder;
        folder.createSmallDatabase();
        for (int i = 0; i < 400; ++i)
            addTestDrink(QStringLiteral("Drink %1").arg(i, 3, 10, QLatin1Char('0')),
                         {{"2 oz", "Gin"}, {"1 oz", "Lime Juice"}, {"Fill with", "Ginger Ale"}});
        DBLib::CloseRecipeDatabase();
        QVERIFY(QFile::copy(folder.databasePath(), templateDatabase()));
        QVERIFY(!QFile::exists(folder.databasePath() + QStringLiteral("-wal")));
    }

    void init()
    {
        m_settings = std::make_unique<TestSettings>();
        MessageBox::clearHistory();
        MessageBox::setAutoAnswer(true);
        DBLib::CloseRecipeDatabase();
    }
    void cleanup()
    {
        DBLib::CloseRecipeDatabase();
        MessageBox::clearHistory();
        m_settings.reset();
    }

    void unusableFileStopsTheStartUntouched_data()
    {
        QTest::addColumn<int>("damage");
        QTest::addColumn<QString>("reason");
        QTest::newRow("truncated to half its size") << int(Damage::TruncatedHalf) << QStringLiteral("is damaged");
        QTest::newRow("truncated inside the header") << int(Damage::TruncatedInHeader) << QStringLiteral("is damaged");
        QTest::newRow("emptied") << int(Damage::Empty) << QStringLiteral("is empty");
        QTest::newRow("a page zeroed") << int(Damage::ZeroedPage) << QStringLiteral("is damaged");
        QTest::newRow("a text file") << int(Damage::TextFile) << QStringLiteral("not a database");
        QTest::newRow("a picture") << int(Damage::Picture) << QStringLiteral("not a database");
        QTest::newRow("another program's database") << int(Damage::OtherDatabase)
                                                    << QStringLiteral("not a Tumblerix recipe database");
    }
    void unusableFileStopsTheStartUntouched()
    {
        QFETCH(int, damage);
        QFETCH(QString, reason);
        auto folder = folderWithDatabase();
        QVERIFY(folder);
        const QString path = folder->databasePath();
        const QByteArray original = fileBytes(path);
        switch (Damage(damage)) {
        case Damage::TruncatedHalf:
            writeBytes(path, original.left(original.size() / 2));
            break;
        case Damage::TruncatedInHeader:
            writeBytes(path, original.left(50));
            break;
        case Damage::Empty:
            writeBytes(path, QByteArray());
            break;
        case Damage::ZeroedPage: {
            QByteArray bytes = original;
            const qsizetype page = 4096;
            bytes.replace((bytes.size() / page / 2) * page, page, QByteArray(page, '\0'));
            writeBytes(path, bytes);
            break;
        }
        case Damage::TextFile:
            writeBytes(path, "Shopping: limes, mint, soda.\nCall Ann about Saturday.\n");
            break;
        case Damage::Picture:
            writeBytes(path, QByteArray::fromHex("89504e470d0a1a0a0000000d4948445200000001000000010806000000") +
                                 QByteArray(500, 'x'));
            break;
        case Damage::OtherDatabase: {
            QFile::remove(path);
            Sql::Connection other(path, Sql::Connection::Mode::ReadWriteCreate);
            other.exec(QStringLiteral("CREATE TABLE Contacts (Name TEXT, Phone TEXT); "
                                      "INSERT INTO Contacts VALUES ('Ann', '555-0100');"));
            break;
        }
        }
        if (QTest::currentTestFailed())
            return;
        const QByteArray before = fileBytes(path);
        const QStringList filesBefore = listing(folder->path());

        MessageBox::Shown failure;
        QVERIFY(!start(folder->path(), &failure));
        QCOMPARE(failure.icon, QMessageBox::Critical);
        QVERIFY2(failure.text.startsWith(QStringLiteral("The recipe database cannot be opened.")), qPrintable(failure.text));
        QVERIFY2(failure.text.contains(path), qPrintable(failure.text));
        QVERIFY2(failure.text.contains(reason), qPrintable(failure.text));
        QCOMPARE(MessageBox::history().size(), 1);
        QVERIFY(!DBLib::IsOpen());
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(listing(folder->path()), filesBefore);

        // The program itself ends with the same words and a failure code, leaving the file alone.
        const ProgramRun run = runProgram(folder->path());
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errorOutput.contains(reason), qPrintable(run.errorOutput));
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(listing(folder->path()), filesBefore);
    }

    void readOnlyDataFolder_data()
    {
        QTest::addColumn<bool>("folderReadOnly");
        QTest::addColumn<bool>("fileReadOnly");
        QTest::addColumn<bool>("databaseThere");
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder read-only") << true << false << true << QStringLiteral("is read-only");
        QTest::newRow("file read-only") << false << true << true << QStringLiteral("is read-only");
        QTest::newRow("both read-only") << true << true << true << QStringLiteral("is read-only");
        QTest::newRow("first start in a read-only folder") << true << false << false << QStringLiteral("Permission denied");
    }
    void readOnlyDataFolder()
    {
        QFETCH(bool, folderReadOnly);
        QFETCH(bool, fileReadOnly);
        QFETCH(bool, databaseThere);
        QFETCH(QString, reason);
        auto folder = databaseThere ? folderWithDatabase() : std::make_unique<TestDataFolder>();
        QVERIFY(folder);
        const QString path = folder->databasePath();
        const QByteArray before = fileBytes(path);
        const QStringList filesBefore = listing(folder->path());
        const QFile::Permissions writable = QFile::permissions(folder->path());
        if (fileReadOnly)
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
        if (folderReadOnly)
            QVERIFY(QFile::setPermissions(folder->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));

        MessageBox::Shown failure;
        bool loaded = true;
        bool bitsApply = false;
        {
            PermissionBitsApply asAnyUser;
            // Where even that does not make the bits bind (another kind of file system), there is
            // nothing to test.
            QFile probe(folderReadOnly ? QDir(folder->path()).filePath(QStringLiteral("probe")) : path);
            bitsApply = !probe.open(folderReadOnly ? QIODevice::WriteOnly : QIODevice::ReadWrite);
            if (!bitsApply && folderReadOnly)
                probe.remove();
            probe.close();
            if (bitsApply)
                loaded = start(folder->path(), &failure);
        }
        const ProgramRun run = bitsApply ? runProgram(folder->path()) : ProgramRun{};
        QFile::setPermissions(folder->path(), writable);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        if (!bitsApply)
            QSKIP("permission bits do not bind this process here");

        QVERIFY(!loaded);
        QCOMPARE(failure.icon, QMessageBox::Critical);
        QVERIFY2(failure.text.contains(path), qPrintable(failure.text));
        QVERIFY2(failure.text.contains(reason), qPrintable(failure.text));
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(listing(folder->path()), filesBefore);

        if (!childObeysPermissionBits())
            QSKIP("the program cannot be started without the override capabilities here");
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errorOutput.contains(reason), qPrintable(run.errorOutput));
    }

    void lockedByAnotherInstance()
    {
        auto folder = folderWithDatabase();
        QVERIFY(folder);
        const QString path = folder->databasePath();
        // Another copy of the program, in the middle of a long write.
        Sql::Connection other(path);
        other.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
        other.exec(QStringLiteral("BEGIN EXCLUSIVE"));
        other.execute(QStringLiteral("UPDATE Ingredients SET ShoppingList = 1 WHERE Ingredient = 'Gin'"));

        // Reading goes on beside the other writer: the program starts and shows the drinks.
        frmMain w(folder->path());
        QVERIFY(w.Load());
        QCOMPARE(MessageBox::history().size(), 0);
        QCOMPARE(w.drinkListEntries().size(), 400);
        const int position = int(w.drinkListEntries().indexOf(QStringLiteral("DRINK 007")));
        w.selectDrinkAt(position);
        QCOMPARE(mainControl<QListWidget>(&w, "lstIngredients")->count(), 3);

        // A change waits for the lock, then gives up with a message that says why.
        MessageBox::setNextAnswer(QMessageBox::Yes);
        mainControl<QAction>(&w, "mnuDelete")->trigger();
        QCOMPARE(MessageBox::history().size(), 2);
        MessageBox::Shown refusal = lastMessage();
        QCOMPARE(refusal.icon, QMessageBox::Critical);
        QVERIFY2(refusal.text.startsWith(QStringLiteral("DRINK 007 could not be deleted.")), qPrintable(refusal.text));
        QVERIFY2(refusal.text.contains(QStringLiteral("in use by another program")), qPrintable(refusal.text));
        QVERIFY(w.drinkListEntries().contains(QStringLiteral("DRINK 007")));
        QVERIFY(DBLib::FindDrinkID(QStringLiteral("DRINK 007")) > 0);

        mainControl<QAction>(&w, "mnuMarkAsFavorite")->trigger();
        refusal = lastMessage();
        QVERIFY2(refusal.text.contains(QStringLiteral("could not be added to the favorites")), qPrintable(refusal.text));
        QVERIFY2(refusal.text.contains(QStringLiteral("in use by another program")), qPrintable(refusal.text));
        QVERIFY(mainControl<QAction>(&w, "mnuMarkAsFavorite")->isVisible());

        // Once the other program has finished, the same commands work, and its write is kept.
        other.exec(QStringLiteral("COMMIT"));
        MessageBox::clearHistory();
        mainControl<QAction>(&w, "mnuMarkAsFavorite")->trigger();
        QCOMPARE(MessageBox::history().size(), 0);
        QCOMPARE(DBLib::FavoriteDrinkNames(), QStringList{QStringLiteral("DRINK 007")});
        MessageBox::setNextAnswer(QMessageBox::Yes);
        mainControl<QAction>(&w, "mnuDelete")->trigger();
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(DBLib::FindDrinkID(QStringLiteral("DRINK 007")), qint64(-1));
        QVERIFY(!w.drinkListEntries().contains(QStringLiteral("DRINK 007")));
        QCOMPARE(DBLib::Database().scalar(QStringLiteral("SELECT ShoppingList FROM Ingredients WHERE Ingredient = 'Gin'")).toInt(), 1);
    }

    void lockedWhileStarting()
    {
        // A file in the older rollback-journal form, held by a writer that keeps readers out.
        auto folder = folderWithDatabase();
        QVERIFY(folder);
        const QString path = folder->databasePath();
        Sql::Connection other(path);
        other.exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
        const QByteArray before = fileBytes(path);
        other.exec(QStringLiteral("BEGIN EXCLUSIVE"));

        MessageBox::Shown failure;
        QVERIFY(!start(folder->path(), &failure));
        QVERIFY2(failure.text.contains(path), qPrintable(failure.text));
        QVERIFY2(failure.text.contains(QStringLiteral("in use by another program")), qPrintable(failure.text));
        QVERIFY(!DBLib::IsOpen());
        other.exec(QStringLiteral("ROLLBACK"));
        QCOMPARE(fileBytes(path), before);

        // Free again, it starts.
        QVERIFY(start(folder->path()));
    }
};

QTEST_MAIN(TestTrouble)
#include "test_trouble.moc"
