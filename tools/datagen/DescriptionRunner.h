#ifndef KY_DATAGEN_DESCRIPTION_RUNNER_H
#define KY_DATAGEN_DESCRIPTION_RUNNER_H

#include "tools/datagen/Command.h"
#include "tools/datagen/DataContext.h"
#include "tools/datagen/Expression.h"

#include <list>
#include <string>
#include <vector>

// Reads description files and runs their lines in order, handing every
// command to a handler. It takes care of what all descriptions share:
//
//   # a comment (also after a command, as " # ...")
//   a long line \                    continues on the next line
//   set NAME VALUE                   a variable, used as $NAME or ${NAME}
//   default NAME VALUE               the same, only when NAME is not set yet
//   include PATH                     runs another file's lines here
//   repeat NAME FROM TO [STEP]       runs the lines up to the matching "end"
//   ...                              once for each value of NAME
//   end
//
// Before a line is split, $NAME is replaced by the variable's text (also
// inside quotes; "$$" is a dollar sign) and {expression} outside quotes by
// its value. Handlers can open blocks of their own ("frame ... end").
class DescriptionRunner {
public:
    struct Line {
        int number = 0;
        std::string text;   // without comment, continuation lines joined
    };
    struct Source {
        std::string path;
        std::vector<Line> lines;
    };
    // The lines [first, end) of one source.
    struct Body {
        const Source* source = nullptr;
        size_t first = 0;
        size_t end = 0;
    };

    class Handler {
    public:
        virtual ~Handler() {}
        virtual void command(Command& command) = 0;
        // True when the command opens a block that "end" closes.
        virtual bool opensBlock(const std::string&) const { return false; }
        virtual void block(Command& command, const Body&) { throw command.error(command.name() + " opens no block"); }
    };

    explicit DescriptionRunner(DataContext& context);

    Variables& variables() { return m_variables; }
    DataContext& context() { return m_context; }

    // Reads and runs a whole file.
    void runFile(const std::string& path, Handler& handler);
    void runBody(const Body& body, Handler& handler);

    static std::vector<Line> split(const std::string& content);
    // Throws std::runtime_error naming an unknown variable or a bad expression.
    static std::string substitute(const std::string& text, const Variables& variables);

private:
    const Source& load(const std::string& path);
    // The index of the "end" that closes the block opened at line i.
    size_t blockEnd(const Source& source, size_t i, size_t end, const Handler& handler) const;
    void repeat(Command& command, const Body& body, Handler& handler);

    DataContext& m_context;
    Variables m_variables;
    std::list<Source> m_sources;
    int m_includeDepth;
};

#endif
