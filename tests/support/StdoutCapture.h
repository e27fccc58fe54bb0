#ifndef KY_TEST_STDOUT_CAPTURE_H
#define KY_TEST_STDOUT_CAPTURE_H

#include <string>

// Redirects standard output (where the engine's log goes) into a temporary
// file for the lifetime of the object, so a test can check the log lines a
// call wrote. text() reads what was written so far.
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    std::string text() const;

private:
    std::string m_file;
    int m_saved;
};

#endif
