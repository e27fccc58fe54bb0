#ifndef KY_DATAGEN_COMMAND_H
#define KY_DATAGEN_COMMAND_H

#include "tools/datagen/DataError.h"
#include "tools/datagen/Expression.h"

#include <string>
#include <utility>
#include <vector>

// One line of a description, split into its command name, its values and
// its key=value options:
//
//   rect 0 {height - 4} width 4 fill=#402010 opacity=0.5
//
// Values are separated by blanks; "double quotes" keep blanks (escapes: a
// backslash before a quote, a backslash, n or t) and parentheses keep blanks
// between them, so a paint such as linear(0, 0, 0, 40, #fff, #000) is one
// value. Numbers are expressions over the description's variables (see
// Expression). Every
// accessor reports a fault as a DataError naming the file and line.
class Command {
public:
    struct Token {
        std::string text;
        bool quoted = false;
        bool startsQuoted = false;
    };

    // Splits text (variables already substituted); throws on an unclosed
    // quote or parenthesis.
    Command(const std::string& file, int line, const std::string& text, const Variables& variables);

    const std::string& name() const { return m_name; }
    const std::string& file() const { return m_file; }
    int line() const { return m_line; }
    const Variables& variables() const { return m_variables; }

    // Positional values after the name.
    size_t count() const { return m_values.size(); }
    // Throws unless min <= count() <= max; usage shows the expected form.
    void expect(size_t min, size_t max, const std::string& usage) const;
    const std::string& text(size_t i) const;
    double number(size_t i) const;
    // A "x,y" pair (each an expression).
    std::pair<double, double> point(size_t i) const;

    // Options. Asking for a key marks it as known to the command.
    bool has(const std::string& key) const;
    std::string option(const std::string& key, const std::string& fallback = std::string()) const;
    double number(const std::string& key, double fallback) const;
    // Values separated by commas at the top level (parentheses nest).
    std::vector<std::string> list(const std::string& key) const;

    // Throws when the line carries an option no accessor asked for (a typo
    // would otherwise be silently ignored).
    void finish() const;

    DataError error(const std::string& message) const;
    // Evaluates an expression, the fault located at this line.
    double evaluate(const std::string& expression) const;

    // Splits text at top-level commas, trimming blanks around each part.
    static std::vector<std::string> splitList(const std::string& text);
    // Breaks text into tokens; throws Expression::Error-like messages as
    // std::runtime_error on unclosed quotes or parentheses.
    static std::vector<Token> tokenize(const std::string& text);

private:
    struct Option {
        std::string key;
        Token value;
        mutable bool asked = false;
    };

    const Option* find(const std::string& key) const;

    std::string m_file;
    int m_line;
    const Variables& m_variables;
    std::string m_name;
    std::vector<Token> m_values;
    std::vector<Option> m_options;
};

#endif
