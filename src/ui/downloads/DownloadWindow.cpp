#include "ui/downloads/DownloadWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>

namespace lorvex {

namespace {

constexpr int kTickMs = 1000;

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

QLabel* AddLabel(QVBoxLayout* layout, const char* name) {
    auto* label = new QLabel(layout->parentWidget());
    label->setObjectName(QString::fromLatin1(name));
    layout->addWidget(label);
    return label;
}

}  // namespace

DownloadWindow::DownloadWindow(QWebEngineDownloadRequest* download, const QString& path,
                               QWidget* parent)
    : QWidget(parent, Qt::Dialog), path_(path), fileName_(QFileInfo(path).fileName()) {
    setObjectName(QStringLiteral("download"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    name_ = AddLabel(layout, "fileName");
    name_->setText(fileName_);
    QFont bold = name_->font();
    bold.setBold(true);
    name_->setFont(bold);
    destination_ = AddLabel(layout, "destination");
    destination_->setText(QStringLiteral("保存到：") + QDir::toNativeSeparators(path));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("progressBar"));
    bar_->setTextVisible(false);
    layout->addWidget(bar_);
    progress_ = AddLabel(layout, "progress");
    speed_ = AddLabel(layout, "speed");
    state_ = AddLabel(layout, "state");
    button_ = new QPushButton(this);
    button_->setObjectName(QStringLiteral("button"));
    layout->addWidget(button_, 0, Qt::AlignRight);
    connect(button_, &QPushButton::clicked, this, [this] {
        if (status_.phase == DownloadPhase::InProgress) {
            Cancel();
        } else {
            close();
        }
    });
    setMinimumWidth(360);

    clock_.start();
    ticker_.setInterval(kTickMs);
    connect(&ticker_, &QTimer::timeout, this, &DownloadWindow::Follow);
    ticker_.start();
    Watch(download);
}

void DownloadWindow::Watch(QWebEngineDownloadRequest* download) {
    if (download_) disconnect(download_, nullptr, this, nullptr);
    download_ = download;
    id_ = download->id();
    connect(download, &QWebEngineDownloadRequest::receivedBytesChanged, this,
            &DownloadWindow::Follow);
    connect(download, &QWebEngineDownloadRequest::totalBytesChanged, this, &DownloadWindow::Follow);
    connect(download, &QWebEngineDownloadRequest::stateChanged, this, &DownloadWindow::Follow);
    Follow();
}

void DownloadWindow::Restarted(QWebEngineDownloadRequest* download) {
    if (status_.phase == DownloadPhase::InProgress) Watch(download);
}

DownloadWindow::~DownloadWindow() {
    if (status_.phase != DownloadPhase::InProgress) return;
    if (download_) {
        disconnect(download_, nullptr, this, nullptr);
        download_->cancel();
    }
    RemovePartialFile();
}

void DownloadWindow::Cancel() {
    if (download_ && status_.phase == DownloadPhase::InProgress) download_->cancel();
}

// Reads the download's counts and state.
void DownloadWindow::Follow() {
    if (status_.phase != DownloadPhase::InProgress) return;
    if (download_.isNull()) {
        End(DownloadPhase::Cancelled);
        return;
    }
    status_.received = download_->receivedBytes();
    status_.total = download_->totalBytes();
    meter_.Add(clock_.elapsed(), status_.received);
    status_.bytesPerSecond = meter_.BytesPerSecond();
    switch (download_->state()) {
        case QWebEngineDownloadRequest::DownloadCompleted:
            End(DownloadPhase::Completed);
            return;
        case QWebEngineDownloadRequest::DownloadCancelled:
            End(DownloadPhase::Cancelled);
            return;
        case QWebEngineDownloadRequest::DownloadInterrupted:
            status_.failureReason = static_cast<int>(download_->interruptReason());
            End(DownloadPhase::Failed);
            return;
        case QWebEngineDownloadRequest::DownloadRequested:
        case QWebEngineDownloadRequest::DownloadInProgress:
            break;
    }
    Refresh();
}

void DownloadWindow::End(DownloadPhase phase) {
    status_.phase = phase;
    ticker_.stop();
    if (phase != DownloadPhase::Completed) RemovePartialFile();
    Refresh();
}

void DownloadWindow::Refresh() {
    const DownloadTexts texts = DescribeDownload(status_, fileName_.toStdString());
    setWindowTitle(FromUtf8(texts.title));
    progress_->setText(FromUtf8(texts.progress));
    speed_->setText(FromUtf8(texts.speed));
    speed_->setVisible(!texts.speed.empty());
    state_->setText(FromUtf8(texts.state));
    button_->setText(FromUtf8(texts.button));
    const std::optional<int> percent = DownloadPercent(status_.received, status_.total);
    if (status_.phase == DownloadPhase::Completed) {
        bar_->setRange(0, 100);
        bar_->setValue(100);
    } else if (percent) {
        bar_->setRange(0, 100);
        bar_->setValue(*percent);
    } else if (status_.phase == DownloadPhase::InProgress) {
        bar_->setRange(0, 0);  // a busy bar: the total is unknown
    } else {
        bar_->setRange(0, 100);
        bar_->setValue(0);
    }
}

void DownloadWindow::RemovePartialFile() const {
    QFile::remove(path_ + QString::fromLatin1(kPartialFileSuffix));
}

}  // namespace lorvex
