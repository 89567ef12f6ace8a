#pragma once

#include "core/Fnv.h"

#include <cstdint>
#include <string>

namespace core {

template <class Key>
struct BucketOf;

template <>
struct BucketOf<std::string> {
    static unsigned get(const std::string& key) { return foldToBucket(fnv1a32(key.data(), key.size())); }
};

// An address hashes over its bytes, least significant first.
template <>
struct BucketOf<const void*> {
    static unsigned get(const void* key) {
        auto value = reinterpret_cast<uintptr_t>(key);
        unsigned char bytes[sizeof value];
        for (unsigned char& byte : bytes) {
            byte = static_cast<unsigned char>(value & 0xff);
            value >>= 8;
        }
        return foldToBucket(fnv1a32(bytes, sizeof bytes));
    }
};

// The host's map: 256 buckets of singly linked nodes, new nodes at the head of
// their bucket. Nodes never move while they exist, so a pointer to a value stays
// valid until its key is removed.
template <class Key, class Value>
class HashMap {
public:
    HashMap() = default;
    HashMap(const HashMap& other) { *this = other; }
    HashMap& operator=(const HashMap& other) {
        if (this != &other) {
            clear();
            other.forEach([this](const Key& key, const Value& value) { insert(key, value); });
        }
        return *this;
    }
    ~HashMap() { clear(); }

    Value* find(const Key& key) const {
        for (Node* node = m_buckets[BucketOf<Key>::get(key)]; node; node = node->next) {
            if (node->key == key)
                return &node->value;
        }
        return nullptr;
    }

    // Replaces the value of an existing key.
    Value& insert(const Key& key, const Value& value) {
        if (Value* existing = find(key)) {
            *existing = value;
            return *existing;
        }
        Node*& head = m_buckets[BucketOf<Key>::get(key)];
        head = new Node{key, value, head};
        ++m_count;
        return head->value;
    }

    bool remove(const Key& key) {
        for (Node** link = &m_buckets[BucketOf<Key>::get(key)]; *link; link = &(*link)->next) {
            if ((*link)->key == key) {
                Node* node = *link;
                *link = node->next;
                delete node;
                --m_count;
                return true;
            }
        }
        return false;
    }

    void clear() {
        for (Node*& head : m_buckets) {
            while (head) {
                Node* next = head->next;
                delete head;
                head = next;
            }
        }
        m_count = 0;
    }

    template <class Visit>
    void forEach(Visit visit) const {
        for (Node* head : m_buckets) {
            for (Node* node = head; node; node = node->next)
                visit(node->key, node->value);
        }
    }

    int count() const { return m_count; }

private:
    struct Node {
        Key key;
        Value value;
        Node* next;
    };

    Node* m_buckets[256] = {};
    int m_count = 0;
};

} // namespace core
