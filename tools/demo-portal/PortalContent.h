// Pages of the demo portal. This is a development and test tool, not part of the client.
//
// The content is kept free of any HTTP server type so it can be read (and changed) on its
// own: a request path and its raw query go in, status, content type and bytes come out.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

namespace lorvex::portal {

struct Song {
    int id;
    QString name;
    QString singer;
    QString kind;  // "wmv" or "rm": picks playwmv.asp or playrm.asp
    QString category;
};

// The made-up catalogue, in display order.
const QList<Song>& Songs();

struct Reply {
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;  // further headers (Set-Cookie, Location)
};

// The reply for `path` (decoded, e.g. "/33/search.asp") and its query exactly as sent
// (still percent-encoded; values are GBK bytes), given the request's Cookie header.
// Unknown paths give a 404 page.
Reply ReplyFor(const QString& path, const QByteArray& rawQuery, const QByteArray& cookies = {});

// A song's file, served as an attachment by down.asp?id=N: its name as the server suggests
// it, and its bytes. With cut=reset in the query the server stops sending halfway and resets
// the connection, as a broken line does; with cut=close it closes the connection in order,
// as a server that gives up does.
enum class Cut { None, Reset, Close };
struct Download {
    QString fileName;
    QByteArray body;
    Cut cut = Cut::None;
    QByteArray contentType = "application/octet-stream";
};
inline constexpr qsizetype kDownloadSize = qsizetype{3} * 1024 * 1024;
std::optional<Download> FindDownload(const QString& path, const QByteArray& rawQuery);

// A query parameter decoded the way the portal's ASP pages do it: %XX escapes become bytes
// and the bytes are read as GBK. '+' stays a literal plus sign. Missing gives "".
QString GbkQueryValue(const QByteArray& rawQuery, QByteArrayView name);

}  // namespace lorvex::portal
