// Addresses as the browser reports them -> the address shown, and the address sent.
#include <string>

#include "core/portal/location.h"
#include "core/text/text_codec.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lorvex;
    const std::string_view address = fuzz::AsText(data, size);

    const std::string shown = PresentLocation(address);
    FUZZ_REQUIRE(IsValidUtf8(shown));
    // Decoding leaves only escapes of ASCII bytes and broken ones, which stay as they are.
    FUZZ_REQUIRE(PresentLocation(shown) == shown);
    // Without escapes there is nothing to decode: valid text shows as it stands.
    if (address.find('%') == std::string_view::npos && IsValidUtf8(address)) {
        FUZZ_REQUIRE(shown == address);
    }

    const std::string sent = EncodeAddressForPortal(address);
    FUZZ_REQUIRE(fuzz::IsAscii(sent));
    if (fuzz::IsAscii(address)) FUZZ_REQUIRE(sent == address);
    // The shown address is sent as well (what the user copies back into the address bar).
    FUZZ_REQUIRE(fuzz::IsAscii(EncodeAddressForPortal(shown)));
    return 0;
}
