#include "tests/support/TestData.h"

// KY_TEST_DATA_DIR is set for this file alone, so that the other test objects
// do not depend on where the source tree is.
std::string testDataPath(const std::string& name)
{
    return std::string(KY_TEST_DATA_DIR) + "/" + name;
}
