#include "core/store/HashTable.h"

#include <QSet>
#include <QTest>

class TestHashTable : public QObject
{
    Q_OBJECT

private:
    static int errorOf(const std::function<void()>& f)
    {
        try {
            f();
        } catch (const HashTableError& e) {
            return e.number();
        }
        return 0;
    }

private Q_SLOTS:
    void hashOfKey_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("hash");
        QTest::newRow("two digits") << QStringLiteral("12") << 891;
        QTest::newRow("same sum, other order") << QStringLiteral("21") << 891;
        QTest::newRow("single letter") << QStringLiteral("A") << 585;
        // Only the low byte of each code unit counts: U+0141 weighs like 0x41.
        QTest::newRow("low byte only") << QStringLiteral("\u0141") << 585;
    }
    void hashOfKey()
    {
        QFETCH(QString, key);
        QFETCH(int, hash);
        QCOMPARE(HashTable::hashOf(key), hash);
    }

    void keysSharingABucketStayApart()
    {
        HashTable t;
        t.Add(QStringLiteral("12"), QString());
        QVERIFY(t.Exists(QStringLiteral("12")));
        QVERIFY(!t.Exists(QStringLiteral("21")));
        QCOMPARE(t.count(), 1);
        t.Add(QStringLiteral("21"), QStringLiteral("second"));
        QCOMPARE(t.item(QStringLiteral("21")), QStringLiteral("second"));
        QCOMPARE(t.item(QStringLiteral("12")), QString());
        QCOMPARE(t.count(), 2);
    }

    void errors_data()
    {
        QTest::addColumn<int>("expected");
        QTest::addColumn<std::function<void(HashTable&)>>("operation");
        QTest::newRow("duplicate add") << 457 << std::function<void(HashTable&)>([](HashTable& t) {
            t.Add(QStringLiteral("k"), QStringLiteral("again"));
        });
        QTest::newRow("remove missing")
            << 5 << std::function<void(HashTable&)>([](HashTable& t) { t.Remove(QStringLiteral("nope")); });
        QTest::newRow("empty key exists")
            << 1001 << std::function<void(HashTable&)>([](HashTable& t) { t.Exists(QString()); });
        QTest::newRow("empty key add")
            << 1001 << std::function<void(HashTable&)>([](HashTable& t) { t.Add(QString(), QString()); });
        QTest::newRow("empty key item")
            << 1001 << std::function<void(HashTable&)>([](HashTable& t) { t.item(QString()); });
        QTest::newRow("empty key assign")
            << 1001 << std::function<void(HashTable&)>([](HashTable& t) { t.setItem(QString(), QString()); });
        QTest::newRow("empty key remove")
            << 1001 << std::function<void(HashTable&)>([](HashTable& t) { t.Remove(QString()); });
        QTest::newRow("size zero") << 5 << std::function<void(HashTable&)>([](HashTable& t) { t.SetSize(0); });
        QTest::newRow("size negative") << 5 << std::function<void(HashTable&)>([](HashTable& t) { t.SetSize(-3); });
    }
    void errors()
    {
        QFETCH(int, expected);
        QFETCH(std::function<void(HashTable&)>, operation);
        HashTable t;
        t.Add(QStringLiteral("k"), QStringLiteral("old"));
        QCOMPARE(errorOf([&] { operation(t); }), expected);
        // A refused operation leaves the table as it was.
        QCOMPARE(t.count(), 1);
        QCOMPARE(t.item(QStringLiteral("k")), QStringLiteral("old"));
    }

    void emptyKeyDescription()
    {
        HashTable t;
        try {
            t.Add(QString(), QString());
            QFAIL("no error raised");
        } catch (const HashTableError& e) {
            QCOMPARE(e.description(), QStringLiteral("Invalid key"));
        }
    }

    void itemReadDoesNotAddButAssignDoes()
    {
        HashTable t;
        QCOMPARE(t.item(QStringLiteral("x")), QString());
        QCOMPARE(t.count(), 0);
        QVERIFY(!t.Exists(QStringLiteral("x")));
        t.setItem(QStringLiteral("x"), QStringLiteral("1"));
        QCOMPARE(t.count(), 1);
        t.setItem(QStringLiteral("x"), QStringLiteral("2"));
        QCOMPARE(t.count(), 1);
        QCOMPARE(t.item(QStringLiteral("x")), QStringLiteral("2"));
    }

    void removeFromMiddleOfChain()
    {
        // With one bucket every key shares a chain.
        HashTable t;
        t.SetSize(1);
        for (const char* k : {"a", "b", "c", "d"})
            t.Add(QString::fromLatin1(k), QString::fromLatin1(k).toUpper());
        t.Remove(QStringLiteral("b"));
        QCOMPARE(t.Keys(), QStringList({QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("d")}));
        QCOMPARE(t.Values(), QStringList({QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("D")}));
        t.Remove(QStringLiteral("a")); // the head
        t.Remove(QStringLiteral("d")); // the tail
        QCOMPARE(t.Keys(), QStringList({QStringLiteral("c")}));
        // A freed slot is reused before the array grows.
        const qsizetype capacity = t.slotCapacity();
        t.Add(QStringLiteral("e"), QString());
        QCOMPARE(t.slotCapacity(), capacity);
        QCOMPARE(t.Keys(), QStringList({QStringLiteral("c"), QStringLiteral("e")}));
    }

    void growsInChunksWithoutLosingEntries()
    {
        HashTable t;
        t.SetSize(7, 4, 3);
        QCOMPARE(t.slotCapacity(), 5); // slot 0 and four list slots
        QSet<QString> added;
        for (int i = 0; i < 1000; ++i) {
            const QString key = QStringLiteral("key%1").arg(i);
            t.Add(key, QString::number(i));
            added.insert(key);
        }
        QCOMPARE(t.count(), 1000);
        // 4 slots, then chunks of 3: capacity 1 + 4 + 3 * ceil(996 / 3)
        QCOMPARE(t.slotCapacity(), 1 + 4 + 3 * 332);
        for (int i = 0; i < 1000; ++i)
            QCOMPARE(t.item(QStringLiteral("key%1").arg(i)), QString::number(i));
        const QStringList keys = t.Keys();
        QCOMPARE(keys.size(), 1000);
        QCOMPARE(QSet<QString>(keys.begin(), keys.end()), added);
    }

    void keysInBucketThenChainOrder()
    {
        HashTable t;
        t.SetSize(10);
        // hashes: "A" 585 -> bucket 5, "B" 594 -> 4, "K" 675 -> 5, "(" 360 -> 0
        t.Add(QStringLiteral("A"), QStringLiteral("a"));
        t.Add(QStringLiteral("B"), QStringLiteral("b"));
        t.Add(QStringLiteral("K"), QStringLiteral("k"));
        t.Add(QStringLiteral("("), QStringLiteral("p"));
        QCOMPARE(t.Keys(), QStringList({QStringLiteral("("), QStringLiteral("B"), QStringLiteral("A"), QStringLiteral("K")}));
        QCOMPARE(t.Values(), QStringList({QStringLiteral("p"), QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("k")}));
    }

    void removeAllKeepsSizes()
    {
        HashTable t;
        t.SetSize(13, 20, 5);
        for (int i = 0; i < 50; ++i)
            t.Add(QString::number(i), QString());
        t.RemoveAll();
        QCOMPARE(t.count(), 0);
        QCOMPARE(t.hashSize(), 13);
        QCOMPARE(t.listSize(), 20);
        QCOMPARE(t.chunkSize(), 5);
        QVERIFY(!t.Exists(QStringLiteral("3")));
        QVERIFY(t.Keys().isEmpty());
        QVERIFY(t.Values().isEmpty());
        // Sizes of 0 keep the stored list and chunk sizes.
        t.SetSize(3);
        QCOMPARE(t.listSize(), 20);
        QCOMPARE(t.chunkSize(), 5);
    }

    void lettersCaseMatters()
    {
        HashTable t;
        t.Add(QStringLiteral("gin"), QStringLiteral("lower"));
        t.Add(QStringLiteral("GIN"), QStringLiteral("upper"));
        QCOMPARE(t.count(), 2);
        QCOMPARE(t.item(QStringLiteral("gin")), QStringLiteral("lower"));
        QCOMPARE(t.item(QStringLiteral("GIN")), QStringLiteral("upper"));
        QVERIFY(!t.Exists(QStringLiteral("Gin")));
    }
};

QTEST_GUILESS_MAIN(TestHashTable)
#include "test_hashtable.moc"
