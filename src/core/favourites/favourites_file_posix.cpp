// The favourites file on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "core/favourites/favourites_file.h"
#include "core/favourites/favourites_file_io.h"

namespace lorvex {

namespace {

std::string ErrnoText(int error) { return std::strerror(error); }

[[noreturn]] void Fail(const std::string& what, int error) {
    throw FavouritesError(what + ": " + ErrnoText(error));
}

// Owns a descriptor; Close() reports what closing it reported.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(Descriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor& operator=(Descriptor&&) = delete;
    int Get() const { return fd_; }
    // 0, or the error of close() (a write error the file system reports late: NFS, quota).
    int Close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0 ? 0 : errno;
    }

  private:
    int fd_;
};

// Why something at the path is not a regular file, or nothing when it is one.
const char* NotRegular(const struct stat& info) {
    if (S_ISREG(info.st_mode)) return nullptr;
    return S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a regular file";
}

// Opens a regular file. The kind is checked before opening (opening some devices has
// effects of its own) and again on the open descriptor, which cannot change under us.
// O_NONBLOCK keeps a named pipe from waiting for a writer; it means nothing for a file.
Descriptor OpenRegular(const std::string& path, int flags, const std::string& what) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        if (const char* why = NotRegular(info)) throw FavouritesError(what + ": " + why);
    } else if (errno != ENOENT || (flags & O_CREAT) == 0) {
        Fail(what, errno);
    }
    Descriptor file(::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644));
    if (file.Get() < 0) Fail(what, errno);
    if (::fstat(file.Get(), &info) != 0) Fail(what, errno);
    if (const char* why = NotRegular(info)) throw FavouritesError(what + ": " + why);
    return file;
}

}  // namespace

bool PathExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::string ReadRegularFile(const std::string& path) {
    const std::string what = "cannot read " + path;
    Descriptor file = OpenRegular(path, O_RDONLY, what);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) Fail(what, errno);
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size > kLargestFavouritesFile) {
        throw FavouritesError(what + ": the file is too large (" + std::to_string(size) +
                              " bytes)");
    }
    std::string bytes;
    try {
        bytes.reserve(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        throw FavouritesError(what + ": not enough memory");
    }
    char buffer[1 << 16];
    while (true) {
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            Fail(what, errno);
        }
        if (bytes.size() + static_cast<std::size_t>(got) > kLargestFavouritesFile) {
            throw FavouritesError(what + ": the file is too large");
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    if (const int error = file.Close(); error != 0) Fail(what, error);
    return bytes;
}

void AppendToRegularFile(const std::string& path, std::string bytes) {
    const std::string what = "cannot append to " + path;
    // O_APPEND puts every write at the end; reading is only for the last byte.
    Descriptor file = OpenRegular(path, O_RDWR | O_APPEND | O_CREAT, what);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) Fail(what, errno);
    if (info.st_size > 0) {
        char lastByte = 0;
        if (::pread(file.Get(), &lastByte, 1, info.st_size - 1) != 1) Fail(what, errno);
        // A last line without a line end gets one, so the new line stands on its own.
        if (lastByte != '\n' && lastByte != '\r') bytes.insert(0, "\r\n");
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t done = ::write(file.Get(), bytes.data() + written, bytes.size() - written);
        if (done < 0) {
            if (errno == EINTR) continue;
            Fail(what, errno);
        }
        written += static_cast<std::size_t>(done);
    }
    // The confirmation tells the user the song is kept: it must be on disk by then.
    while (::fdatasync(file.Get()) != 0) {
        if (errno != EINTR) Fail(what, errno);
    }
    if (const int error = file.Close(); error != 0) Fail(what, error);
}

}  // namespace lorvex
