// What the players' page script may call, over the web channel of its own script world:
// offer an element, report where an element is, report that it left. Nothing else of the
// client is reachable from the page; the page's own scripts (another world) see none of it.
#pragma once

#include <QObject>
#include <QRectF>
#include <QString>
#include <QVariantList>

namespace lorvex {

class PlayerPageBridge : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // The names the page scripts call and listen to are in the scripts' own style.
    // NOLINTBEGIN(readability-identifier-naming)

    // An <object> or <embed> of the page `document` (the script's token for it), as JSON:
    // {key, tag, attributes: [[name, value]...], params: [[name, value]...], enclosing, page,
    // document (the address of the element's own document: the page's, or a frame's)}.
    Q_INVOKABLE void offer(const QString& document, const QString& element) {
        emit Offered(document, element);
    }
    // Where the element is in the page's viewport, in CSS pixels, and the part of the
    // viewport it may show in, [x, y, width, height] (the viewport without its scroll bars,
    // within the frames it is in); `shown` false while it takes no room (hidden, not
    // displayed). (A web channel call carries ten arguments at most.)
    Q_INVOKABLE void place(const QString& document, int key, double x, double y, double width,
                           double height, bool shown, const QVariantList& clip) {
        if (clip.size() != 4) return;
        emit Placed(
            document, key, QRectF(x, y, width, height), shown,
            QRectF(clip[0].toDouble(), clip[1].toDouble(), clip[2].toDouble(), clip[3].toDouble()));
    }
    Q_INVOKABLE void remove(const QString& document, int key) { emit Removed(document, key); }
    // A call of the page's scripts on a player element: play, pause, stop, seek (ms),
    // volume (0..100), mute (0 or 1), url (a new clip, as the page wrote it).
    Q_INVOKABLE void command(const QString& document, int key, const QString& name,
                             const QString& value) {
        emit Commanded(document, key, name, value);
    }

    // The page's HTML5 media element `id` (page_media.js's number for it), as JSON:
    // {state: "playing"|"paused"|"ended", duration, position (s; duration -1 unknown),
    // volume (0..1), seekable}.
    Q_INVOKABLE void media(const QString& document, int id, const QString& state) {
        emit MediaReported(document, id, state);
    }

  signals:
    // To page_media.js: the desktop's command for the media element `id`: play, pause,
    // stop, seek (`value` in ms), volume (`value` 0..100).
    void mediaCommand(int id, const QString& name, double value);
    // To the page script: what the element became ("box": the client's box shows over it;
    // "hidden": part of a player shown elsewhere; "silent": a player with no box; "none": no
    // player), and the kind of player it is part of ("wmp64", "wmp", "real"; empty for none).
    void placed(int key, const QString& role, const QString& kind);
    // To the page script: the element's player's state, as JSON: {playState, position,
    // duration (ms), at (ms since 1970: when the position was read), running (playing: the
    // position goes on by the time since `at`), volume, mute, url}.
    void status(int key, const QString& state);
    // NOLINTEND(readability-identifier-naming)

    // To the client.
    void Offered(const QString& document, const QString& element);
    void Placed(const QString& document, int key, const QRectF& box, bool shown,
                const QRectF& clip);
    void Removed(const QString& document, int key);
    void Commanded(const QString& document, int key, const QString& name, const QString& value);
    void MediaReported(const QString& document, int id, const QString& state);
};

}  // namespace lorvex
