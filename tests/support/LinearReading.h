#ifndef KY_TEST_LINEAR_READING_H
#define KY_TEST_LINEAR_READING_H

#include <functional>
#include <string>

// Tests that a reader is linear in its input: the reader's time over a large
// input against a plain parse of the same text, both measured in the same
// run in the thread's CPU time (each the faster of two tries), so the ratio
// holds however busy the machine is. A reader that compares each entry with
// the ones before it takes hundreds of times the parse at 100,000 entries;
// a linear one a small multiple. Each measure prints its figures on the
// standard error.
namespace LinearReading {

// The fastest of runs calls of work, in seconds of the thread's CPU time.
double fastest(const std::function<void()>& work, int runs = 2);

// The reader's time divided by that of a KyXmlDocument parse of text.
double againstParse(const std::string& text, const std::function<void()>& reader);

// The ratio tests allow: far above a linear reader's, far below a
// quadratic one's.
const double kAllowedRatio = 25.0;

} // namespace LinearReading

#endif
