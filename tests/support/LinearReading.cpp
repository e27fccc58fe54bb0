#include "tests/support/LinearReading.h"

#include "core/KyXmlDocument.h"
#include "tests/support/CpuTime.h"

#include <cstdio>

namespace LinearReading {

double fastest(const std::function<void()>& work, int runs)
{
    double best = 0.0;
    for (int i = 0; i < runs; ++i) {
        const double start = threadCpuSeconds();
        work();
        const double seconds = threadCpuSeconds() - start;
        if (i == 0 || seconds < best)
            best = seconds;
    }
    return best;
}

double againstParse(const std::string& text, const std::function<void()>& reader)
{
    const double parse = fastest([&text] {
        KyXmlDocument document;
        document.parse(text.c_str());
    });
    const double read = fastest(reader);
    const double ratio = parse > 0.0 ? read / parse : 0.0;
    // The figures, for whoever follows the tests' margins.
    std::fprintf(stderr, "[LinearReading] reader %.3f s, plain parse %.3f s (thread CPU time): ratio %.2f\n", read,
                 parse, ratio);
    return ratio;
}

} // namespace LinearReading
