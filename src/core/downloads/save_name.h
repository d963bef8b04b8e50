// The file name a download is offered under. The name comes from the page or the server
// (a download attribute, a Content-Disposition header, the address), so it is treated as
// hostile: only its last path component is kept, and nothing in it may hide what it is,
// name a folder, or be refused by a file system.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lorvex {

// How the file system stores names, for their length.
enum class FileNameEncoding { Utf8, Utf16 };

// The longest name offered, in bytes of the file system's encoding.
inline constexpr std::size_t kMaxSaveNameBytes = 200;

// The name used when nothing of the suggested one is left (plus the type's extension).
inline constexpr std::string_view kFallbackSaveName = "下载";

// A clean file name from the name a page or server suggested (UTF-8; invalid bytes read
// as U+FFFD):
// - only the part after the last '/' or '\';
// - without control and format characters (Unicode Cc and Cf, the direction marks,
//   embeddings, overrides and isolates among them) and line or paragraph separators;
// - the characters Windows refuses (< > : " | ? *) as '_', and a name Windows reserves
//   for a device (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any extension) with '_' before;
// - no dots or spaces at either end;
// - at most kMaxSaveNameBytes in `encoding`, cut at a character, keeping the extension;
// - when nothing is left, kFallbackSaveName plus `typeExtension` (the extension of the
//   download's MIME type, without the dot; cleaned the same way, dropped when unusable).
// The result is never empty, and cleaning it again changes nothing.
std::string CleanSaveName(std::string_view suggested, std::string_view typeExtension,
                          FileNameEncoding encoding = FileNameEncoding::Utf8);

// Whether a character may stand in an offered name at all (not a control, format or
// separator character, not a path separator or a character Windows refuses).
bool IsAllowedInSaveName(char32_t c);

}  // namespace lorvex
