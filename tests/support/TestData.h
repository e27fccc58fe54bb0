#ifndef KY_TEST_TEST_DATA_H
#define KY_TEST_TEST_DATA_H

#include <string>

// The few committed fixtures of tests/data (files that once crashed or
// misled the engine, too particular to be rebuilt by the writers): the path
// of one in the source tree, whatever the working folder of the test.
std::string testDataPath(const std::string& name);

#endif
