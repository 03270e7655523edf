#pragma once
// Failing comparisons of GBK texts print them as readable UTF-8 instead of
// hex escapes. Force-included into every test program.
// Only the printers, so the specialisation below comes before any use.
#include <gtest/gtest-printers.h>

#include <ostream>
#include <string>

namespace verdel_test {
void PrintGbk(const std::string& gbk, std::ostream* os);
}

namespace testing::internal {
template <>
class UniversalPrinter<std::string> {
  public:
    static void Print(const std::string& value, std::ostream* os) {
        verdel_test::PrintGbk(value, os);
    }
};
}  // namespace testing::internal
