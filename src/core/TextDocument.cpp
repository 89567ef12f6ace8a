#include "core/TextDocument.h"

#include "core/Exception.h"
#include "core/FileSystem.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

namespace core {

namespace {

struct Token {
    enum Kind { Identifier, Number, String, OpenBrace, CloseBrace, Equals, Comma };
    Kind kind;
    const char* text;
    size_t length;
};

// Longer number tokens are rejected rather than converted.
constexpr size_t ConversionCapacity = 256;
// Deeper nesting of blocks or arrays is rejected before it exhausts the stack.
constexpr int MaxDepth = 200;

class Reader {
public:
    Reader(const std::string& text, const std::string& path, document& owner, std::deque<std::string>& strings)
        : m_text(text), m_path(path), m_document(owner), m_strings(strings) {}

    std::unique_ptr<block> read() {
        tokenize();
        auto root = std::make_unique<block>(&m_document, "root");
        while (m_next < m_tokens.size())
            parseEntry(*root);
        return root;
    }

private:
    const std::string& m_text;
    const std::string& m_path;
    document& m_document;
    std::deque<std::string>& m_strings;
    std::vector<Token> m_tokens;
    size_t m_next = 0;
    int m_depth = 0;

    // Counts one level of nesting for the life of a block or array.
    struct Nesting {
        Reader& reader;
        explicit Nesting(Reader& owner) : reader(owner) {
            if (++reader.m_depth > MaxDepth)
                reader.fail("syntax error");
        }
        ~Nesting() { --reader.m_depth; }
    };

    // The line of a position in the text: 1 plus the line feeds before it.
    int lineAt(const char* position) const {
        int line = 1;
        for (const char* c = m_text.data(); c < position; ++c)
            line += *c == '\n';
        return line;
    }

    [[noreturn]] void failAt(const char* position, const char* message) const {
        throw Exception("%s:%d: %s", m_path.c_str(), lineAt(position), message);
    }

    // Parse errors name the line of the token at hand, or the end of the text.
    [[noreturn]] void fail(const char* message) const {
        const char* position =
            m_next < m_tokens.size() ? m_tokens[m_next].text : m_text.data() + m_text.size();
        failAt(position, message);
    }

    void tokenize() {
        m_tokens.reserve(8192);
        const char* c = m_text.data();
        const char* end = c + m_text.size();
        while (c < end) {
            if (end - c >= 4 && memcmp(c, "--[[", 4) == 0) {
                const char* close = nullptr;
                for (const char* s = c + 4; end - s >= 4; ++s) {
                    if (memcmp(s, "--]]", 4) == 0) {
                        close = s;
                        break;
                    }
                }
                if (!close)
                    failAt(end, "unmatched comment");
                c = close + 4;
            } else if (end - c >= 2 && c[0] == '-' && c[1] == '-') {
                while (c < end && *c != '\n')
                    ++c;
            } else if (*c == '-' || isdigit(static_cast<unsigned char>(*c))) {
                const char* start = c;
                while (c < end && (*c == '-' || *c == '.' || isdigit(static_cast<unsigned char>(*c))))
                    ++c;
                m_tokens.push_back({Token::Number, start, static_cast<size_t>(c - start)});
            } else if (*c == '"') {
                const char* start = ++c;
                while (c < end && *c != '"') {
                    if (*c == '\n')
                        failAt(c, "newline inside string");
                    ++c;
                }
                if (c == end)
                    failAt(c, "unexpected end of file");
                m_tokens.push_back({Token::String, start, static_cast<size_t>(c - start)});
                ++c;
            } else if (isalpha(static_cast<unsigned char>(*c))) {
                const char* start = c;
                while (c < end && (isalnum(static_cast<unsigned char>(*c)) || *c == '_'))
                    ++c;
                m_tokens.push_back({Token::Identifier, start, static_cast<size_t>(c - start)});
            } else if (isspace(static_cast<unsigned char>(*c))) {
                ++c;
            } else if (*c == ',' || *c == '=' || *c == '{' || *c == '}') {
                Token::Kind kind = *c == ',' ? Token::Comma : *c == '=' ? Token::Equals : *c == '{' ? Token::OpenBrace
                                                                                                  : Token::CloseBrace;
                m_tokens.push_back({kind, c, 1});
                ++c;
            } else {
                failAt(c, "syntax error");
            }
        }
    }

    bool peekIs(size_t offset, Token::Kind kind) const {
        return m_next + offset < m_tokens.size() && m_tokens[m_next + offset].kind == kind;
    }

    // The token after the name decides what an entry is; the name itself is
    // checked by the field or block ("5 = 3" lacks an identifier).
    void parseEntry(block& parent) {
        if (peekIs(1, Token::Equals))
            parseField(parent);
        else if (peekIs(1, Token::OpenBrace))
            parseBlock(parent);
        else
            fail("syntax error");
    }

    const Token& take() {
        if (m_next >= m_tokens.size())
            fail("unexpected end of file");
        return m_tokens[m_next++];
    }

    std::string takeIdentifier() {
        if (!peekIs(0, Token::Identifier))
            fail("identifier expected");
        const Token& token = take();
        return std::string(token.text, token.length);
    }

    void expect(Token::Kind kind, char symbol) {
        if (!peekIs(0, kind)) {
            char message[32];
            snprintf(message, sizeof message, "%c expected", symbol);
            fail(message);
        }
        ++m_next;
    }

    void parseField(block& parent) {
        std::string name = takeIdentifier();
        expect(Token::Equals, '=');
        parent.setField(std::move(name), parseValue());
    }

    void parseBlock(block& parent) {
        Nesting nesting(*this);
        block* child = parent.addChild(takeIdentifier());
        expect(Token::OpenBrace, '{');
        while (!peekIs(0, Token::CloseBrace)) {
            parseEntry(*child);
            if (peekIs(0, Token::Comma))
                ++m_next;
            else if (!peekIs(0, Token::CloseBrace))
                fail("syntax error");
        }
        expect(Token::CloseBrace, '}');
    }

    value parseValue() {
        size_t at = m_next;
        const Token& token = take();
        value result;
        switch (token.kind) {
        case Token::Identifier:
            if (token.length == 4 && memcmp(token.text, "true", 4) == 0) {
                result.boolean = true;
            } else if (!(token.length == 5 && memcmp(token.text, "false", 5) == 0)) {
                m_next = at;
                fail("syntax error");
            }
            result.kind = value::Bool;
            return result;
        case Token::Number:
            if (token.length >= ConversionCapacity) {
                m_next = at;
                fail("syntax error");
            }
            result.kind = value::Number;
            // The longest valid prefix, 0 when there is none, whatever the locale.
            std::from_chars(token.text, token.text + token.length, result.number);
            return result;
        case Token::String:
            result.kind = value::String;
            m_strings.emplace_back(token.text, token.length);
            result.string = m_strings.back().c_str();
            return result;
        case Token::OpenBrace: {
            Nesting nesting(*this);
            result.kind = value::Array;
            while (!peekIs(0, Token::CloseBrace)) {
                result.array.push_back(parseValue());
                if (peekIs(0, Token::Comma))
                    ++m_next;
                else if (!peekIs(0, Token::CloseBrace))
                    break;
            }
            expect(Token::CloseBrace, '}');
            return result;
        }
        default:
            m_next = at;
            fail("syntax error");
        }
    }
};

const value* fieldOfKind(const block& owner, const char* name, value::Kind kind) {
    const field* found = owner.findField(name);
    return found && found->data.kind == kind ? &found->data : nullptr;
}

// An array of exactly count numbers, or null.
const value* numberArray(const block& owner, const char* name, size_t count) {
    const value* array = fieldOfKind(owner, name, value::Array);
    if (!array || array->array.size() != count)
        return nullptr;
    for (const value& element : array->array) {
        if (element.kind != value::Number)
            return nullptr;
    }
    return array;
}

} // namespace

field* block::find(std::string_view name) {
    if (m_index) {
        auto found = m_index->find(std::string(name));
        return found == m_index->end() ? nullptr : &m_fields[found->second];
    }
    for (field& candidate : m_fields) {
        if (candidate.name == name)
            return &candidate;
    }
    return nullptr;
}

const field* block::findField(const char* name) const {
    return const_cast<block*>(this)->find(name);
}

const char* block::getString(const char* name, const char* fallback) const {
    const value* found = fieldOfKind(*this, name, value::String);
    return found ? found->string : fallback;
}

bool block::getBool(const char* name, bool fallback) const {
    const value* found = fieldOfKind(*this, name, value::Bool);
    return found ? found->boolean : fallback;
}

int block::getInt(const char* name, int fallback) const {
    const value* found = fieldOfKind(*this, name, value::Number);
    if (!found)
        return fallback;
    // Truncation toward zero; what no int can hold saturates.
    double number = std::trunc(found->number);
    if (std::isnan(number))
        return 0;
    if (number <= INT_MIN)
        return INT_MIN;
    if (number >= INT_MAX)
        return INT_MAX;
    return static_cast<int>(number);
}

float block::getFloat(const char* name, float fallback) const {
    const value* found = fieldOfKind(*this, name, value::Number);
    return found ? static_cast<float>(found->number) : fallback;
}

std::array<float, 3> block::getVec3(const char* name, std::array<float, 3> fallback) const {
    const value* found = numberArray(*this, name, 3);
    if (!found)
        return fallback;
    return {static_cast<float>(found->array[0].number), static_cast<float>(found->array[1].number),
            static_cast<float>(found->array[2].number)};
}

std::array<float, 2> block::getRange(const char* name, std::array<float, 2> fallback) const {
    const value* found = numberArray(*this, name, 2);
    if (!found)
        return fallback;
    return {static_cast<float>(found->array[0].number), static_cast<float>(found->array[1].number)};
}

void block::setField(std::string name, value data) {
    if (field* existing = find(name)) {
        existing->data = std::move(data);
        return;
    }
    m_fields.push_back({std::move(name), std::move(data)});
    if (m_fields.size() == IndexedFrom) {
        m_index = std::make_unique<std::unordered_map<std::string, size_t>>();
        for (size_t i = 0; i < m_fields.size(); ++i)
            m_index->emplace(m_fields[i].name, i);
    } else if (m_index) {
        m_index->emplace(m_fields.back().name, m_fields.size() - 1);
    }
}

block* block::addChild(std::string name) {
    m_children.push_back(std::make_unique<block>(m_owner, std::move(name)));
    return m_children.back().get();
}

document::document() : m_root(std::make_unique<block>(this, "root")) {}

void document::load(const std::string& path) {
    parse(readFile(path), path);
}

void document::parse(const std::string& text, const std::string& path) {
    // A failed load leaves the previous tree and its strings as they were.
    std::deque<std::string> strings;
    std::unique_ptr<block> root = Reader(text, path, *this, strings).read();
    m_root = std::move(root);
    m_strings = std::move(strings);
}

} // namespace core
