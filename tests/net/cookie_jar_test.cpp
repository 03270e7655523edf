#include "net/cookie_jar.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(MergeCookiesTest, FreshCookiesFirstThenSurvivorsOfTheOldJar) {
    struct Case {
        std::string jar;
        std::string fresh;
        std::string merged;
        std::string freshAfter;
    };
    const std::vector<Case> cases = {
        {"a=1; b=2", "b=3", "b=3; a=1", "b=3"},
        {"a=1; b=2", "a=deleted", "b=2", "a=deleted"},
        {"a=1; b=2", "", "a=1; b=2", ""},
        {"", "x=1; y=2", "x=1; y=2", "x=1;y=2"},
        {"", "", "", ""},
        // Names are compared after the blanks are gone, values are kept whole.
        {" a = 1 ;b=2", "a=9", "a=9; b=2", "a=9"},
        // An item without "=" is its own name; empty items vanish.
        {"flag;;a=1", "flag", "flag; a=1", "flag"},
        // A repeated name in the old jar survives once.
        {"a=1; a=2", "", "a=1", ""},
        // Full-width blanks are blanks too.
        {"a=1\xA1\xA1; b=2", "", "a=1; b=2", ""},
    };
    for (const Case& c : cases) {
        net::CookieJar jar = c.jar;
        net::CookieJar fresh = c.fresh;
        EXPECT_EQ(net::MergeCookies(jar, fresh), c.merged) << c.jar << " + " << c.fresh;
        EXPECT_EQ(jar, c.merged);
        EXPECT_EQ(fresh, c.freshAfter);
    }
}

}  // namespace
