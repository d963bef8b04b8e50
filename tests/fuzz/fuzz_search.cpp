// Keywords as typed -> the search address.
#include <string>

#include "core/portal/addresses.h"
#include "fuzz_support.h"

namespace {

bool IsUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lorvex;
    constexpr std::string_view kPrefix = "http://127.0.0.1:8033/33/search.asp?keyword=";
    const std::string_view keyword = fuzz::AsText(data, size);

    const std::string address =
        SearchAddress(MakePortalAddresses("http://127.0.0.1:8033"), keyword);
    FUZZ_REQUIRE(address.starts_with(kPrefix));
    FUZZ_REQUIRE(fuzz::IsAscii(address));
    const std::string_view value = std::string_view(address).substr(kPrefix.size());
    // The value can neither end the query pair nor the address, nor hold a raw space or
    // control; every "%" starts a full upper-case escape.
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        FUZZ_REQUIRE(c != '&' && c != '#' && c != ' ' && c != '+' && c != '=');
        FUZZ_REQUIRE(static_cast<unsigned char>(c) > 0x20 && c != 0x7F);
        if (c == '%') {
            FUZZ_REQUIRE(i + 2 < value.size() && IsUpperHex(value[i + 1]) &&
                         IsUpperHex(value[i + 2]));
        }
    }
    FUZZ_REQUIRE(EscapeQueryValue(keyword) == value);
    return 0;
}
