#include "tools/datagen/Expression.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include <algorithm>

namespace Expression {

namespace {

const double degrees = 3.14159265358979323846 / 180.0;

// Recursive descent over the text; every function reads from m_at on.
class Parser {
public:
    Parser(const std::string& text, const Variables& variables, int depth = 0)
        : m_text(text), m_variables(variables), m_at(0), m_depth(depth)
    {
    }

    double whole()
    {
        double value = sum();
        skipSpaces();
        if (m_at != m_text.size())
            fail("unexpected '" + m_text.substr(m_at, 1) + "'");
        return value;
    }

private:
    [[noreturn]] void fail(const std::string& what) const
    {
        throw Error("bad expression '" + m_text + "': " + what);
    }

    void skipSpaces()
    {
        while (m_at < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_at])))
            ++m_at;
    }

    bool take(char c)
    {
        skipSpaces();
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }

    double sum()
    {
        double value = product();
        for (;;) {
            if (take('+'))
                value += product();
            else if (take('-'))
                value -= product();
            else
                return value;
        }
    }

    double product()
    {
        double value = unary();
        for (;;) {
            if (take('*')) {
                value *= unary();
            } else if (take('/')) {
                double divisor = unary();
                if (divisor == 0.0)
                    fail("division by zero");
                value /= divisor;
            } else if (take('%')) {
                double divisor = unary();
                if (divisor == 0.0)
                    fail("division by zero");
                value = std::fmod(value, divisor);
            } else {
                return value;
            }
        }
    }

    double unary()
    {
        if (take('-'))
            return -unary();
        if (take('+'))
            return unary();
        return primary();
    }

    double primary()
    {
        skipSpaces();
        if (m_at >= m_text.size())
            fail("a value is missing");
        if (take('(')) {
            double value = sum();
            if (!take(')'))
                fail("')' is missing");
            return value;
        }
        const char c = m_text[m_at];
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.')
            return number();
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_')
            return name();
        fail("unexpected '" + std::string(1, c) + "'");
    }

    double number()
    {
        const size_t start = m_at;
        while (m_at < m_text.size() && (std::isdigit(static_cast<unsigned char>(m_text[m_at])) || m_text[m_at] == '.'))
            ++m_at;
        const std::string digits = m_text.substr(start, m_at - start);
        char* end = nullptr;
        double value = std::strtod(digits.c_str(), &end);
        if (end != digits.c_str() + digits.size() || digits == ".")
            fail("'" + digits + "' is not a number");
        return value;
    }

    double name()
    {
        const size_t start = m_at;
        while (m_at < m_text.size() && (std::isalnum(static_cast<unsigned char>(m_text[m_at])) || m_text[m_at] == '_'))
            ++m_at;
        const std::string word = m_text.substr(start, m_at - start);
        if (take('('))
            return call(word);
        Variables::const_iterator found = m_variables.find(word);
        if (found == m_variables.end())
            fail("unknown name '" + word + "'");
        // A variable holds text: it may itself be an expression of others.
        if (m_depth > 16)
            fail("variables refer to each other without end");
        try {
            return Parser(found->second, m_variables, m_depth + 1).whole();
        } catch (const Error&) {
            fail("'" + word + "' is '" + found->second + "', not a number");
        }
    }

    double call(const std::string& function)
    {
        std::vector<double> args;
        if (!take(')')) {
            do
                args.push_back(sum());
            while (take(','));
            if (!take(')'))
                fail("')' is missing after the arguments of " + function);
        }
        struct OneArg {
            const char* name;
            double (*apply)(double);
        };
        static const OneArg oneArg[] = {
            {"abs", [](double v) { return std::fabs(v); }},
            {"floor", [](double v) { return std::floor(v); }},
            {"ceil", [](double v) { return std::ceil(v); }},
            {"round", [](double v) { return std::floor(v + 0.5); }},
            {"sqrt", [](double v) { return std::sqrt(v < 0.0 ? 0.0 : v); }},
            {"sin", [](double v) { return std::sin(v * degrees); }},
            {"cos", [](double v) { return std::cos(v * degrees); }},
        };
        for (const OneArg& f : oneArg) {
            if (function == f.name) {
                if (args.size() != 1)
                    fail(function + " takes one value");
                return f.apply(args[0]);
            }
        }
        if (function == "min" || function == "max") {
            if (args.empty())
                fail(function + " needs values");
            double value = args[0];
            for (double a : args)
                value = function == "min" ? std::min(value, a) : std::max(value, a);
            return value;
        }
        fail("unknown function '" + function + "'");
    }

    const std::string& m_text;
    const Variables& m_variables;
    size_t m_at;
    int m_depth;
};

} // namespace

double evaluate(const std::string& text, const Variables& variables)
{
    return Parser(text, variables).whole();
}

std::string format(double value)
{
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.0f", value);
        return buffer == std::string("-0") ? "0" : buffer;
    }
    char buffer[40];
    for (int precision = 6; precision <= 17; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
        if (std::strtod(buffer, nullptr) == value)
            break;
    }
    return buffer;
}

} // namespace Expression
