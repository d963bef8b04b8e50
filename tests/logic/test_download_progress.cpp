#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "core/downloads/download_progress.h"

namespace lorvex {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

TEST(DownloadProgressTest, PercentRoundsDownAndIsWholeOnlyAtTheEnd) {
    const struct {
        std::int64_t received;
        std::int64_t total;
        std::optional<int> expected;
    } cases[] = {
        {0, 100, 0},
        {1, 3, 33},
        {2, 3, 66},
        {999, 1000, 99},
        {9999, 10000, 99},
        {1000, 1000, 100},
        {1200, 1000, 100},  // the server said less
        {-5, 100, 0},
        {50, 0, std::nullopt},
        {50, -1, std::nullopt},
        {kMax - 1, kMax, 99},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DownloadPercent(c.received, c.total), c.expected) << c.received << "/" << c.total;
    }
}

TEST(DownloadProgressTest, SizesKeepThreeDigits) {
    const struct {
        std::int64_t bytes;
        const char* expected;
    } cases[] = {
        {-1, "0 字节"},
        {0, "0 字节"},
        {1023, "1023 字节"},
        {1024, "1.00 KB"},
        {1536, "1.50 KB"},
        {std::int64_t{10} * 1024 - 1, "10.0 KB"},  // 9.999 rounds to four digits with two decimals
        {12'900, "12.6 KB"},
        {std::int64_t{1023} * 1024, "1023 KB"},
        {std::int64_t{1024} * 1024, "1.00 MB"},
        {5'452'595, "5.20 MB"},
        {640LL * 1024 * 1024, "640 MB"},
        {3LL * 1024 * 1024 * 1024 + 400LL * 1024 * 1024, "3.39 GB"},
        {kMax, "8.00 EB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatSize(c.bytes), c.expected) << c.bytes;
    }
}

TEST(DownloadProgressTest, SpeedCoversTheLastSecondsOnly) {
    SpeedMeter meter;
    EXPECT_EQ(meter.BytesPerSecond(), std::nullopt);
    meter.Add(0, 0);
    meter.Add(400, 40'000);
    EXPECT_EQ(meter.BytesPerSecond(), std::nullopt);  // too short a time to say
    meter.Add(500, 50'000);
    EXPECT_DOUBLE_EQ(*meter.BytesPerSecond(), 100'000);  // just long enough
    meter.Add(1000, 100'000);
    EXPECT_DOUBLE_EQ(*meter.BytesPerSecond(), 100'000);
    // A fast start, then a stall: after the window only the stall counts.
    meter.Add(2000, 100'000);
    meter.Add(5000, 100'000);
    meter.Add(6000, 100'000);
    EXPECT_DOUBLE_EQ(*meter.BytesPerSecond(), 0);
    meter.Add(7000, 300'000);
    // From the last sample a window old (2000) to now.
    EXPECT_DOUBLE_EQ(*meter.BytesPerSecond(), 40'000);
    // The count went back: the download started over.
    meter.Add(7500, 10);
    EXPECT_EQ(meter.BytesPerSecond(), std::nullopt);
}

TEST(DownloadProgressTest, TextsForEachPhase) {
    DownloadStatus running{DownloadPhase::InProgress, 1536, std::int64_t{5} * 1024, 2048.0, 0};
    DownloadTexts texts = DescribeDownload(running, "歌.wmv");
    EXPECT_EQ(texts.title, "已完成 30% - 歌.wmv");
    EXPECT_EQ(texts.progress, "已下载 1.50 KB，共 5.00 KB（30%）");
    EXPECT_EQ(texts.speed, "传输速度 2.00 KB/秒");
    EXPECT_EQ(texts.state, "正在下载…");
    EXPECT_EQ(texts.button, "取消");

    running.total = 0;
    running.bytesPerSecond.reset();
    texts = DescribeDownload(running, "a.bin");
    EXPECT_EQ(texts.title, "正在下载 - a.bin");
    EXPECT_EQ(texts.progress, "已下载 1.50 KB");
    EXPECT_EQ(texts.speed, "");

    const struct {
        DownloadStatus status;
        const char* title;
        const char* state;
    } ends[] = {
        {{DownloadPhase::Completed, 2048, 2048, 100.0, 0}, "下载完毕 - a.bin", "下载完毕"},
        {{DownloadPhase::Cancelled, 10, 2048, 100.0, 40}, "已取消 - a.bin", "已取消下载"},
        {{DownloadPhase::Failed, 10, 2048, 100.0, 22},
         "下载失败 - a.bin",
         "下载失败：网络连接已断开"},
    };
    for (const auto& end : ends) {
        texts = DescribeDownload(end.status, "a.bin");
        EXPECT_EQ(texts.title, end.title);
        EXPECT_EQ(texts.state, end.state);
        EXPECT_EQ(texts.speed, "") << "no speed once it has ended";
        EXPECT_EQ(texts.button, "关闭");
    }
}

TEST(DownloadProgressTest, FailureTextsByReasonAndGroup) {
    const struct {
        int reason;
        const char* expected;
    } cases[] = {
        {3, "磁盘空间不足"}, {4, "无法写入文件"},    {22, "网络连接已断开"},
        {29, "网络错误"},    {36, "服务器拒绝下载"}, {38, "服务器中途断开了连接"},
        {31, "服务器出错"},  {0, "未知错误"},        {99, "未知错误"},
        {1, "无法写入文件"}, {19, "无法写入文件"},   {20, "网络错误"},
        {30, "服务器出错"},  {39, "服务器出错"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DownloadFailureText(c.reason), c.expected) << c.reason;
    }
}

}  // namespace
}  // namespace lorvex
