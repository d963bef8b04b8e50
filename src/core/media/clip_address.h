// Addresses of clips and play lists: references resolved against the page or list that
// names them (RFC 3986), the schemes a player may fetch, and the file name's extension.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lorvex {

// The target of `reference` read against the absolute address `base` (RFC 3986, 5.2):
// relative paths, "../" and "./", a query or fragment alone, "//host/..." and absolute
// addresses. Leading and trailing blanks of the reference are dropped, tabs and line
// breaks inside it removed, and "\" read as "/" before the query, as browsers do. Spaces,
// control characters, bytes above 0x7F and characters a URI may not hold come out
// percent-escaped (their bytes as given: UTF-8 or the page's own code page). Scheme and
// host are lower case. None when the target has no scheme (a relative base, or none).
std::optional<std::string> ResolveReference(std::string_view base, std::string_view reference);

// The scheme of an absolute address in lower case; empty when it has none.
std::string AddressScheme(std::string_view address);

// Whether a player may fetch an address of this scheme: http, https, rtsp, mms, pnm.
// Anything else (javascript:, file:, data:, about:, ...) is never played.
bool IsClipScheme(std::string_view scheme);

// `reference` resolved against `base` when the result's scheme is a clip scheme; none for
// an empty reference or one that names no clip a player may fetch.
std::optional<std::string> ResolveClipAddress(std::string_view base, std::string_view reference);

// The extension of the address's last path segment in lower case, with its dot (".wmv");
// the query and fragment do not count. Empty when there is none.
std::string AddressExtension(std::string_view address);

}  // namespace lorvex
