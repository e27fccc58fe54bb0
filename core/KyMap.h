#ifndef KY_MAP_H
#define KY_MAP_H

#include "core/KyList.h"
#include "core/KyObject.h"
#include "core/KyTypes.h"

template <class K, class V>
struct KyMapEntry {
    K key;
    V value;
};

// The engine's associative container: a list of {key, value} entries in
// insertion order. Keys are not unique (inserting never looks for an existing
// key) and a lookup walks from the first entry and takes the first whose key
// equals the one asked for. Iterators are the list's, so entries may be
// erased during a walk. Erasing an entry destroys its key and value: a
// counted reference is released, a pointer value is not deleted.
template <class K, class V>
class KyMap : public KyObject {
public:
    typedef KyMapEntry<K, V> Entry;
    typedef typename KyList<Entry>::iterator iterator;
    typedef typename KyList<Entry>::Node Node;

    u32 count() const { return m_entries.count(); }
    bool isEmpty() const { return m_entries.isEmpty(); }

    // Appends an entry holding copies of key and value; count + 1.
    void insert(const K& key, const V& value) { m_entries.pushBack(Entry{key, value}); }
    void insert(const Entry& entry) { m_entries.pushBack(entry); }
    // Appends a copy of entry like insert and returns the node now holding
    // it (the rich-text tokenizer keeps walking from there).
    Node* push(const Entry& entry)
    {
        m_entries.pushBack(entry);
        return m_entries.tailNode()->prev;
    }

    // The value of the first entry whose key equals key; null on a miss.
    V* find(const K& key)
    {
        Node* node = findNode(key);
        return node ? &node->value.value : nullptr;
    }
    const V* find(const K& key) const
    {
        Node* node = findNode(key);
        return node ? &node->value.value : nullptr;
    }

    // A copy of the first matching value, or fallback on a miss (null for
    // maps of pointers).
    V get(const K& key, const V& fallback = V()) const
    {
        const V* value = find(key);
        return value ? *value : fallback;
    }

    bool contains(const K& key) const { return findNode(key) != nullptr; }

    // Erases the first entry whose key equals key; false when there is none.
    bool remove(const K& key)
    {
        Node* node = findNode(key);
        if (!node)
            return false;
        m_entries.eraseNode(node);
        return true;
    }

    // Erases the entry under it; the iterator moves back to the previous one.
    void erase(const iterator& it) { m_entries.erase(it); }

    void clear() { m_entries.clear(); }

    // A new registered iterator on the first entry.
    iterator begin() { return m_entries.begin(); }
    iterator begin() const { return m_entries.begin(); }
    const iterator& end() const { return m_entries.end(); }
    // A new registered iterator on the last entry, to reach what was just
    // inserted.
    iterator last() { return m_entries.last(); }

    KyList<Entry>& entries() { return m_entries; }
    const KyList<Entry>& entries() const { return m_entries; }

private:
    Node* findNode(const K& key) const
    {
        Node* tail = m_entries.tailNode();
        for (Node* n = m_entries.headNode()->next; n != tail; n = n->next) {
            if (n->value.key == key)
                return n;
        }
        return nullptr;
    }

    KyList<Entry> m_entries;
};

#endif
