// Tests that need the GB18030 converter. Linux (iconv) and every Windows (code page
// 54936) have one, but wine, which runs the Windows build of these tests on Linux, lacks
// code page 54936: there such a test is skipped. Elsewhere a missing converter fails.
#pragma once

#include <gtest/gtest.h>

#include "core/text/text_codec.h"

namespace lorvex {

inline bool Gb18030ConverterAvailable() {
    static const bool available = [] {
        try {
            Utf8ToGb18030("\xE6\xB5\xB7");
            return true;
        } catch (const CodecError&) {
            return false;
        }
    }();
    return available;
}

}  // namespace lorvex

#ifdef _WIN32
#define SKIP_WITHOUT_GB18030_CONVERTER()        \
    if (!::lorvex::Gb18030ConverterAvailable()) \
    GTEST_SKIP() << "this system has no GB18030 converter (code page 54936)"
#else
#define SKIP_WITHOUT_GB18030_CONVERTER() static_cast<void>(0)
#endif
