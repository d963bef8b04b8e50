#include "favourites/favourites_file.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "favourites/text_codec.h"

#ifdef _WIN32
#include <windows.h>

#include <sys/stat.h>
#include <sys/types.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace lorvex {

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    if (from.empty()) return;
    std::string out;
    std::size_t start = 0;
    for (std::size_t hit = text.find(from); hit != std::string::npos;
         hit = text.find(from, start)) {
        out.append(text, start, hit - start);
        out.append(to);
        start = hit + from.size();
    }
    if (start == 0) return;  // nothing replaced
    out.append(text, start, std::string::npos);
    text = std::move(out);
}

// 1-based position of the first occurrence of `needle` in `line`, 0 when absent.
std::ptrdiff_t FindPosition(std::u32string_view line, std::u32string_view needle) {
    const std::size_t hit = line.find(needle);
    return hit == std::u32string_view::npos ? 0 : static_cast<std::ptrdiff_t>(hit) + 1;
}

// `count` characters from 1-based `start`; empty for a count of zero or less, and only
// what is there when the count runs past the end.
std::string Mid(std::u32string_view line, std::ptrdiff_t start, std::ptrdiff_t count) {
    if (count <= 0 || start < 1 || static_cast<std::size_t>(start) > line.size()) return {};
    return CodePointsToUtf8(
        line.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(count)));
}

// The last `count` characters; empty for zero or less, the whole line when past its length.
std::string Right(std::u32string_view line, std::ptrdiff_t count) {
    if (count <= 0) return {};
    const std::size_t n = std::min(line.size(), static_cast<std::size_t>(count));
    return CodePointsToUtf8(line.substr(line.size() - n));
}

std::string ErrnoText(int error) { return std::strerror(error); }

#ifdef _WIN32

std::wstring WidePath(const std::string& utf8) {
    if (utf8.empty()) return {};
    const std::string valid = SanitizeUtf8(utf8);
    const int length = static_cast<int>(valid.size());
    const int units = MultiByteToWideChar(CP_UTF8, 0, valid.data(), length, nullptr, 0);
    if (units <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, valid.data(), length, wide.data(), units);
    return wide;
}

// The system's text for a Windows error code, in UTF-8.
std::string WindowsErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (length > 0 && buffer != nullptr) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(length), nullptr,
                                             0, nullptr, nullptr);
        if (size > 0) {
            text.resize(static_cast<std::size_t>(size));
            WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(length), text.data(), size,
                                nullptr, nullptr);
        }
    }
    if (buffer != nullptr) LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text.empty() ? "error " + std::to_string(error) : text;
}

[[noreturn]] void ThrowWindowsError(const std::string& what, DWORD error) {
    throw FavouritesError(what + ": " + WindowsErrorText(error));
}

class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_;
};

#else

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }

  private:
    int fd_;
};

#endif

// The whole content of a file, or FavouritesError naming why it cannot be read.
std::string ReadWholeFile(const std::string& path) {
    const std::string what = "cannot read " + path;
#ifdef _WIN32
    const std::wstring widePath = WidePath(path);
    struct _stat64 info {};
    if (_wstat64(widePath.c_str(), &info) != 0)
        throw FavouritesError(what + ": " + ErrnoText(errno));
    if ((info.st_mode & _S_IFDIR) != 0) throw FavouritesError(what + ": " + ErrnoText(EISDIR));
    std::FILE* file = _wfopen(widePath.c_str(), L"rb");
#else
    // Check first: opening a folder for reading succeeds on some systems.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) throw FavouritesError(what + ": " + ErrnoText(errno));
    if (S_ISDIR(info.st_mode)) throw FavouritesError(what + ": " + ErrnoText(EISDIR));
    std::FILE* file = std::fopen(path.c_str(), "rb");
#endif
    if (file == nullptr) throw FavouritesError(what + ": " + ErrnoText(errno));
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) throw FavouritesError(what + ": " + ErrnoText(error));
    return bytes;
}

}  // namespace

std::string FavouritesFilePath(std::string_view documentsFolder) {
#ifdef _WIN32
    constexpr char kSeparator = '\\';
#else
    constexpr char kSeparator = '/';
#endif
    std::string path(documentsFolder);
    path += kSeparator;
    path += kFavouritesFileName;
    return path;
}

std::string CollectLine(std::string_view address, std::string_view portalOrigin) {
    std::string line(address);
    ReplaceAll(line, std::string(portalOrigin) + "/33/", "");
    ReplaceAll(line, "playwmv.asp?id=", "$$DD");
    ReplaceAll(line, "playrm.asp?id=", "$$DD");
    return line;
}

FavouriteRecord ParseFavouriteLine(std::string_view lineUtf8) {
    const std::u32string line = Utf8ToCodePoints(lineUtf8);
    const std::ptrdiff_t length = static_cast<std::ptrdiff_t>(line.size());
    const std::ptrdiff_t pg = FindPosition(line, U"&g=");
    const std::ptrdiff_t pc = FindPosition(line, U"&c=");
    FavouriteRecord record;
    record.ID = Mid(line, 5, pg - 5);
    record.GN = Mid(line, pg + 3, pc - pg - 3);
    record.GS = Right(line, length - pc - 2);
    return record;
}

bool PathExists(const std::string& path) {
#ifdef _WIN32
    return GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
#endif
}

void AppendFavourite(const std::string& path, std::string_view lineUtf8) {
    const std::string what = "cannot append to " + path;
    std::string data = Utf8ToGb18030(lineUtf8);
    data += "\r\n";

#ifdef _WIN32
    // Append-only access: every write lands at the end, earlier bytes cannot be touched.
    FileHandle file(CreateFileW(WidePath(path).c_str(), FILE_APPEND_DATA | FILE_READ_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        ThrowWindowsError("cannot open " + path + " for appending", GetLastError());
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) ThrowWindowsError(what, GetLastError());
    if (size.QuadPart > 0) {
        OVERLAPPED at{};
        const auto last = static_cast<ULONGLONG>(size.QuadPart - 1);
        at.Offset = static_cast<DWORD>(last & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(last >> 32);
        char lastByte = 0;
        DWORD got = 0;
        if (!ReadFile(file.Get(), &lastByte, 1, &got, &at) || got != 1) {
            ThrowWindowsError(what, GetLastError());
        }
        if (lastByte != '\n' && lastByte != '\r') data.insert(0, "\r\n");
    }
    std::size_t written = 0;
    while (written < data.size()) {
        OVERLAPPED atEnd{};
        atEnd.Offset = 0xFFFFFFFFu;  // both halves all ones: write at the end of the file
        atEnd.OffsetHigh = 0xFFFFFFFFu;
        DWORD done = 0;
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(data.size() - written, 1u << 30));
        if (!WriteFile(file.Get(), data.data() + written, chunk, &done, &atEnd) || done == 0) {
            ThrowWindowsError(what, GetLastError());
        }
        written += done;
    }
#else
    // O_APPEND puts every write at the end; reading is only for the last byte.
    FileDescriptor file(::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (file.Get() < 0) {
        throw FavouritesError("cannot open " + path + " for appending: " + ErrnoText(errno));
    }
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) throw FavouritesError(what + ": " + ErrnoText(errno));
    if (info.st_size > 0) {
        char lastByte = 0;
        if (::pread(file.Get(), &lastByte, 1, info.st_size - 1) != 1) {
            throw FavouritesError(what + ": " + ErrnoText(errno));
        }
        // A last line without a line end gets one, so the new line stands on its own.
        if (lastByte != '\n' && lastByte != '\r') data.insert(0, "\r\n");
    }
    std::size_t written = 0;
    while (written < data.size()) {
        const ssize_t done = ::write(file.Get(), data.data() + written, data.size() - written);
        if (done < 0) {
            if (errno == EINTR) continue;
            throw FavouritesError(what + ": " + ErrnoText(errno));
        }
        written += static_cast<std::size_t>(done);
    }
#endif
}

void ReadFavourites(const std::string& path, const std::function<void(std::string_view)>& onLine) {
    const std::string text = DecodeFavouritesText(ReadWholeFile(path));
    const std::string_view view(text);
    std::size_t start = 0;
    while (start < view.size()) {
        const std::size_t end = view.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            onLine(view.substr(start));
            return;
        }
        onLine(view.substr(start, end - start));
        start = end + (view.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
}

}  // namespace lorvex
