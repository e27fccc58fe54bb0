#ifndef KY_TESTS_TOOLS_TOOLS_TEST_SUPPORT_H
#define KY_TESTS_TOOLS_TOOLS_TEST_SUPPORT_H

#include "core/KyColor.h"
#include "platform/KyImg.h"
#include "tests/support/TempDir.h"
#include "tools/datagen/DataContext.h"

#include <cstdint>
#include <string>
#include <vector>

// A data folder for one test: descriptions are written into it and made
// with the data generator, as the build makes the sample data.
class DataFolder {
public:
    DataFolder();

    // Writes a file of the data folder.
    void write(const std::string& relative, const std::string& text) const;
    // Writes `relative + ".gen"` and makes it; returns the made bytes.
    // Faults propagate as DataError.
    std::vector<std::uint8_t> make(const std::string& relative, const std::string& description) const;
    // make(), then writes the result beside it; returns its path.
    std::string makeFile(const std::string& relative, const std::string& description) const;
    // The message of the DataError that making the description throws
    // (empty when it makes its file).
    std::string failure(const std::string& relative, const std::string& description) const;

    std::string path(const std::string& relative) const { return m_dir.file(relative); }
    const std::string& root() const { return m_dir.path(); }
    DataContext context() const;

private:
    TempDir m_dir;
};

// Pixel (x, y) counted from the top row of a decoded picture of format 5
// (alpha 255) or 6.
KyColor pixelFromTop(const KyImg& image, u32 x, u32 y);
// True when each channel is within tolerance of the expected one.
bool near(const KyColor& actual, const KyColor& expected, int tolerance);
std::string describe(const KyColor& c);

// Runs a shell command line; returns its standard output and error, and
// its exit status in status.
std::string run(const std::string& commandLine, int& status);

std::string readBytes(const std::string& path);

#endif
