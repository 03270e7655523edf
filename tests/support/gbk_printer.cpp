#include "support/gbk_printer.h"

#include "platform/kernel/codepage.h"

namespace verdel_test {

void PrintGbk(const std::string& gbk, std::ostream* os) {
    *os << '"';
    for (char c : codepage::GbkToUtf8(gbk)) {
        switch (c) {
            case '\r':
                *os << "\\r";
                break;
            case '\n':
                *os << "\\n";
                break;
            case '\t':
                *os << "\\t";
                break;
            case '"':
                *os << "\\\"";
                break;
            case '\\':
                *os << "\\\\";
                break;
            default:
                *os << c;
        }
    }
    *os << '"';
}

}  // namespace verdel_test
