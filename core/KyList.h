#ifndef KY_LIST_H
#define KY_LIST_H

#include "core/KyObject.h"
#include "core/KyTypes.h"

// The chain of live iterators of one list. The chain edits are kept out of
// line: they are the same for every element type, and the compiler cannot
// then mistake an iterator's registration for a dangling store.
struct KyListIteratorLink {
    KyListIteratorLink* nextInChain = nullptr;
};

// Puts link at the front of the chain that starts at *chain.
void kyListChainPushFront(KyListIteratorLink** chain, KyListIteratorLink* link);
// Puts link right after after.
void kyListChainInsertAfter(KyListIteratorLink* after, KyListIteratorLink* link);
// Takes link out of the chain that starts at *chain (nothing when absent).
void kyListChainRemove(KyListIteratorLink** chain, KyListIteratorLink* link);

// The engine's doubly linked list. Two sentinel nodes (holding a
// default-constructed T) frame the elements.
//
// Every iterator in existence is registered in its list's chain of live
// iterators. Erasing a node moves the iterators standing on it back to the
// previous node, so code may erase while it walks (and callbacks run during
// a walk may erase): incrementing afterwards continues with the node that
// followed the erased one, none skipped, none visited twice. A list that is
// destroyed while iterators still stand on it detaches them: a detached
// iterator stands nowhere (node() is null), incrementing it does nothing,
// and it must not be dereferenced.
template <class T>
class KyList : public KyObject {
public:
    struct Node {
        Node() : value(), next(nullptr), prev(nullptr) {}
        explicit Node(const T& v) : value(v), next(nullptr), prev(nullptr) {}

        T value;
        Node* next;
        Node* prev;
    };

    class iterator : private KyListIteratorLink {
    public:
        // A detached iterator.
        iterator() : m_container(nullptr), m_node(nullptr) {}

        // Stands on node of list and registers at the front of its chain.
        iterator(KyList* list, Node* node) : m_container(list), m_node(node)
        {
            if (m_container)
                kyListChainPushFront(&m_container->m_iterators, this);
        }

        // The copy stands on the same node, registered right after other.
        iterator(const iterator& other) : KyListIteratorLink(), m_container(other.m_container), m_node(other.m_node)
        {
            linkAfter(other);
        }

        iterator& operator=(const iterator& other)
        {
            if (this == &other)
                return *this;
            unlink();
            m_container = other.m_container;
            m_node = other.m_node;
            linkAfter(other);
            return *this;
        }

        ~iterator() { unlink(); }

        // Moves to the next node; an iterator on the tail sentinel stays there.
        iterator& operator++()
        {
            if (m_node && m_node->next)
                m_node = m_node->next;
            return *this;
        }

        // Returns a registered copy standing on the old node.
        iterator operator++(int)
        {
            iterator old(*this);
            ++*this;
            return old;
        }

        // Moves to the previous node; an iterator on the head sentinel stays.
        iterator& operator--()
        {
            if (m_node && m_node->prev)
                m_node = m_node->prev;
            return *this;
        }

        iterator operator--(int)
        {
            iterator old(*this);
            --*this;
            return old;
        }

        T& operator*() const { return m_node->value; }
        T* operator->() const { return &m_node->value; }

        bool operator==(const iterator& other) const { return m_node == other.m_node; }
        bool operator!=(const iterator& other) const { return m_node != other.m_node; }

        Node* node() const { return m_node; }
        KyList* container() const { return m_container; }
        // Whether the iterator stands on an element (not a sentinel, not
        // detached).
        bool isElement() const { return m_node && m_node->next && m_node->prev; }

    private:
        friend class KyList;

        void linkAfter(const iterator& other)
        {
            if (m_container)
                kyListChainInsertAfter(const_cast<iterator*>(&other), this);
        }

        void unlink()
        {
            if (!m_container)
                return;
            kyListChainRemove(&m_container->m_iterators, this);
            m_container = nullptr;
        }

        static iterator* fromLink(KyListIteratorLink* link) { return static_cast<iterator*>(link); }

        KyList* m_container;
        Node* m_node;
    };

    KyList()
        : m_head(new Node()), m_tail(new Node()), m_count(0), m_iterators(nullptr),
          m_beginIterator(this, m_head), m_endIterator(this, m_tail)
    {
        m_head->next = m_tail;
        m_tail->prev = m_head;
    }

    KyList(const KyList& other) : KyList() { appendAll(other); }

    KyList& operator=(const KyList& other)
    {
        if (this != &other) {
            clear();
            appendAll(other);
        }
        return *this;
    }

    ~KyList() override
    {
        clear();
        for (KyListIteratorLink* link = m_iterators; link;) {
            KyListIteratorLink* next = link->nextInChain;
            iterator* it = iterator::fromLink(link);
            it->m_container = nullptr;
            it->m_node = nullptr;
            link->nextInChain = nullptr;
            link = next;
        }
        m_iterators = nullptr;
        delete m_head;
        delete m_tail;
    }

    u32 count() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }

    // Links a new node holding a copy of value before the tail sentinel.
    // Live iterators do not move.
    void pushBack(const T& value) { linkBefore(m_tail, new Node(value)); }
    void pushFront(const T& value) { linkBefore(m_head->next, new Node(value)); }

    // Erases the first node whose value equals value; false when absent.
    bool remove(const T& value)
    {
        for (Node* n = m_head->next; n != m_tail; n = n->next) {
            if (n->value == value) {
                eraseNode(n);
                return true;
            }
        }
        return false;
    }

    // Erases one element node of this list: the iterators standing on it
    // move to its previous node, then the node and its value are destroyed.
    // Sentinels are never erased.
    void eraseNode(Node* node)
    {
        if (!node || node == m_head || node == m_tail)
            return;
        for (KyListIteratorLink* link = m_iterators; link; link = link->nextInChain) {
            iterator* it = iterator::fromLink(link);
            if (it->m_node == node)
                it->m_node = node->prev;
        }
        node->prev->next = node->next;
        node->next->prev = node->prev;
        delete node;
        --m_count;
    }

    // Erases the node under it (which moves back to the previous node).
    // Nothing happens for an iterator of another list.
    void erase(const iterator& it)
    {
        if (it.m_container == this)
            eraseNode(it.m_node);
    }

    void clear()
    {
        while (m_head->next != m_tail)
            eraseNode(m_head->next);
    }

    // A new registered iterator on the first element (the tail sentinel when
    // the list is empty).
    iterator begin() { return iterator(this, m_head->next); }
    iterator begin() const { return iterator(const_cast<KyList*>(this), m_head->next); }
    // The list's own iterator on the tail sentinel: walks end on its node.
    const iterator& end() const { return m_endIterator; }
    // A new registered iterator on the last element (the head sentinel when
    // the list is empty).
    iterator last() { return iterator(this, m_tail->prev); }

    // A registered iterator on the first element equal to value, or on the
    // tail sentinel when there is none.
    iterator find(const T& value)
    {
        Node* n = m_head->next;
        while (n != m_tail && !(n->value == value))
            n = n->next;
        return iterator(this, n);
    }

    bool contains(const T& value) const
    {
        for (Node* n = m_head->next; n != m_tail; n = n->next) {
            if (n->value == value)
                return true;
        }
        return false;
    }

    Node* headNode() const { return m_head; }
    Node* tailNode() const { return m_tail; }

private:
    void linkBefore(Node* position, Node* node)
    {
        node->prev = position->prev;
        node->next = position;
        position->prev->next = node;
        position->prev = node;
        ++m_count;
    }

    void appendAll(const KyList& other)
    {
        for (Node* n = other.m_head->next; n != other.m_tail; n = n->next)
            pushBack(n->value);
    }

    Node* m_head;
    Node* m_tail;
    u32 m_count;
    KyListIteratorLink* m_iterators;
    iterator m_beginIterator;
    iterator m_endIterator;
};

#endif
