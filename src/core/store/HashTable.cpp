#include "core/store/HashTable.h"

HashTableError::HashTableError(int number, const QString& description)
    : std::runtime_error(description.toStdString()), m_number(number), m_description(description)
{
}

HashTable::HashTable()
{
    SetSize(1024, 2048, 1024);
}

qint32 HashTable::hashOf(const QString& key)
{
    quint32 sum = 0;
    for (const QChar c : key)
        sum += 9u * (c.unicode() & 0xFFu);
    return qint32(sum);
}

void HashTable::checkKey(const QString& key)
{
    if (key.isEmpty())
        throw HashTableError(ErrInvalidKey, QStringLiteral("Invalid key"));
}

void HashTable::SetSize(qint32 hashSize, qint32 listSize, qint32 chunkSize)
{
    if (hashSize < 1)
        throw HashTableError(ErrInvalidCall,
                             QStringLiteral("The hash size must be at least 1 (it was %1).").arg(hashSize));
    if (listSize > 0)
        m_listSize = listSize;
    if (chunkSize > 0)
        m_chunkSize = chunkSize;
    m_hashSize = hashSize;
    m_count = 0;
    m_freeSlot = 0;
    m_buckets.assign(size_t(hashSize), 0);
    m_slots.clear();
    m_slots.resize(1);
    addSlots(m_listSize);
}

void HashTable::addSlots(qint32 n)
{
    if (n <= 0)
        n = 1;
    const qint32 highest = qint32(m_slots.size()) - 1;
    m_slots.resize(size_t(highest) + size_t(n) + 1);
    for (qint32 i = highest + 1; i < highest + n; ++i)
        m_slots[size_t(i)].next = i + 1;
    m_slots[size_t(highest + n)].next = m_freeSlot;
    m_freeSlot = highest + 1;
}

qint32 HashTable::takeFreeSlot()
{
    if (m_freeSlot == 0)
        addSlots(m_chunkSize);
    const qint32 slot = m_freeSlot;
    m_freeSlot = m_slots[size_t(slot)].next;
    m_slots[size_t(slot)].next = 0;
    ++m_count;
    return slot;
}

qint32 HashTable::bucketOf(const QString& key) const
{
    const qint32 h = hashOf(key) % m_hashSize;
    return h < 0 ? h + m_hashSize : h;
}

qint32 HashTable::find(const QString& key, qint32* bucket, qint32* previous) const
{
    checkKey(key);
    const qint32 b = bucketOf(key);
    qint32 prev = 0;
    qint32 slot = m_buckets[size_t(b)];
    while (slot != 0 && m_slots[size_t(slot)].key != key) {
        prev = slot;
        slot = m_slots[size_t(slot)].next;
    }
    if (bucket)
        *bucket = b;
    if (previous)
        *previous = prev;
    return slot;
}

qint32 HashTable::lookup(const QString& key, bool create, bool* created)
{
    qint32 bucket = 0;
    qint32 previous = 0;
    if (created)
        *created = false;
    qint32 slot = find(key, &bucket, &previous);
    if (slot != 0 || !create)
        return slot;
    // previous is the last slot of the chain when the key was not found.
    slot = takeFreeSlot();
    m_slots[size_t(slot)].key = key;
    if (previous == 0)
        m_buckets[size_t(bucket)] = slot;
    else
        m_slots[size_t(previous)].next = slot;
    if (created)
        *created = true;
    return slot;
}

bool HashTable::Exists(const QString& key) const
{
    return find(key) != 0;
}

void HashTable::Add(const QString& key, const QString& value)
{
    if (find(key) != 0)
        throw HashTableError(ErrDuplicateKey,
                             QStringLiteral("This key is already associated with an element of this collection"));
    const qint32 slot = lookup(key, true);
    m_slots[size_t(slot)].value = value;
}

QString HashTable::item(const QString& key) const
{
    const qint32 slot = find(key);
    return slot == 0 ? QString() : m_slots[size_t(slot)].value;
}

void HashTable::setItem(const QString& key, const QString& value)
{
    const qint32 slot = lookup(key, true);
    m_slots[size_t(slot)].value = value;
}

void HashTable::Remove(const QString& key)
{
    qint32 bucket = 0;
    qint32 previous = 0;
    const qint32 slot = find(key, &bucket, &previous);
    if (slot == 0)
        throw HashTableError(ErrInvalidCall, QStringLiteral("Invalid procedure call or argument"));
    if (previous == 0)
        m_buckets[size_t(bucket)] = m_slots[size_t(slot)].next;
    else
        m_slots[size_t(previous)].next = m_slots[size_t(slot)].next;
    m_slots[size_t(slot)].next = m_freeSlot;
    m_freeSlot = slot;
    --m_count;
}

void HashTable::RemoveAll()
{
    SetSize(m_hashSize, m_listSize, m_chunkSize);
}

QStringList HashTable::Keys() const
{
    QStringList keys;
    keys.reserve(m_count);
    for (const qint32 head : m_buckets) {
        for (qint32 slot = head; slot != 0; slot = m_slots[size_t(slot)].next)
            keys.append(m_slots[size_t(slot)].key);
    }
    return keys;
}

QStringList HashTable::Values() const
{
    QStringList values;
    values.reserve(m_count);
    for (const qint32 head : m_buckets) {
        for (qint32 slot = head; slot != 0; slot = m_slots[size_t(slot)].next)
            values.append(m_slots[size_t(slot)].value);
    }
    return values;
}
