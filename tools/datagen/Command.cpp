#include "tools/datagen/Command.h"

#include <cctype>
#include <stdexcept>

namespace {

bool isOptionKey(const std::string& text, size_t equals)
{
    if (equals == 0 || equals == std::string::npos)
        return false;
    if (!std::isalpha(static_cast<unsigned char>(text[0])))
        return false;
    for (size_t i = 0; i < equals; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!std::isalnum(c) && c != '_' && c != '-')
            return false;
    }
    return true;
}

std::string trim(const std::string& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

} // namespace

std::vector<Command::Token> Command::tokenize(const std::string& text)
{
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        if (i >= text.size())
            break;
        Token token;
        int depth = 0;
        while (i < text.size() && (depth > 0 || !std::isspace(static_cast<unsigned char>(text[i])))) {
            const char c = text[i];
            if (c == '"') {
                if (token.text.empty() && !token.quoted)
                    token.startsQuoted = true;
                token.quoted = true;
                ++i;
                bool closed = false;
                while (i < text.size()) {
                    char q = text[i++];
                    if (q == '"') {
                        closed = true;
                        break;
                    }
                    if (q == '\\' && i < text.size()) {
                        q = text[i++];
                        q = q == 'n' ? '\n' : q == 't' ? '\t' : q;
                    }
                    token.text += q;
                }
                if (!closed)
                    throw std::runtime_error("a quoted text is not closed (\" missing)");
                continue;
            }
            if (c == '(')
                ++depth;
            else if (c == ')' && --depth < 0)
                throw std::runtime_error("')' without '('");
            token.text += c;
            ++i;
        }
        if (depth > 0)
            throw std::runtime_error("'(' is not closed");
        tokens.push_back(token);
    }
    return tokens;
}

std::vector<std::string> Command::splitList(const std::string& text)
{
    std::vector<std::string> parts;
    std::string current;
    int depth = 0;
    for (char c : text) {
        if (c == '(')
            ++depth;
        else if (c == ')')
            --depth;
        if (c == ',' && depth == 0) {
            parts.push_back(trim(current));
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(trim(current));
    return parts;
}

Command::Command(const std::string& file, int line, const std::string& text, const Variables& variables)
    : m_file(file), m_line(line), m_variables(variables)
{
    std::vector<Token> tokens;
    try {
        tokens = tokenize(text);
    } catch (const std::runtime_error& e) {
        throw error(e.what());
    }
    if (tokens.empty())
        throw error("empty command");
    m_name = tokens[0].text;
    for (size_t i = 1; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        // A token that starts with a quote is a value ("a=b" is text);
        // key=value and key="a b" are options.
        const size_t equals = token.text.find('=');
        if (!token.startsQuoted && isOptionKey(token.text, equals)) {
            Option option;
            option.key = token.text.substr(0, equals);
            option.value.text = token.text.substr(equals + 1);
            option.value.quoted = token.quoted;
            for (const Option& other : m_options)
                if (other.key == option.key)
                    throw error(m_name + ": the option '" + option.key + "' is given twice");
            m_options.push_back(option);
        } else {
            m_values.push_back(token);
        }
    }
}

DataError Command::error(const std::string& message) const
{
    return DataError(m_file, m_line, message);
}

double Command::evaluate(const std::string& expression) const
{
    try {
        return Expression::evaluate(expression, m_variables);
    } catch (const Expression::Error& e) {
        throw error(m_name + ": " + e.what());
    }
}

void Command::expect(size_t min, size_t max, const std::string& usage) const
{
    if (m_values.size() < min || m_values.size() > max) {
        throw error(m_name + " takes " + usage + " (" + std::to_string(m_values.size()) + " value"
                    + (m_values.size() == 1 ? "" : "s") + " given)");
    }
}

const std::string& Command::text(size_t i) const
{
    if (i >= m_values.size())
        throw error(m_name + ": value " + std::to_string(i + 1) + " is missing");
    return m_values[i].text;
}

double Command::number(size_t i) const
{
    return evaluate(text(i));
}

std::pair<double, double> Command::point(size_t i) const
{
    const std::vector<std::string> parts = splitList(text(i));
    if (parts.size() != 2)
        throw error(m_name + ": '" + text(i) + "' is not a point x,y");
    return std::make_pair(evaluate(parts[0]), evaluate(parts[1]));
}

const Command::Option* Command::find(const std::string& key) const
{
    for (const Option& option : m_options) {
        if (option.key == key) {
            option.asked = true;
            return &option;
        }
    }
    return nullptr;
}

bool Command::has(const std::string& key) const
{
    return find(key) != nullptr;
}

std::string Command::option(const std::string& key, const std::string& fallback) const
{
    const Option* option = find(key);
    return option ? option->value.text : fallback;
}

double Command::number(const std::string& key, double fallback) const
{
    const Option* option = find(key);
    return option ? evaluate(option->value.text) : fallback;
}

std::vector<std::string> Command::list(const std::string& key) const
{
    const Option* option = find(key);
    if (!option)
        return std::vector<std::string>();
    return splitList(option->value.text);
}

void Command::finish() const
{
    for (const Option& option : m_options) {
        if (!option.asked)
            throw error(m_name + " does not take the option '" + option.key + "'");
    }
}
