// What the download window shows for one download: the share received, the speed over the
// last seconds, sizes as people read them, and the texts for each state.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace lorvex {

// The share of `total` received, 0 to 100, rounded down: 100 only once everything has
// arrived. None when the total is unknown (zero or less).
std::optional<int> DownloadPercent(std::int64_t received, std::int64_t total);

// A size as people read it, in steps of 1024: "512 字节", "1.50 KB", "12.3 MB", "640 MB".
std::string FormatSize(std::int64_t bytes);

// Bytes per second over the last few seconds of samples.
class SpeedMeter {
  public:
    // How far back the samples reach, and the least time they must span to give a speed.
    static constexpr std::int64_t kWindowMs = 3000;
    static constexpr std::int64_t kMinimumSpanMs = 500;

    // At `ms` on a steady clock, `received` bytes had arrived. A count lower than the last
    // one (the download started over) starts the measurement afresh.
    void Add(std::int64_t ms, std::int64_t received);

    // None until the samples span kMinimumSpanMs.
    std::optional<double> BytesPerSecond() const;

  private:
    struct Sample {
        std::int64_t ms;
        std::int64_t received;
    };
    std::deque<Sample> samples_;
};

enum class DownloadPhase { InProgress, Completed, Cancelled, Failed };

struct DownloadStatus {
    DownloadPhase phase = DownloadPhase::InProgress;
    std::int64_t received = 0;
    std::int64_t total = 0;  // zero or less when the server did not say
    std::optional<double> bytesPerSecond;
    // Why a failed download failed: the web engine's interrupt reason (the numbers of
    // QWebEngineDownloadRequest::DownloadInterruptReason).
    int failureReason = 0;
};

struct DownloadTexts {
    std::string title;     // the window's title
    std::string progress;  // received, total and percent
    std::string speed;     // empty when there is none to show
    std::string state;     // what is happening, or how it ended
    std::string button;    // cancel while it runs, close afterwards
};

DownloadTexts DescribeDownload(const DownloadStatus& status, std::string_view fileName);

// Why a download failed, in the user's words, from the engine's interrupt reason.
std::string DownloadFailureText(int reason);

}  // namespace lorvex
