#include "core/downloads/download_progress.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace lorvex {

std::optional<int> DownloadPercent(std::int64_t received, std::int64_t total) {
    if (total <= 0) return std::nullopt;
    if (received <= 0) return 0;
    if (received >= total) return 100;
    // In floating point: received * 100 could overflow. Never 100 before the end.
    const auto share = static_cast<long double>(received) / static_cast<long double>(total);
    return std::min(99, static_cast<int>(std::floor(share * 100)));
}

std::string FormatSize(std::int64_t bytes) {
    if (bytes < 1024) return std::to_string(std::max<std::int64_t>(bytes, 0)) + " 字节";
    static constexpr std::array<const char*, 6> kUnits = {"KB", "MB", "GB", "TB", "PB", "EB"};
    auto value = static_cast<long double>(bytes);
    std::size_t unit = 0;
    value /= 1024;
    while (value >= 1024 && unit + 1 < kUnits.size()) {
        value /= 1024;
        ++unit;
    }
    // Three significant digits, and never fewer than the whole number: the decimals that
    // keep the rounded value below 1000 hundredths, tenths or ones. Digits are put
    // together by hand, so the C library's locale cannot turn the point into a comma.
    int decimals = 2;
    long long scale = 100;
    long long scaled = std::llround(value * scale);
    while (decimals > 0 && scaled >= 1000) {
        --decimals;
        scale /= 10;
        scaled = std::llround(value * scale);
    }
    std::string text = std::to_string(scaled / scale);
    if (decimals > 0) {
        std::string fraction = std::to_string(scaled % scale);
        fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
        text += '.' + fraction;
    }
    return text + ' ' + kUnits[unit];
}

void SpeedMeter::Add(std::int64_t ms, std::int64_t received) {
    if (!samples_.empty() && (received < samples_.back().received || ms < samples_.back().ms)) {
        samples_.clear();
    }
    samples_.push_back({ms, received});
    // Keep the newest sample that is at least a window old, so the samples span the window.
    while (samples_.size() > 2 && ms - samples_[1].ms >= kWindowMs) samples_.pop_front();
}

std::optional<double> SpeedMeter::BytesPerSecond() const {
    if (samples_.size() < 2) return std::nullopt;
    const Sample& first = samples_.front();
    const Sample& last = samples_.back();
    const std::int64_t span = last.ms - first.ms;
    if (span < kMinimumSpanMs) return std::nullopt;
    return static_cast<double>(last.received - first.received) * 1000.0 / static_cast<double>(span);
}

std::string DownloadFailureText(int reason) {
    switch (reason) {
        case 2:
            return "没有写入该文件夹的权限";
        case 3:
            return "磁盘空间不足";
        case 5:
            return "文件名太长";
        case 6:
            return "文件太大，无法保存";
        case 7:
        case 11:
        case 12:
            return "文件被系统拦截";
        case 13:
        case 14:
            return "文件内容不完整";
        case 21:
            return "网络连接超时";
        case 22:
            return "网络连接已断开";
        case 23:
            return "服务器已关闭";
        case 33:
            return "服务器上没有这个文件";
        case 34:
        case 36:
            return "服务器拒绝下载";
        case 35:
            return "服务器的证书有问题";
        case 37:
            return "无法连接服务器";
        case 38:
            return "服务器中途断开了连接";
        case 40:
            return "已取消";
        case 41:
            return "程序已退出";
        case 50:
            return "浏览器出错";
        default:
            break;
    }
    // The engine groups its reasons by tens: the file, the network, the server.
    if (reason >= 1 && reason < 20) return "无法写入文件";
    if (reason >= 20 && reason < 30) return "网络错误";
    if (reason >= 30 && reason < 40) return "服务器出错";
    return "未知错误";
}

DownloadTexts DescribeDownload(const DownloadStatus& status, std::string_view fileName) {
    DownloadTexts texts;
    const std::string name(fileName);
    const std::optional<int> percent = DownloadPercent(status.received, status.total);
    texts.progress = "已下载 " + FormatSize(status.received);
    if (percent) {
        texts.progress +=
            "，共 " + FormatSize(status.total) + "（" + std::to_string(*percent) + "%）";
    }
    texts.button = "关闭";
    switch (status.phase) {
        case DownloadPhase::InProgress:
            texts.title =
                (percent ? "已完成 " + std::to_string(*percent) + "% - " : "正在下载 - ") + name;
            if (status.bytesPerSecond) {
                const auto perSecond =
                    static_cast<std::int64_t>(std::llround(std::max(0.0, *status.bytesPerSecond)));
                texts.speed = "传输速度 " + FormatSize(perSecond) + "/秒";
            }
            texts.state = "正在下载…";
            texts.button = "取消";
            break;
        case DownloadPhase::Completed:
            texts.title = "下载完毕 - " + name;
            texts.state = "下载完毕";
            break;
        case DownloadPhase::Cancelled:
            texts.title = "已取消 - " + name;
            texts.state = "已取消下载";
            break;
        case DownloadPhase::Failed:
            texts.title = "下载失败 - " + name;
            texts.state = "下载失败：" + DownloadFailureText(status.failureReason);
            break;
    }
    return texts;
}

}  // namespace lorvex
