// The box of one player element, laid over the element in the page: the clip's picture
// (painted from the player's frames, kept in proportion on black), a control bar in the
// portal's colours (play/pause, stop, seek with time, mute, volume), or both, and the
// player's message when it cannot play. A double-click on the picture shows the box alone
// in a window covering the screen, as a page's full screen does; Esc or another
// double-click brings it back over its element.
#pragma once

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QSlider>
#include <QToolButton>
#include <QVideoFrame>
#include <QWidget>

#include "core/media/players.h"
#include "ui/media/MediaPlayback.h"

namespace lorvex {

class PlayerBox : public QWidget {
    Q_OBJECT
  public:
    // `bar`: what the control bar holds, when the box has one.
    PlayerBox(MediaPlayback* playback, BoxContent content, BarControls bar, QWidget* parent);
    ~PlayerBox() override;

    // What the box shows, as the element's markup asks (before the clip is known to be
    // sound only).
    void SetContent(BoxContent content);
    BoxContent Content() const { return shown_; }
    // Whether this box paints the player's picture (a player has one such box).
    void SetPictureSource(bool source);

    // Full screen: the box moves into a window covering the screen and back.
    void EnterFullScreen();
    void LeaveFullScreen();
    bool InFullScreen() const { return screen_ != nullptr; }

    // Frames painted since the box was made; for tests and the benchmark.
    int PaintedFrames() const { return paintedFrames_; }
    QString MessageText() const { return message_->text(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Relayout();
    QRect PictureArea() const;               // the box above its control bar
    QRect PictureTarget(QSize frame) const;  // where a frame of that size shows in it
    void ShowState();
    void ShowTime(qint64 position);

    QPointer<MediaPlayback> playback_;
    BoxContent asked_;
    BarControls controls_;
    BoxContent shown_ = BoxContent::Nothing;
    bool pictureSource_ = false;
    QVideoFrame frame_;  // made an image when painted, at most once
    QRect target_;       // where the last frame was asked to be painted
    int paintedFrames_ = 0;
    qint64 shownSecond_ = -1;  // the time the bar shows
    qint64 shownDuration_ = -1;
    QWidget* bar_;
    QHBoxLayout* row_;
    QToolButton* playPause_;
    QToolButton* stop_;
    QSlider* seek_;
    QLabel* time_;
    QToolButton* mute_;
    QSlider* volume_;
    QLabel* message_;
    bool seeking_ = false;
    QPointer<QWidget> screen_;  // the full screen's window
    QPointer<QWidget> home_;    // the view the box lies in otherwise
    QRect place_;               // and where, with its mask
    QRegion mask_;
};

}  // namespace lorvex
