#include "FavouritesWindow.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

namespace lorvex::testing {

void FavouritesWindow::UseDocuments(const QString& name, const std::optional<QByteArray>& content) {
    documents = home.path() + QLatin1Char('/') + name;
    if (content) QVERIFY(WriteBytes(FilePath(), *content));
}

bool FavouritesWindow::SideColumnStaysPut(const std::function<void()>& action) {
    BrowserView* side = Window().SideColumn();
    const std::string before = side->LocationURL();
    QSignalSpy started(side, &QWebEngineView::loadStarted);
    action();
    // A document the handler writes starts loading before it returns; a script run after
    // it answers only once any load already started has reported itself.
    Evaluate(side, QStringLiteral("0"));
    return started.isEmpty() && !side->DocumentIsOpen() && side->LocationURL() == before;
}

bool FavouritesWindow::MainViewShowsAfter(const std::function<void()>& action,
                                          const QString& shownAs) {
    QSignalSpy loaded(Window().MainView(), &QWebEngineView::loadFinished);
    action();
    return WaitUntil([&] {
        return !loaded.isEmpty() && Window().MainView()->LocationURL() == shownAs.toStdString();
    });
}

bool FavouritesWindow::PlayInMainView(const QString& address, const QString& shownAs) {
    return MainViewShowsAfter([&] { Window().MainView()->Navigate(address); }, shownAs);
}

void FavouritesWindow::ClickFirstSongLinkInSideColumn() {
    const QString link = QStringLiteral("document.querySelector('a[target=_blank]')");
    WaitUntil([&] { return Evaluate(Window().SideColumn(), link + " !== null").toBool(); });
    Evaluate(Window().SideColumn(), link + ".click()");
}

std::vector<LibraryRow> FavouritesWindow::LibraryRows() {
    const QString json = Evaluate(Window().SideColumn(), QStringLiteral(R"(
            JSON.stringify(Array.from(document.querySelectorAll('td[width="209"]')).map(td => ({
                text: td.innerText,
                hrefs: Array.from(td.parentNode.querySelectorAll('a'))
                           .map(a => a.getAttribute('href'))
            })))
        )"))
                             .toString();
    std::vector<LibraryRow> rows;
    for (const QJsonValue value : QJsonDocument::fromJson(json.toUtf8()).array()) {
        LibraryRow row{value[QLatin1String("text")].toString(), {}};
        for (const QJsonValue href : value[QLatin1String("hrefs")].toArray()) {
            row.hrefs << href.toString();
        }
        rows.push_back(row);
    }
    return rows;
}

int FavouritesWindow::EvaluateInt(const QString& script) {
    return Evaluate(Window().SideColumn(), script).toInt();
}

}  // namespace lorvex::testing
