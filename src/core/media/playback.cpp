#include "core/media/playback.h"

#include <cstdlib>

namespace lorvex {

bool PositionReportDue(const PositionReport& last, std::int64_t positionMs, bool running,
                       std::int64_t nowMs) {
    constexpr std::int64_t kOffMs = 250;
    constexpr std::int64_t kIntervalMs = 1000;
    // A clock put back: the page counts from the new time.
    if (!last.sent || running != last.running || nowMs < last.atMs) return true;
    const std::int64_t elapsed = nowMs - last.atMs;
    if (elapsed < kIntervalMs) return false;
    if (!running) return positionMs != last.positionMs;
    return std::abs(positionMs - (last.positionMs + elapsed)) > kOffMs;
}

int ScriptPlayState(PlayerKind kind, PlaybackState state) {
    struct Numbers {
        int windowsMedia;    // playState: 0 undefined, 1 stopped, 2 paused, 3 playing,
                             // 6 buffering, 8 media ended, 9 transitioning, 10 ready
        int windowsMedia64;  // PlayState: 0 stopped, 1 paused, 2 playing, 3 waiting, 6 closed
        int realPlayer;  // GetPlayState: 0 stopped, 1 contacting, 2 buffering, 3 playing, 4 paused
    };
    Numbers numbers{};
    switch (state) {
        case PlaybackState::Closed:
            numbers = {0, 6, 0};
            break;
        case PlaybackState::Connecting:
            numbers = {9, 3, 1};
            break;
        case PlaybackState::Buffering:
            numbers = {6, 3, 2};
            break;
        case PlaybackState::Ready:
            numbers = {10, 0, 0};
            break;
        case PlaybackState::Playing:
            numbers = {3, 2, 3};
            break;
        case PlaybackState::Paused:
            numbers = {2, 1, 4};
            break;
        case PlaybackState::Stopped:
            numbers = {1, 0, 0};
            break;
        case PlaybackState::Ended:
            numbers = {8, 0, 0};
            break;
    }
    switch (kind) {
        case PlayerKind::WindowsMedia:
            return numbers.windowsMedia;
        case PlayerKind::WindowsMedia64:
            return numbers.windowsMedia64;
        case PlayerKind::RealPlayer:
            break;
    }
    return numbers.realPlayer;
}

ClipFailure FailureOfStatus(int httpStatus) {
    if (httpStatus == 401 || httpStatus == 403) return ClipFailure::Refused;
    if (httpStatus == 404 || httpStatus == 410) return ClipFailure::NotFound;
    return ClipFailure::ServerError;
}

std::string ClipFailureText(ClipFailure failure, int httpStatus) {
    std::string text;
    switch (failure) {
        case ClipFailure::Refused:
            text = "无法播放：服务器拒绝提供这首歌曲";
            break;
        case ClipFailure::NotFound:
            text = "无法播放：服务器上找不到这首歌曲";
            break;
        case ClipFailure::ServerError:
            text = "无法播放：服务器出错";
            break;
        case ClipFailure::NoConnection:
            text = "无法播放：连接不上服务器";
            break;
        case ClipFailure::ConnectionLost:
            text = "播放中断：与服务器的连接断开了";
            break;
        case ClipFailure::MissingDecoder:
            text = "无法播放：缺少这种媒体格式的解码器";
            break;
        case ClipFailure::RefusedAddress:
            return std::string(kRefusedClipMessage);
    }
    if (httpStatus != 0) text += "（HTTP " + std::to_string(httpStatus) + "）";
    return text;
}

}  // namespace lorvex
