// The favourites file on Windows.
#include <windows.h>

#include <algorithm>
#include <new>
#include <string>

#include "core/favourites/favourites_file.h"
#include "core/favourites/favourites_file_io.h"
#include "core/text/text_codec.h"

namespace lorvex {

namespace {

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

[[noreturn]] void Fail(const std::string& what, DWORD error) {
    throw FavouritesError(what + ": " + WindowsErrorText(error));
}

// Owns a handle; Close() reports what closing it reported.
class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(Handle&& other) noexcept : handle_(other.handle_) {
        other.handle_ = INVALID_HANDLE_VALUE;
    }
    ~Handle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle& operator=(Handle&&) = delete;
    HANDLE Get() const { return handle_; }
    DWORD Close() {
        const BOOL closed = CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed ? 0 : GetLastError();
    }

  private:
    HANDLE handle_;
};

// Opens a regular file: a folder is refused before opening, and a device or pipe of that
// name after it (GetFileType), so nothing but a file on disk is read or written.
Handle OpenRegular(const std::string& path, DWORD access, DWORD disposition,
                   const std::string& what) {
    const std::wstring wide = WidePath(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        throw FavouritesError(what + ": it is a folder");
    }
    Handle file(CreateFileW(wide.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) Fail(what, GetLastError());
    if (GetFileType(file.Get()) != FILE_TYPE_DISK) {
        throw FavouritesError(what + ": it is not a regular file");
    }
    return file;
}

}  // namespace

bool PathExists(const std::string& path) {
    return GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadRegularFile(const std::string& path) {
    const std::string what = "cannot read " + path;
    Handle file = OpenRegular(path, GENERIC_READ, OPEN_EXISTING, what);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) Fail(what, GetLastError());
    const auto bytesOnDisk = static_cast<std::uint64_t>(size.QuadPart);
    if (bytesOnDisk > kLargestFavouritesFile) {
        throw FavouritesError(what + ": the file is too large (" + std::to_string(bytesOnDisk) +
                              " bytes)");
    }
    std::string bytes;
    try {
        bytes.reserve(static_cast<std::size_t>(bytesOnDisk));
    } catch (const std::bad_alloc&) {
        throw FavouritesError(what + ": not enough memory");
    }
    char buffer[1 << 16];
    while (true) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) {
            Fail(what, GetLastError());
        }
        if (got == 0) break;
        if (bytes.size() + got > kLargestFavouritesFile) {
            throw FavouritesError(what + ": the file is too large");
        }
        bytes.append(buffer, got);
    }
    if (const DWORD error = file.Close(); error != 0) Fail(what, error);
    return bytes;
}

void AppendToRegularFile(const std::string& path, std::string bytes) {
    const std::string what = "cannot append to " + path;
    // Append-only access: every write lands at the end, earlier bytes cannot be touched.
    Handle file = OpenRegular(path, FILE_APPEND_DATA | FILE_READ_DATA, OPEN_ALWAYS, what);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) Fail(what, GetLastError());
    if (size.QuadPart > 0) {
        OVERLAPPED at{};
        const auto last = static_cast<ULONGLONG>(size.QuadPart - 1);
        at.Offset = static_cast<DWORD>(last & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(last >> 32);
        char lastByte = 0;
        DWORD got = 0;
        if (!ReadFile(file.Get(), &lastByte, 1, &got, &at) || got != 1) {
            Fail(what, GetLastError());
        }
        // A last line without a line end gets one, so the new line stands on its own.
        if (lastByte != '\n' && lastByte != '\r') bytes.insert(0, "\r\n");
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        OVERLAPPED atEnd{};
        atEnd.Offset = 0xFFFFFFFFu;  // both halves all ones: write at the end of the file
        atEnd.OffsetHigh = 0xFFFFFFFFu;
        DWORD done = 0;
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 30));
        if (!WriteFile(file.Get(), bytes.data() + written, chunk, &done, &atEnd) || done == 0) {
            Fail(what, GetLastError());
        }
        written += done;
    }
    // The confirmation tells the user the song is kept: it must be on disk by then.
    if (!FlushFileBuffers(file.Get())) Fail(what, GetLastError());
    if (const DWORD error = file.Close(); error != 0) Fail(what, error);
}

}  // namespace lorvex
