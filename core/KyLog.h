#ifndef KY_LOG_H
#define KY_LOG_H

// Writes a printf-style message to standard output and flushes it at once,
// so the line is in the log file as soon as the call returns. No line end is
// added. Returns what vprintf returned.
int logPrint(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// logPrint, and the same line on the console the game was started from
// (KyOsLog::alert): for what a player must learn even when the log cannot
// take it, such as a save that could not be written.
int logAlert(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

#endif
