#include "tools/datagen/DescriptionRunner.h"

#include <cctype>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

const int maxIncludeDepth = 16;
const long maxRepeatCount = 100000;

bool isNameStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool isNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The line without its comment: "#" at the start of the line, or a "#"
// standing alone after a blank (colours such as #fff are not comments).
std::string withoutComment(const std::string& line)
{
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                quoted = false;
            continue;
        }
        if (c == '"') {
            quoted = true;
        } else if (c == '#') {
            size_t before = i;
            while (before > 0 && std::isspace(static_cast<unsigned char>(line[before - 1])))
                --before;
            const bool first = before == 0;
            const bool alone = i > 0 && std::isspace(static_cast<unsigned char>(line[i - 1]))
                               && (i + 1 == line.size() || std::isspace(static_cast<unsigned char>(line[i + 1])));
            if (first || alone)
                return line.substr(0, i);
        }
    }
    return line;
}

std::string firstWord(const std::string& text)
{
    size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start])))
        ++start;
    size_t end = start;
    while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])))
        ++end;
    return text.substr(start, end - start);
}

bool blank(const std::string& text)
{
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            return false;
    return true;
}

} // namespace

DescriptionRunner::DescriptionRunner(DataContext& context) : m_context(context), m_includeDepth(0)
{
}

std::vector<DescriptionRunner::Line> DescriptionRunner::split(const std::string& content)
{
    std::vector<Line> lines;
    std::istringstream in(content);
    std::string physical;
    int number = 0;
    Line pending;
    bool continuing = false;
    while (std::getline(in, physical)) {
        ++number;
        if (!physical.empty() && physical.back() == '\r')
            physical.pop_back();
        std::string text = withoutComment(physical);
        while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
            text.pop_back();
        const bool continues = !text.empty() && text.back() == '\\';
        if (continues)
            text.pop_back();
        if (continuing) {
            pending.text += " " + text;
        } else {
            pending.number = number;
            pending.text = text;
        }
        continuing = continues;
        if (!continuing) {
            if (!blank(pending.text))
                lines.push_back(pending);
        }
    }
    if (continuing && !blank(pending.text))
        lines.push_back(pending);
    return lines;
}

std::string DescriptionRunner::substitute(const std::string& text, const Variables& variables)
{
    std::string expanded;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '$') {
            expanded += c;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '$') {
            expanded += '$';
            ++i;
            continue;
        }
        size_t start = i + 1;
        size_t end = start;
        bool braced = start < text.size() && text[start] == '{';
        if (braced)
            ++start;
        end = start;
        if (end < text.size() && isNameStart(text[end])) {
            while (end < text.size() && isNameChar(text[end]))
                ++end;
        }
        if (end == start || (braced && (end >= text.size() || text[end] != '}'))) {
            expanded += c;   // a plain dollar sign
            continue;
        }
        const std::string name = text.substr(start, end - start);
        Variables::const_iterator found = variables.find(name);
        if (found == variables.end())
            throw std::runtime_error("unknown variable '" + name + "'");
        expanded += found->second;
        i = braced ? end : end - 1;
    }

    std::string result;
    bool quoted = false;
    for (size_t i = 0; i < expanded.size(); ++i) {
        const char c = expanded[i];
        if (quoted) {
            result += c;
            if (c == '\\' && i + 1 < expanded.size())
                result += expanded[++i];
            else if (c == '"')
                quoted = false;
            continue;
        }
        if (c == '"') {
            quoted = true;
            result += c;
        } else if (c == '{') {
            const size_t close = expanded.find('}', i + 1);
            if (close == std::string::npos)
                throw std::runtime_error("'{' is not closed");
            try {
                result += Expression::format(Expression::evaluate(expanded.substr(i + 1, close - i - 1), variables));
            } catch (const Expression::Error& e) {
                throw std::runtime_error(e.what());
            }
            i = close;
        } else {
            result += c;
        }
    }
    return result;
}

const DescriptionRunner::Source& DescriptionRunner::load(const std::string& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    if (!DataContext::isRegularFile(path) || !file)
        throw DataError(path, 0, "cannot be read");
    std::ostringstream content;
    content << file.rdbuf();
    m_context.noteRead(path);
    Source source;
    source.path = path;
    source.lines = split(content.str());
    m_sources.push_back(source);
    return m_sources.back();
}

void DescriptionRunner::runFile(const std::string& path, Handler& handler)
{
    const Source& source = load(path);
    Body body;
    body.source = &source;
    body.first = 0;
    body.end = source.lines.size();
    runBody(body, handler);
}

size_t DescriptionRunner::blockEnd(const Source& source, size_t i, size_t end, const Handler& handler) const
{
    int depth = 0;
    for (size_t j = i + 1; j < end; ++j) {
        const std::string word = firstWord(source.lines[j].text);
        if (word == "end") {
            if (depth == 0)
                return j;
            --depth;
        } else if (word == "repeat" || handler.opensBlock(word)) {
            ++depth;
        }
    }
    throw DataError(source.path, source.lines[i].number, firstWord(source.lines[i].text) + ": its 'end' is missing");
}

void DescriptionRunner::runBody(const Body& body, Handler& handler)
{
    const Source& source = *body.source;
    for (size_t i = body.first; i < body.end; ++i) {
        const Line& line = source.lines[i];
        std::string text;
        try {
            text = substitute(line.text, m_variables);
        } catch (const std::runtime_error& e) {
            throw DataError(source.path, line.number, e.what());
        }
        Command command(source.path, line.number, text, m_variables);
        const std::string& name = command.name();

        if (name == "end")
            throw command.error("'end' without a block to close");
        if (name == "repeat" || handler.opensBlock(name)) {
            Body inner;
            inner.source = &source;
            inner.first = i + 1;
            inner.end = blockEnd(source, i, body.end, handler);
            if (name == "repeat")
                repeat(command, inner, handler);
            else
                handler.block(command, inner);
            i = inner.end;
            continue;
        }
        if (name == "set" || name == "default") {
            command.expect(2, 2, "NAME VALUE");
            command.finish();
            const std::string& variable = command.text(0);
            if (!isNameStart(variable[0]))
                throw command.error(name + ": '" + variable + "' is not a variable name");
            for (char c : variable)
                if (!isNameChar(c))
                    throw command.error(name + ": '" + variable + "' is not a variable name");
            if (name == "set" || m_variables.find(variable) == m_variables.end())
                m_variables[variable] = command.text(1);
            continue;
        }
        if (name == "include") {
            command.expect(1, 1, "PATH");
            command.finish();
            if (m_includeDepth >= maxIncludeDepth)
                throw command.error("include: files include each other too deeply");
            const std::string path = m_context.resolve(source.path, command.text(0));
            if (!DataContext::isRegularFile(path))
                throw command.error("include: '" + command.text(0) + "' is not a file (looked for " + path + ")");
            ++m_includeDepth;
            try {
                runFile(path, handler);
            } catch (...) {
                --m_includeDepth;
                throw;
            }
            --m_includeDepth;
            continue;
        }
        handler.command(command);
    }
}

void DescriptionRunner::repeat(Command& command, const Body& body, Handler& handler)
{
    command.expect(3, 4, "NAME FROM TO [STEP]");
    command.finish();
    const std::string variable = command.text(0);
    const double from = command.number(1);
    const double to = command.number(2);
    const double step = command.count() > 3 ? command.number(3) : 1.0;
    if (step == 0.0)
        throw command.error("repeat: the step cannot be 0");
    const double count = std::floor((to - from) / step + 1e-9) + 1.0;
    if (count > double(maxRepeatCount))
        throw command.error("repeat: more than " + std::to_string(maxRepeatCount) + " turns");
    for (long k = 0; k < long(count); ++k) {
        m_variables[variable] = Expression::format(from + step * double(k));
        runBody(body, handler);
    }
}
