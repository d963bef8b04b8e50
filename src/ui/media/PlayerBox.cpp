#include "ui/media/PlayerBox.h"

#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QShortcut>
#include <QVBoxLayout>
#include <QVideoFrame>

namespace lorvex {

namespace {

constexpr int kBarHeight = 26;

// The portal's blue and white.
constexpr char kBarStyle[] =
    "QWidget#controlBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #3a62b8, "
    "stop:1 #204090); }"
    "QToolButton { color: white; background: transparent; border: none; padding: 0 3px; "
    "font-size: 12px; }"
    "QToolButton:hover { background: #4a72c8; }"
    "QToolButton:checked { background: #0c2460; }"
    "QLabel { color: white; font-size: 11px; }"
    "QSlider::groove:horizontal { height: 4px; background: #0c2460; }"
    "QSlider::sub-page:horizontal { background: #9cb8f0; }"
    "QSlider::handle:horizontal { width: 8px; margin: -4px 0; background: white; }";

QString Clock(qint64 ms) {
    const qint64 seconds = std::max<qint64>(ms, 0) / 1000;
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

bool HasPicture(BoxContent content) {
    return content == BoxContent::Picture || content == BoxContent::PictureAndControlBar;
}
bool HasBar(BoxContent content) {
    return content == BoxContent::ControlBar || content == BoxContent::PictureAndControlBar;
}

QToolButton* Button(const QString& text, const QString& tip, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(tip);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

}  // namespace

// NOLINTNEXTLINE(readability-function-size): one straight sequence of steps, read top to bottom
PlayerBox::PlayerBox(MediaPlayback* playback, BoxContent content, BarControls bar, QWidget* parent)
    : QWidget(parent),
      playback_(playback),
      asked_(content),
      controls_(bar),
      bar_(new QWidget(this)),
      row_(new QHBoxLayout(bar_)),
      playPause_(Button(QStringLiteral("▶"), QStringLiteral("播放"), bar_)),
      stop_(Button(QStringLiteral("■"), QStringLiteral("停止"), bar_)),
      seek_(new QSlider(Qt::Horizontal, bar_)),
      time_(new QLabel(bar_)),
      mute_(Button(QStringLiteral("静音"), QStringLiteral("静音"), bar_)),
      volume_(new QSlider(Qt::Horizontal, bar_)),
      message_(new QLabel(this)) {
    setObjectName(QStringLiteral("playerBox"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    bar_->setObjectName(QStringLiteral("controlBar"));
    bar_->setAttribute(Qt::WA_StyledBackground);
    bar_->setStyleSheet(QString::fromLatin1(kBarStyle));
    seek_->setObjectName(QStringLiteral("seek"));
    seek_->setFocusPolicy(Qt::NoFocus);
    volume_->setObjectName(QStringLiteral("volume"));
    volume_->setFocusPolicy(Qt::NoFocus);
    volume_->setRange(0, 100);
    volume_->setFixedWidth(50);
    row_->setContentsMargins(2, 0, 4, 0);
    row_->setSpacing(2);
    row_->addWidget(playPause_);
    row_->addWidget(stop_);
    row_->addWidget(seek_, 1);
    // Without the seek slider, the controls after it keep to the right.
    row_->addStretch(controls_.seek ? 0 : 1);
    row_->addWidget(time_);
    row_->addWidget(mute_);
    row_->addWidget(volume_);
    playPause_->setVisible(controls_.playPause);
    stop_->setVisible(controls_.stop);
    seek_->setVisible(controls_.seek);
    time_->setVisible(controls_.time);
    mute_->setVisible(controls_.mute);
    volume_->setVisible(controls_.volume);
    message_->setObjectName(QStringLiteral("message"));
    message_->setAlignment(Qt::AlignCenter);
    message_->setWordWrap(true);
    message_->setStyleSheet(QStringLiteral("color: white; font-size: 12px; padding: 6px;"));
    message_->hide();

    connect(playPause_, &QToolButton::clicked, this, [this] {
        if (!playback_) return;
        if (playback_->State() == PlaybackState::Playing ||
            playback_->State() == PlaybackState::Buffering) {
            playback_->Pause();
        } else {
            playback_->Play();
        }
    });
    connect(stop_, &QToolButton::clicked, this, [this] {
        if (playback_) playback_->Stop();
    });
    connect(seek_, &QSlider::sliderPressed, this, [this] { seeking_ = true; });
    connect(seek_, &QSlider::sliderReleased, this, [this] {
        seeking_ = false;
        if (playback_) playback_->SetPosition(seek_->value());
    });
    connect(seek_, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove && playback_) {
            playback_->SetPosition(seek_->sliderPosition());
        }
    });
    connect(mute_, &QToolButton::clicked, this, [this] {
        if (playback_) playback_->SetMuted(!playback_->Muted());
    });
    connect(volume_, &QSlider::valueChanged, this, [this](int value) {
        if (playback_ && value != playback_->Volume()) playback_->SetVolume(value);
    });
    connect(playback, &MediaPlayback::StateChanged, this, [this] { ShowState(); });
    connect(playback, &MediaPlayback::MessageChanged, this, [this] { ShowState(); });
    connect(playback, &MediaPlayback::PositionChanged, this, [this](qint64 ms) { ShowTime(ms); });
    connect(playback, &MediaPlayback::DurationChanged, this, [this] {
        if (playback_) ShowTime(playback_->Position());
    });
    connect(playback, &MediaPlayback::VolumeChanged, this, [this] {
        if (!playback_) return;
        volume_->setValue(playback_->Volume());
        mute_->setChecked(playback_->Muted());
        mute_->setToolTip(playback_->Muted() ? QStringLiteral("取消静音") : QStringLiteral("静音"));
    });
    mute_->setCheckable(true);
    volume_->setValue(playback->Volume());
    SetContent(content);
    ShowState();
    ShowTime(playback->Position());
}

void PlayerBox::SetContent(BoxContent content) {
    asked_ = content;
    const bool audioOnly = playback_ && playback_->Address().isValid() &&
                           IsAudioOnlyClip(playback_->Address().toString().toStdString());
    shown_ = ShownContent(asked_, audioOnly);
    Relayout();
}

void PlayerBox::SetPictureSource(bool source) {
    if (source == pictureSource_ || !playback_) return;
    pictureSource_ = source;
    if (source) {
        connect(playback_->Sink(), &QVideoSink::videoFrameChanged, this,
                [this](const QVideoFrame& frame) {
                    if (!HasPicture(shown_)) return;
                    frame_ = frame;
                    ++paintedFrames_;
                    // The picture only: the control bar below it stays as it is, and so
                    // does the black around a picture of the same size in the same place.
                    const QRect target = frame.isValid() ? PictureTarget(frame.size()) : QRect();
                    update(!target.isEmpty() && target == target_ ? target : PictureArea());
                    target_ = target;
                });
    } else {
        disconnect(playback_->Sink(), nullptr, this, nullptr);
        frame_ = {};
    }
}

void PlayerBox::Relayout() {
    bar_->setVisible(HasBar(shown_));
    const int barHeight = HasBar(shown_) ? std::min(kBarHeight, height()) : 0;
    bar_->setGeometry(0, height() - barHeight, width(), barHeight);
    message_->setGeometry(0, 0, width(), std::max(height() - barHeight, barHeight));
    target_ = {};
    update();
}

void PlayerBox::ShowState() {
    if (!playback_) return;
    const PlaybackState state = playback_->State();
    const bool playing = state == PlaybackState::Playing || state == PlaybackState::Buffering;
    playPause_->setText(playing ? QStringLiteral("❚❚") : QStringLiteral("▶"));
    playPause_->setToolTip(playing ? QStringLiteral("暂停") : QStringLiteral("播放"));
    const QString message = playback_->Message();
    message_->setText(message);
    message_->setVisible(!message.isEmpty());
    if (!message.isEmpty()) message_->raise();
    if (state == PlaybackState::Closed || state == PlaybackState::Stopped ||
        state == PlaybackState::Ended) {
        frame_ = {};
        update();
    }
    SetContent(asked_);
}

void PlayerBox::ShowTime(qint64 position) {
    if (!playback_) return;
    // Whole seconds: the time and the slider change once a second as the clip plays, not
    // with every position the player gives.
    const qint64 duration = std::max<qint64>(playback_->Duration(), 0);
    position = std::max<qint64>(position, 0);
    if (position / 1000 == shownSecond_ && duration == shownDuration_) return;
    shownSecond_ = position / 1000;
    shownDuration_ = duration;
    seek_->setEnabled(duration > 0);
    seek_->setRange(0, static_cast<int>(duration));
    if (!seeking_) seek_->setValue(static_cast<int>(position));
    time_->setText(Clock(position) + u'/' + Clock(duration));
}

void PlayerBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QImage picture = HasPicture(shown_) && frame_.isValid() ? frame_.toImage() : QImage();
    if (picture.isNull()) {
        painter.fillRect(event->rect(), Qt::black);
        return;
    }
    // Black around the picture, the picture unscaled when it fits as it is.
    const QRect target = PictureTarget(picture.size());
    for (const QRect& around : event->region().subtracted(target)) {
        painter.fillRect(around, Qt::black);
    }
    if (target.size() != picture.size()) painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, picture);
}

QRect PlayerBox::PictureArea() const {
    const int barHeight = HasBar(shown_) ? bar_->height() : 0;
    return {0, 0, width(), height() - barHeight};
}

QRect PlayerBox::PictureTarget(QSize frame) const {
    const QRect area = PictureArea();
    frame.scale(area.size(), Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), frame);
    target.moveCenter(area.center());
    return target;
}

void PlayerBox::resizeEvent(QResizeEvent*) { Relayout(); }

void PlayerBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!HasPicture(shown_) || bar_->geometry().contains(event->position().toPoint())) return;
    if (InFullScreen()) {
        LeaveFullScreen();
    } else {
        EnterFullScreen();
    }
}

void PlayerBox::EnterFullScreen() {
    if (InFullScreen()) return;
    home_ = parentWidget();
    place_ = geometry();
    mask_ = mask();
    auto* screen = new QWidget(nullptr, Qt::Window);
    screen->setObjectName(QStringLiteral("playerFullScreen"));
    screen->setStyleSheet(QStringLiteral("background: black;"));
    if (home_ != nullptr) {
        screen->setWindowTitle(home_->window()->windowTitle());
        screen->setWindowIcon(home_->window()->windowIcon());
    }
    auto* layout = new QVBoxLayout(screen);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), screen);
    connect(escape, &QShortcut::activated, this, &PlayerBox::LeaveFullScreen);
    // Closed by the window manager: back over the element.
    screen->installEventFilter(this);
    screen_ = screen;
    clearMask();
    layout->addWidget(this);
    show();
    screen->showFullScreen();
    screen->activateWindow();
    setFocus(Qt::OtherFocusReason);
}

PlayerBox::~PlayerBox() {
    if (screen_ != nullptr) screen_->deleteLater();
}

bool PlayerBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == screen_ && event->type() == QEvent::Close) {
        event->ignore();
        LeaveFullScreen();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void PlayerBox::LeaveFullScreen() {
    QWidget* screen = screen_.data();
    screen_ = nullptr;
    if (home_ == nullptr) return;
    setParent(home_);
    setGeometry(place_);
    if (!mask_.isEmpty()) setMask(mask_);
    show();
    raise();
    if (screen != nullptr) {
        screen->hide();
        screen->deleteLater();
    }
    home_->window()->activateWindow();
}

}  // namespace lorvex
