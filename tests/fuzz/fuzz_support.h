// Shared pieces of the fuzz targets: a reader that turns the fuzzer's bytes into numbers,
// and a check that stops the run with a message when a rule does not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

// Aborts the run (libFuzzer then saves the input) when `condition` is false.
#define FUZZ_REQUIRE(condition)                                                               \
    do {                                                                                      \
        if (!(condition)) {                                                                   \
            std::fprintf(stderr, "%s:%d: rule broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (false)

namespace lorvex::fuzz {

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

inline bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// Reads fixed-size values from the front of the input; past its end every value is zero,
// so short inputs still make a call.
class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    template <typename T>
    T Take() {
        unsigned char raw[sizeof(T)] = {};
        const std::size_t n = size_ - pos_ < sizeof(T) ? size_ - pos_ : sizeof(T);
        if (n > 0) std::memcpy(raw, data_ + pos_, n);
        pos_ += n;
        T value;
        std::memcpy(&value, raw, sizeof(T));
        return value;
    }

    // An int in [low, high].
    int TakeInt(int low, int high) {
        const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(high) - low) + 1;
        return static_cast<int>(low + static_cast<std::int64_t>(Take<std::uint32_t>() % span));
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace lorvex::fuzz
