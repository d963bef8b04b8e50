// How addresses are shown and sent. The portal works in GB2312/GBK: the client presents
// an address with its non-ASCII percent-escapes decoded into characters (as a browser on
// a Chinese system showed it), and sends the non-ASCII characters of an address it is
// given as text as GBK percent-escapes.
#pragma once

#include <string>
#include <string_view>

namespace lorvex {

// The address as the user and the favourites see it (UTF-8). Each run of percent-escapes
// whose bytes are not all ASCII is decoded: as UTF-8 when the run is valid UTF-8,
// otherwise as GB18030; bytes that decode to nothing show as U+FFFD. Escapes of ASCII
// bytes ("%20", "%26", ...) stay as they stand, and so does everything else, including a
// "%" that starts no valid escape.
// Example: ".../playwmv.asp?id=1024&g=%BA%A3%B1%DF%B5%C4%B7%E7&c=x" reads
// ".../playwmv.asp?id=1024&g=海边的风&c=x".
std::string PresentLocation(std::string_view address);

// The address to send for an address given as text (UTF-8): every non-ASCII character
// becomes its GBK (GB18030) bytes, percent-escaped in upper-case hex; ASCII stays as it
// stands (existing escapes included). Invalid UTF-8 bytes are escaped as they are.
std::string EncodeAddressForPortal(std::string_view addressUtf8);

}  // namespace lorvex
