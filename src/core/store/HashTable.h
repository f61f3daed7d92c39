#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

// Raised by HashTable with the numbers callers test for: 457 (duplicate key), 5 (key not stored,
// or a size below 1) and 1001 ("Invalid key", the empty key).
class HashTableError : public std::runtime_error
{
public:
    HashTableError(int number, const QString& description);
    int number() const { return m_number; }
    const QString& description() const { return m_description; }

private:
    int m_number;
    QString m_description;
};

// A string-to-string dictionary: separate chaining over a bucket array, every entry kept in one
// slot array that grows in chunks, and a free list of unused slots, so adding a key allocates
// nothing per entry. Keys are compared exactly (letter case matters).
class HashTable
{
public:
    static constexpr int ErrDuplicateKey = 457;
    static constexpr int ErrInvalidCall = 5;
    static constexpr int ErrInvalidKey = 1001;

    HashTable();

    // Empties the table and sizes it. listSize/chunkSize of 0 or less keep the stored ones.
    void SetSize(qint32 hashSize, qint32 listSize = 0, qint32 chunkSize = 0);
    bool Exists(const QString& key) const;
    void Add(const QString& key, const QString& value);
    QString item(const QString& key) const;
    void setItem(const QString& key, const QString& value);
    void Remove(const QString& key);
    void RemoveAll();
    qint32 count() const { return m_count; }
    // Bucket by bucket, each chain from its head.
    QStringList Keys() const;
    QStringList Values() const;

    qint32 hashSize() const { return m_hashSize; }
    qint32 listSize() const { return m_listSize; }
    qint32 chunkSize() const { return m_chunkSize; }
    // Slots in the slot array, slot 0 included.
    qsizetype slotCapacity() const { return qsizetype(m_slots.size()); }

    // 9 times the low byte of every UTF-16 code unit, summed as a signed 32-bit number.
    static qint32 hashOf(const QString& key);

private:
    struct Slot
    {
        QString key;
        QString value;
        qint32 next = 0;
    };

    qint32 bucketOf(const QString& key) const;
    void addSlots(qint32 n);
    qint32 takeFreeSlot();
    // The slot holding key, or 0; with create, a new slot is chained in when the key is missing.
    qint32 lookup(const QString& key, bool create, bool* created = nullptr);
    qint32 find(const QString& key, qint32* bucket = nullptr, qint32* previous = nullptr) const;
    static void checkKey(const QString& key);

    std::vector<qint32> m_buckets;
    std::vector<Slot> m_slots;
    qint32 m_freeSlot = 0;
    qint32 m_hashSize = 0;
    qint32 m_listSize = 0;
    qint32 m_chunkSize = 0;
    qint32 m_count = 0;
};
