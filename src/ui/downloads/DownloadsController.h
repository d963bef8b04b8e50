// Downloads: a download that a page starts in any view (the profile's downloadRequested)
// first asks the user where to save it, offering the user's download folder and the file
// name the server suggests. Nothing is saved without the user's answer: a declined
// download is dropped. An accepted one gets a window of its own (DownloadWindow). When the
// engine starts a download over, it asks again under the same number: that request goes
// into the same file and window without a question.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QWebEngineDownloadRequest;
class QWebEngineProfile;
class QWidget;

namespace lorvex {

class DownloadWindow;

// Asks where to save: `suggested` is the path offered (folder and file name). Returns the
// path chosen, or an empty string when the user declines.
using SaveDialog = std::function<QString(QWidget* parent, const QString& suggested)>;

// The real question: a file dialog over `parent` that asks again before replacing a file.
QString AskSavePath(QWidget* parent, const QString& suggested);

class DownloadsController : public QObject {
    Q_OBJECT
  public:
    // `windowParent` is the parent of the dialog and of the download windows (they stay
    // above it) and owns the controller. Without `askSavePath` the real dialog asks.
    DownloadsController(QWebEngineProfile* profile, QWidget* windowParent,
                        SaveDialog askSavePath = {});

    // The download windows still open, oldest first.
    QList<DownloadWindow*> Windows() const;

  private:
    void Requested(QWebEngineDownloadRequest* download);

    QWidget* windowParent_;
    SaveDialog askSavePath_;
    QList<QPointer<DownloadWindow>> windows_;
};

}  // namespace lorvex
