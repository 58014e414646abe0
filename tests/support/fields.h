// Named comparisons: EXPECT_TRUE(fields_are({FIELD(alien_x, 302), FIELD(shell_y[4], 240)}))
// passes when every value is as expected and otherwise names each one that
// is not ("alien_x is 300, expected 302"), so a failure says what differs.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>

namespace test_support {

struct Field {
    const char* name;
    double actual;
    double expected;
};

inline testing::AssertionResult fields_are(std::initializer_list<Field> fields)
{
    std::ostringstream wrong;
    for (const Field& f : fields) {
        if (f.actual != f.expected) {
            wrong << "\n  " << f.name << " is " << f.actual << ", expected " << f.expected;
        }
    }
    if (wrong.str().empty()) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "values differ:" << wrong.str();
}

}  // namespace test_support

#define FIELD(actual, expected)                                                                                        \
    test_support::Field                                                                                                \
    {                                                                                                                  \
#actual, static_cast < double>(actual), static_cast < double>(expected)                                        \
    }
