// Names a page or server suggests for a download -> the name offered: clean, short,
// never empty, and already as clean as it gets.
#include <algorithm>
#include <string>

#include "core/downloads/save_name.h"
#include "core/text/text_codec.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lorvex;
    fuzz::ByteReader reader(data, size);
    const auto encoding =
        reader.TakeInt(0, 1) == 0 ? FileNameEncoding::Utf8 : FileNameEncoding::Utf16;
    const std::size_t split = size < 5 ? 0 : static_cast<std::size_t>(data[4] % 16);
    const std::string_view rest = size <= 5 ? std::string_view() : fuzz::AsText(data + 5, size - 5);
    const std::string_view type = rest.substr(0, std::min(split, rest.size()));
    const std::string_view suggested = rest.substr(type.size());

    const std::string name = CleanSaveName(suggested, type, encoding);
    FUZZ_REQUIRE(!name.empty());
    FUZZ_REQUIRE(IsValidUtf8(name));
    const std::u32string characters = Utf8ToCodePoints(name);
    std::size_t bytes = 0;
    for (const char32_t c : characters) {
        FUZZ_REQUIRE(IsAllowedInSaveName(c));
        bytes += encoding == FileNameEncoding::Utf8 ? (c < 0x80      ? 1
                                                       : c < 0x800   ? 2
                                                       : c < 0x10000 ? 3
                                                                     : 4)
                                                    : (c >= 0x10000 ? 4 : 2);
    }
    FUZZ_REQUIRE(bytes <= kMaxSaveNameBytes);
    FUZZ_REQUIRE(characters.front() != U'.' && characters.front() != U' ');
    FUZZ_REQUIRE(characters.back() != U'.' && characters.back() != U' ');
    FUZZ_REQUIRE(name != "." && name != "..");
    FUZZ_REQUIRE(CleanSaveName(name, type, encoding) == name);
    return 0;
}
