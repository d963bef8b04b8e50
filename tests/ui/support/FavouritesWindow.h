// A main window on the in-process demo portal for the favourites tests: a documents folder
// to choose per test, and what the side column and the main view show.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "UiTestSupport.h"

namespace lorvex::testing {

// One record row of the library page as the browser sees it.
struct LibraryRow {
    QString text;
    QStringList hrefs;  // as written in the page, not resolved
};

class FavouritesWindow : public PortalWindow {
  public:
    MainWindow& Window() { return *window; }
    QString Origin() const { return portal.Origin(); }
    QString FilePath() const { return documents + QStringLiteral("/lorvex.ini"); }

    // Points the window at a fresh documents folder holding `content` as its favourites
    // file, or no file (and no folder) at all.
    void UseDocuments(const QString& name, const std::optional<QByteArray>& content);
    // Runs `action` and checks the side column neither starts a load nor changes address.
    bool SideColumnStaysPut(const std::function<void()>& action);
    // Runs `action` and waits until the main view has loaded and shows `shownAs`.
    bool MainViewShowsAfter(const std::function<void()>& action, const QString& shownAs);
    // Loads an address into the main view and waits until it shows it.
    bool PlayInMainView(const QString& address, const QString& shownAs);
    // Clicks the first link that opens a new window in the side column's page.
    void ClickFirstSongLinkInSideColumn();
    // The rows of the library page in the side column.
    std::vector<LibraryRow> LibraryRows();
    int EvaluateInt(const QString& script);
};

}  // namespace lorvex::testing
