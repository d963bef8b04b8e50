// The small window of one download: the file and where it goes, a progress bar, the bytes
// received of the total with the percentage, the speed, and what is happening. Its button
// cancels the download while it runs and closes the window once it has ended. The window
// belongs to its download: closing it, or the end of the program, cancels a download still
// running. A cancelled or failed download leaves no partly written file behind.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "core/downloads/download_progress.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QWebEngineDownloadRequest;

namespace lorvex {

// The engine writes a download into the file's name plus this until it is complete.
inline constexpr char kPartialFileSuffix[] = ".download";

class DownloadWindow : public QWidget {
    Q_OBJECT
  public:
    // Follows an accepted download that is being saved to `path`. `parent` keeps the window
    // above it.
    DownloadWindow(QWebEngineDownloadRequest* download, const QString& path, QWidget* parent);
    ~DownloadWindow() override;

    const DownloadStatus& Status() const { return status_; }
    const QString& Path() const { return path_; }
    // The engine's number of the download.
    quint32 Id() const { return id_; }

    // The engine starts a download over under the same number (a connection that ended
    // early, with no way to continue where it stopped) and hands it over as a new request:
    // the window follows that one from now on.
    void Restarted(QWebEngineDownloadRequest* download);

    // Asks the engine to stop the download; the window says so once it has.
    void Cancel();

  private:
    void Watch(QWebEngineDownloadRequest* download);
    void Follow();
    void Refresh();
    void End(DownloadPhase phase);
    void RemovePartialFile() const;

    QPointer<QWebEngineDownloadRequest> download_;
    quint32 id_ = 0;
    QString path_;
    QString fileName_;
    DownloadStatus status_;
    SpeedMeter meter_;
    QElapsedTimer clock_;
    QTimer ticker_;  // the speed goes on changing while no bytes arrive

    QLabel* name_ = nullptr;
    QLabel* destination_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* progress_ = nullptr;
    QLabel* speed_ = nullptr;
    QLabel* state_ = nullptr;
    QPushButton* button_ = nullptr;
};

}  // namespace lorvex
