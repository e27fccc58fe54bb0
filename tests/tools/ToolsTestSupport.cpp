#include "tests/tools/ToolsTestSupport.h"

#include "tools/datagen/DataError.h"
#include "tools/datagen/DataGenerator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

DataFolder::DataFolder() : m_dir("kytools")
{
}

DataContext DataFolder::context() const
{
    DataContext context(m_dir.path());
    context.addFontFolder(KY_FONT_DIR);
    return context;
}

void DataFolder::write(const std::string& relative, const std::string& text) const
{
    EXPECT_TRUE(m_dir.writeFile(relative, text)) << relative;
}

std::vector<std::uint8_t> DataFolder::make(const std::string& relative, const std::string& description) const
{
    write(relative + ".gen", description);
    DataContext c = context();
    return DataGenerator::generate(c, m_dir.file(relative + ".gen"), relative);
}

std::string DataFolder::makeFile(const std::string& relative, const std::string& description) const
{
    const std::vector<std::uint8_t> bytes = make(relative, description);
    DataGenerator::writeFile(m_dir.file(relative), bytes);
    return m_dir.file(relative);
}

std::string DataFolder::failure(const std::string& relative, const std::string& description) const
{
    try {
        make(relative, description);
    } catch (const DataError& e) {
        return e.what();
    }
    return std::string();
}

KyColor pixelFromTop(const KyImg& image, u32 x, u32 y)
{
    const u32 bytes = image.format() == 6 ? 4 : 3;
    const u8* p = image.pixels() + (size_t(image.height() - 1 - y) * image.width() + x) * bytes;
    return KyColor(p[0], p[1], p[2], bytes == 4 ? p[3] : 255);
}

bool near(const KyColor& actual, const KyColor& expected, int tolerance)
{
    return std::abs(int(actual.r) - int(expected.r)) <= tolerance && std::abs(int(actual.g) - int(expected.g)) <= tolerance
           && std::abs(int(actual.b) - int(expected.b)) <= tolerance && std::abs(int(actual.a) - int(expected.a)) <= tolerance;
}

std::string describe(const KyColor& c)
{
    char text[40];
    std::snprintf(text, sizeof text, "(%d, %d, %d, %d)", c.r, c.g, c.b, c.a);
    return text;
}

std::string run(const std::string& commandLine, int& status)
{
    std::string output;
    std::FILE* pipe = popen((commandLine + " 2>&1").c_str(), "r");
    if (!pipe) {
        status = -1;
        return output;
    }
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    const int raw = pclose(pipe);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return output;
}

std::string readBytes(const std::string& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}
