#include "ui/mpris/MprisPlayer.h"

#include <algorithm>
#include <cmath>

#include "ui/mpris/MprisService.h"

namespace lorvex {

MprisPlayer::MprisPlayer(MprisService* service)
    : QDBusAbstractAdaptor(service), service_(service) {}

QString MprisPlayer::PlaybackStatus() const {
    switch (service_->Now().status) {
        case NowPlayingStatus::Playing:
            return QStringLiteral("Playing");
        case NowPlayingStatus::Paused:
            return QStringLiteral("Paused");
        case NowPlayingStatus::Stopped:
            break;
    }
    return QStringLiteral("Stopped");
}

QVariantMap MprisPlayer::Metadata() const { return service_->Metadata(); }

double MprisPlayer::Volume() const {
    const int volume = service_->Now().volume;
    return volume < 0 ? 1.0 : volume / 100.0;
}

void MprisPlayer::SetVolume(double volume) {
    if (!std::isfinite(volume)) return;
    service_->Command(MediaCommand::SetVolume, std::lround(std::clamp(volume, 0.0, 1.0) * 100));
}

qlonglong MprisPlayer::Position() const { return service_->PositionUs(); }

bool MprisPlayer::CanPlay() const { return service_->Now().canPlay; }
bool MprisPlayer::CanPause() const { return service_->Now().canPause; }
bool MprisPlayer::CanSeek() const { return service_->Now().canSeek; }

void MprisPlayer::Play() { service_->Command(MediaCommand::Play); }
void MprisPlayer::Pause() { service_->Command(MediaCommand::Pause); }

void MprisPlayer::PlayPause() {
    service_->Command(service_->Now().status == NowPlayingStatus::Playing ? MediaCommand::Pause
                                                                          : MediaCommand::Play);
}

void MprisPlayer::Stop() { service_->Command(MediaCommand::Stop); }

void MprisPlayer::Seek(qlonglong offset) {
    if (!CanSeek()) return;
    const qlonglong length = service_->Now().lengthUs;
    qlonglong target = service_->PositionUs() + offset;
    if (target < 0) target = 0;
    if (length > 0 && target > length)
        return;  // past the end: as the next track, of which there is none
    service_->Command(MediaCommand::SetPosition, target / 1000);
}

void MprisPlayer::SetPosition(const QDBusObjectPath& track, qlonglong position) {
    if (!CanSeek() || track.path() != service_->TrackId()) return;
    if (position < 0 || (service_->Now().lengthUs > 0 && position > service_->Now().lengthUs))
        return;
    service_->Command(MediaCommand::SetPosition, position / 1000);
}

}  // namespace lorvex
