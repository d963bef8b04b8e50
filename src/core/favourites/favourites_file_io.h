// The favourites file's access to the file system, one body per platform
// (favourites_file_posix.cpp, favourites_file_win.cpp). Only regular files are read or
// appended to: a folder, a named pipe, a device or a socket of that name is refused with
// the same kind of error, so nothing can hang on it or pass for a collected song.
#pragma once

#include <cstdint>
#include <string>

namespace lorvex {

// The largest favourites file read whole. A library of a million songs is some 40 MB; a
// larger file is surely not one (a sparse file, say) and would not fit in memory.
inline constexpr std::uint64_t kLargestFavouritesFile = std::uint64_t{1} << 30;

// The whole content of a regular file. Throws FavouritesError naming the path and why.
std::string ReadRegularFile(const std::string& path);

// Appends the bytes to a regular file, created when absent; a last line without a line end
// gets CR LF first. On return the bytes are on disk (data synced) and the file closed
// without error. Throws FavouritesError naming the path and why; earlier bytes are never
// changed.
void AppendToRegularFile(const std::string& path, std::string bytes);

}  // namespace lorvex
