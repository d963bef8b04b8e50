// Downloads: a download that a page of a view the user sees starts (the profile's
// downloadRequested) first asks the user where to save it, in the user's download folder
// under a clean form of the name the page or server suggests (CleanSaveName). Nothing is
// saved without the user's answer, and nothing anywhere else than the user chose:
// - the hidden pop-up host, and any page the client does not show, never asks: its
//   downloads are refused silently;
// - one question at a time: downloads that arrive while it is open are refused;
// - after the user declines, that page asks no more until it shows a new document;
// - once the program is ending, nothing more is asked or accepted.
// An accepted download gets a window of its own (DownloadWindow). When the engine starts a
// download over, it asks again under the same number: that request goes into the same file
// and window without a question.
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

class QWebEngineDownloadRequest;
class QWebEnginePage;
class QWebEngineProfile;
class QWidget;

namespace lorvex {

class DownloadWindow;

// Asks where to save: `suggested` is the path offered (folder and file name). Returns the
// path chosen, or an empty string when the user declines.
using SaveDialog = std::function<QString(QWidget* parent, const QString& suggested)>;

// The number of the document `page` shows (it grows with each new document), or nothing when
// the page may not ask the user anything.
using AskingPages = std::function<std::optional<quint64>(const QWebEnginePage* page)>;

class DownloadsController : public QObject {
    Q_OBJECT
  public:
    // `windowParent` is the parent of the question and of the download windows (they stay
    // above it) and owns the controller; `blockedWhileAsking` (its content) takes no input
    // while the question is open. Without `askSavePath` the real question asks.
    DownloadsController(QWebEngineProfile* profile, QWidget* windowParent, AskingPages asking,
                        QList<QWidget*> blockedWhileAsking, SaveDialog askSavePath = {});

    // The download windows still open, oldest first.
    QList<DownloadWindow*> Windows() const;
    bool Asking() const { return asking_; }

    // The program ends: nothing more is asked or accepted, an open question gives way, and
    // every download still running is cancelled with its partial file removed.
    void EndAll();

  private:
    void Requested(QWebEngineDownloadRequest* download);
    bool Restarted(QWebEngineDownloadRequest* download);
    void Ask(QWebEngineDownloadRequest* download, const QWebEnginePage* page, quint64 document);
    // Whether `path` is free for a new download: no download running writes there, and
    // the engine's partial file beside it would replace nothing of the user's.
    bool PathFree(const QString& path) const;

    QWebEngineProfile* profile_;
    QWidget* windowParent_;
    AskingPages askingPages_;
    SaveDialog askSavePath_;
    QList<QPointer<DownloadWindow>> windows_;
    // The document each page showed when the user last declined one of its downloads.
    QHash<const QWebEnginePage*, quint64> declined_;
    bool asking_ = false;
    bool ended_ = false;
};

}  // namespace lorvex
