// Page markup and play lists -> players and the clips they play.
// Input: one byte of choices (format, nested), then an address up to the first NUL, then a
// body that is read as a play list, as a reference, and as an element's attributes and
// params ("name=value" lines; a line starting with "@" is a param).
#include <string>
#include <vector>

#include "core/media/clip_address.h"
#include "core/media/play_lists.h"
#include "core/media/players.h"
#include "fuzz_support.h"

namespace {

using namespace lorvex;

// What every address a player is given holds: a clip scheme and a server, no byte a URI
// never holds, and every "%" the start of an escape; read again, it stays as it is.
void RequireClipAddress(const std::string& address) {
    FUZZ_REQUIRE(IsClipScheme(AddressScheme(address)));
    for (std::size_t i = 0; i < address.size(); ++i) {
        const auto c = static_cast<unsigned char>(address[i]);
        FUZZ_REQUIRE(c > 0x20 && c < 0x7F && c != '"' && c != '<' && c != '>');
        if (c == '%') FUZZ_REQUIRE(i + 2 < address.size());
    }
    FUZZ_REQUIRE(ResolveClipAddress("http://other.example/x/", address) == address);
}

MarkupElement ElementOf(std::string_view tag, std::string_view body) {
    MarkupElement element{std::string(tag), {}, {}};
    while (!body.empty()) {
        const std::size_t end = body.find('\n');
        std::string_view line = body.substr(0, end);
        body = end == std::string_view::npos ? std::string_view{} : body.substr(end + 1);
        const bool param = line.starts_with('@');
        if (param) line.remove_prefix(1);
        const std::size_t equals = line.find('=');
        std::pair<std::string, std::string> pair{std::string(line.substr(0, equals)),
                                                 equals == std::string_view::npos
                                                     ? std::string()
                                                     : std::string(line.substr(equals + 1))};
        (param ? element.params : element.attributes).push_back(std::move(pair));
    }
    return element;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t choices = data[0];
    const std::string_view rest = fuzz::AsText(data + 1, size - 1);
    const std::size_t nul = rest.find('\0');
    const std::string_view address = rest.substr(0, nul);
    const std::string_view body =
        nul == std::string_view::npos ? std::string_view{} : rest.substr(nul + 1);
    const std::string base = "http://portal.example/33/play.asp?id=1";

    // References against the page, and against the fuzzer's own base.
    for (const std::string_view against : {std::string_view(base), address}) {
        if (auto clip = ResolveClipAddress(against, body)) RequireClipAddress(*clip);
        if (auto target = ResolveReference(against, body)) {
            FUZZ_REQUIRE(fuzz::IsAscii(*target));
        }
    }

    // Play lists: detected or not, every format reads the body without fault.
    const PlayListFormat detected = DetectPlayList(address, "", body);
    const PlayListFormat format = static_cast<PlayListFormat>(choices % 4);
    const bool nested = (choices & 4) != 0;
    for (const PlayListFormat each : {detected, format}) {
        PlayList list = ParsePlayList(each, body, base, nested);
        FUZZ_REQUIRE(list.entries.size() <= kMaxPlayListEntries);
        FUZZ_REQUIRE(list.error.empty() == !list.entries.empty());
        for (const PlayListEntry& entry : list.entries) {
            FUZZ_REQUIRE(!entry.addresses.empty());
            FUZZ_REQUIRE(!nested || !entry.nestedList);
            for (const std::string& clip : entry.addresses) {
                RequireClipAddress(clip);
                const std::string scheme = AddressScheme(clip);
                FUZZ_REQUIRE(scheme != "rtsp" && scheme != "pnm");
            }
        }
        if (!list.entries.empty()) {
            const PlayList copy = list;
            SpliceNestedList(list, 0, copy);
            FUZZ_REQUIRE(list.entries.size() <= kMaxPlayListEntries);
        }
    }

    // Players: an object with the body's attributes and params, an embed inside it.
    PagePlayers page(base);
    const auto outer = page.Offer(1, ElementOf((choices & 8) ? "object" : "embed", body));
    const auto inner = page.Offer(2, ElementOf("embed", address), 1);
    for (const auto& placement : {outer, inner}) {
        if (!placement) continue;
        const PlayerSettings* settings = page.Settings(placement->player);
        FUZZ_REQUIRE(settings != nullptr);
        if (!settings->clip.empty()) RequireClipAddress(settings->clip);
        FUZZ_REQUIRE(settings->volume >= 0 && settings->volume <= 100);
    }
    if (outer && inner) FUZZ_REQUIRE(inner->player == outer->player && inner->fallback);
    page.Remove(1);
    const auto gone = page.Remove(2);
    if (inner) FUZZ_REQUIRE(gone == inner->player && page.Settings(*gone) == nullptr);
    return 0;
}
