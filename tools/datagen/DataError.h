#ifndef KY_DATAGEN_DATA_ERROR_H
#define KY_DATAGEN_DATA_ERROR_H

#include <stdexcept>
#include <string>

// A fault in a description or in a file it names. The message reads
// "file:line: what is wrong" (or "file: what is wrong" when no line applies),
// the form compilers use, so editors and build logs can jump to it.
class DataError : public std::runtime_error {
public:
    DataError(const std::string& file, int line, const std::string& message);
    explicit DataError(const std::string& message);
};

#endif
