#pragma once

// The structured text format of definition files: named blocks holding
// fields "name = value", where a value is a bool, a number, a string or an
// array of values.

#include <array>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace core {

class document;

struct value {
    enum Kind { Bool = 1, Number = 2, String = 3, Array = 4 };

    Kind kind = Bool;
    bool boolean = false;
    double number = 0.0;
    const char* string = nullptr;  // into the document's string pool
    std::vector<value> array;
};

struct field {
    std::string name;
    value data;
};

class block {
public:
    block(document* owner, std::string name) : m_owner(owner), m_name(std::move(name)) {}

    const std::string& name() const { return m_name; }
    document* owner() const { return m_owner; }
    int childCount() const { return static_cast<int>(m_children.size()); }
    block* child(int index) const { return m_children[static_cast<size_t>(index)].get(); }
    // In the order the fields first appeared.
    const std::vector<field>& fields() const { return m_fields; }
    // The field of that name (exact, case-sensitive), or null.
    const field* findField(const char* name) const;

    // Each getter returns the fallback when the field is missing or of
    // another kind or shape.
    const char* getString(const char* name, const char* fallback) const;
    bool getBool(const char* name, bool fallback) const;
    int getInt(const char* name, int fallback) const;
    float getFloat(const char* name, float fallback) const;
    std::array<float, 3> getVec3(const char* name, std::array<float, 3> fallback) const;
    std::array<float, 2> getRange(const char* name, std::array<float, 2> fallback) const;

    // Building, for the parser: a field assigned twice keeps its first place
    // and takes the last value.
    void setField(std::string name, value data);
    block* addChild(std::string name);

private:
    document* m_owner;
    std::string m_name;
    // Small blocks are searched in order; larger ones through an index from
    // name to position, built once they have IndexedFrom fields.
    static constexpr size_t IndexedFrom = 16;
    field* find(std::string_view name);

    std::vector<field> m_fields;
    std::unique_ptr<std::unordered_map<std::string, size_t>> m_index;
    std::vector<std::unique_ptr<block>> m_children;
};

class document {
public:
    document();

    // Reads a file through the file systems and replaces the tree. Errors
    // throw core::Exception "<path>:<line>: <message>".
    void load(const std::string& path);
    // The same from text in memory; path only names it in messages.
    void parse(const std::string& text, const std::string& path);

    block& root() { return *m_root; }

private:
    std::deque<std::string> m_strings;
    std::unique_ptr<block> m_root;
};

} // namespace core
