#ifndef KY_OS_LOG_H
#define KY_OS_LOG_H

#include <cstdarg>
#include <string>

// The program's log: standard output, flushed after every message so that a
// line is in the log file as soon as the call returns. The engine's
// logPrint writes through it; the layer below the engine logs with it
// directly.
namespace KyOsLog {

// Writes a printf-style message; no line end is added. Returns what
// vprintf returned.
int print(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// print with the arguments already taken.
int printV(const char* format, va_list args);

// Keeps a copy of the descriptor fd as the console: the start-up gives the
// standard error the program started with, before it points standard error
// at the log file, so that the lines a player must see still reach the
// console the game was started from when the log lies on a full disk.
// -1 forgets the console kept. False when fd cannot be copied (no console
// is kept then).
bool keepConsole(int fd);

// print, then the same text on the kept console; without one, on standard
// error. Returns what print returned.
int alert(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
int alertV(const char* format, va_list args);

// While one lives, what the thread that made it prints is kept in the given
// text instead of being written, so that work done on a worker thread can
// have its messages written later, in their place, by the thread the work
// was done for. Captures nest: the innermost one keeps the text.
class Capture {
public:
    explicit Capture(std::string& text);
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

private:
    std::string* m_previous;
};

} // namespace KyOsLog

#endif
