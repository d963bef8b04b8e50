// Large buffers the client fills at once, such as the page of a large library (tens of
// megabytes), can ask to be backed by huge pages.
#pragma once

#include <cstddef>

namespace lorvex {

// Asks the system to back the whole 2 MiB pages within [data, data + size) with huge
// pages, before they are first written: filling them then takes one page fault per 2 MiB
// instead of one per 4 KiB. On Linux only (transparent huge pages, where the system allows
// them on request); elsewhere, and for a range holding no whole huge page, nothing
// happens. Only advice: the buffer's content and size are not affected.
void PreferHugePages(const void* data, std::size_t size);

}  // namespace lorvex
