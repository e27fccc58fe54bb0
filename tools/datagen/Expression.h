#ifndef KY_DATAGEN_EXPRESSION_H
#define KY_DATAGEN_EXPRESSION_H

#include <map>
#include <stdexcept>
#include <string>

// Description variables by name; values are kept as the text they were set to.
typedef std::map<std::string, std::string> Variables;

// Arithmetic on the numbers of a description: + - * / % with the usual
// precedence, unary minus, parentheses, variables by bare name and the
// functions min, max, abs, floor, ceil, round, sqrt, sin and cos (degrees).
//
//   Expression::evaluate("width / 2 - 4", variables)
//
// A malformed expression, an unknown name, a variable that is not a number
// or a division by zero throws Expression::Error with a message that names
// the fault.
namespace Expression {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

double evaluate(const std::string& text, const Variables& variables);

// The shortest text that reads back as the same double ("12", "0.5").
std::string format(double value);

} // namespace Expression

#endif
