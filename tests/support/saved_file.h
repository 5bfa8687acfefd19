// The test data saved under tests/data (NUBRA_TEST_DATA), read whole.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace nubra::test {

// The bytes of tests/data/`name` ("warnings/....xml"); a file that cannot
// be opened fails the test and gives nothing.
inline std::string savedFile(const std::string& name)
{
    std::ifstream in(std::string(NUBRA_TEST_DATA) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace nubra::test
