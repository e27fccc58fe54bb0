#include "tools/datagen/DataError.h"

namespace {

std::string located(const std::string& file, int line, const std::string& message)
{
    if (line > 0)
        return file + ":" + std::to_string(line) + ": " + message;
    return file + ": " + message;
}

} // namespace

DataError::DataError(const std::string& file, int line, const std::string& message)
    : std::runtime_error(located(file, line, message))
{
}

DataError::DataError(const std::string& message) : std::runtime_error(message)
{
}
