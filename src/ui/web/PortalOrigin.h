// The portal origin in the form the web engine shows addresses in: scheme and host in
// lower case, an internationalised host in its ASCII (punycode) form, no default port and
// no trailing slash. The collect button removes the origin from the address the engine
// shows, so the two must be written alike.
#pragma once

#include <string>
#include <string_view>

namespace lorvex {

// "HTTP://Portal.Example:80/" gives "http://portal.example"; "http://bücher.example" gives
// "http://xn--bcher-kva.example". A value that is no http(s) origin is returned as given
// (the build refuses such values).
std::string NormaliseOrigin(std::string_view origin);

}  // namespace lorvex
