// How addresses are shown and sent. The portal works in GB2312/GBK: the client presents
// an address with its non-ASCII percent-escapes decoded into characters (as a browser on
// a Chinese system showed it), and sends the non-ASCII characters of an address it is
// given as text as GBK percent-escapes.
#pragma once

#include <string>
#include <string_view>

namespace lorvex {

// The address as the user and the favourites see it (UTF-8).
// - In the query (after the first "?", up to a "#"), every run of non-ASCII escapes is read
//   as GB18030, the portal's code page, even where its bytes would also be valid UTF-8; a
//   trail byte sent as a plain ASCII character ("%81@") belongs to its character. A run whose
//   bytes name no character stays exactly as written: nothing is replaced.
// - In the path and the fragment, a run of escapes that is valid UTF-8 is read as UTF-8 and
//   any other as GB18030, with U+FFFD for bytes that name nothing.
// Escapes of ASCII bytes ("%20", "%26", ...) stay as written everywhere, and so does a "%"
// that starts no valid escape.
// Example: ".../playwmv.asp?id=88&g=%C4%AC%C4%AC&c=%C3%A3%C3%A3" reads
// ".../playwmv.asp?id=88&g=默默&c=茫茫".
std::string PresentLocation(std::string_view address);

// The address to send for an address given as text (UTF-8): every non-ASCII character
// becomes its GBK (GB18030) bytes, percent-escaped in upper-case hex; ASCII stays as it
// stands (existing escapes included). Invalid UTF-8 bytes are escaped as they are.
std::string EncodeAddressForPortal(std::string_view addressUtf8);

// Appends the escape "%XX" of a byte, in upper-case hex.
void AppendPercentEscape(std::string& out, unsigned char byte);

}  // namespace lorvex
