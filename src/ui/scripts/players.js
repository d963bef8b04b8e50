// Hands every <object> and <embed> of the main view's portal pages to the client's players
// (once the parser has given it its <param>s), hides what the client's box replaces, and
// reports where each element with a box is, so the box sits exactly over it: after
// scrolling, resizing, zooming, and any change of the page. Elements in the page's frames
// of its own origin (<iframe>, <frame>, nested) are handed over too, their places offset by
// their frames' and clipped to them. Injected at document creation into the top frame
// only, in a world of its own (the page's scripts see none of it), after qwebchannel.js,
// over whose channel it talks to the client (PlayerPageBridge).
(function () {
    'use strict';
    if (window.lorvexPlayers) return;
    window.lorvexPlayers = true;

    var documentToken = Math.random().toString(36).slice(2) + Date.now().toString(36);
    var keys = new Map();      // element -> key
    var boxed = new Map();     // key -> element with a box
    var reported = new Map();  // key -> the last place reported
    var nextKey = 1;
    var bridge = null;
    var waiting = [];          // calls made before the channel was up

    function call(action) {
        if (bridge) action(bridge);
        else waiting.push(action);
    }

    // For page_media.js, which follows in this world and talks over the same channel.
    window.lorvexPlayersCall = call;
    window.lorvexDocumentToken = documentToken;

    new QWebChannel(qt.webChannelTransport, function (channel) {
        bridge = channel.objects.players;
        bridge.placed.connect(placed);
        bridge.status.connect(status);
        waiting.splice(0).forEach(function (action) { action(bridge); });
    });

    function pairs(list) {
        var result = [];
        for (var i = 0; i < list.length; ++i) result.push([list[i].name, list[i].value]);
        return result;
    }

    function offer(element) {
        if (keys.has(element)) return;
        var key = nextKey++;
        keys.set(element, key);
        var enclosing = 0;
        for (var up = element.parentElement; up; up = up.parentElement) {
            if (up.localName === 'object' && keys.has(up)) {
                enclosing = keys.get(up);
                break;
            }
        }
        var params = [];
        if (element.localName === 'object') {
            var children = element.children;
            for (var i = 0; i < children.length; ++i) {
                if (children[i].localName === 'param') {
                    params.push([children[i].getAttribute('name') || '',
                                 children[i].getAttribute('value') || '']);
                }
            }
        }
        var markup = JSON.stringify({
            key: key, tag: element.localName, attributes: pairs(element.attributes),
            params: params, enclosing: enclosing, page: location.href,
            document: element.ownerDocument.URL
        });
        call(function (b) { b.offer(documentToken, markup); });
    }

    function scan(root) {
        if (root.nodeType !== 1) return;
        if (root.localName === 'object' || root.localName === 'embed') offer(root);
        if (root.localName === 'iframe' || root.localName === 'frame') frame(root);
        var found = root.querySelectorAll('object, embed, iframe, frame');
        for (var i = 0; i < found.length; ++i) {
            if (found[i].localName === 'object' || found[i].localName === 'embed') {
                offer(found[i]);
            } else {
                frame(found[i]);
            }
        }
    }

    // The frames: each document shown in one is watched as the page's own is, from when it
    // is parsed; a frame showing another origin's page is out of reach, and plays nothing.
    var followed = new WeakSet();   // frame elements followed
    var watched = new WeakSet();    // their documents
    var frameResizes = new WeakMap();  // a frame's document -> its ResizeObserver
    function frame(element) {
        if (!followed.has(element)) {
            followed.add(element);
            element.addEventListener('load', function () { enter(element); });
        }
        enter(element);
    }
    function enter(element) {
        var doc = null;
        try {
            doc = element.contentDocument;
        } catch (e) {
        }
        if (!doc || watched.has(doc)) return;
        watched.add(doc);
        forgetGone();
        var win = doc.defaultView;
        var seen = false;
        function parsed() {
            if (seen || !doc.documentElement) return;
            seen = true;
            scan(doc.documentElement);
        }
        new MutationObserver(function (records) { changed(records, seen); })
            .observe(doc, {childList: true, subtree: true, attributes: true});
        doc.addEventListener('lorvexcommand', commanded, true);
        if (doc.readyState === 'loading') doc.addEventListener('DOMContentLoaded', parsed);
        else parsed();
        if (win) {
            win.addEventListener('scroll', schedule, true);
            win.addEventListener('resize', schedule);
            if (win.ResizeObserver) frameResizes.set(doc, new win.ResizeObserver(schedule));
        }
    }

    // Whether the element is still in a document that is still shown in the page.
    function alive(element) {
        if (!element.isConnected) return false;
        for (var win = element.ownerDocument.defaultView; win !== window; win = win.parent) {
            if (!win || !win.frameElement || !win.frameElement.isConnected) return false;
        }
        return true;
    }

    function size(value, fallback) {
        if (!value) return fallback;
        return /^\s*\d+(\.\d+)?\s*$/.test(value) ? value.trim() + 'px' : value;
    }

    // The client's box covers the element: it keeps its room in the page, its own content
    // (the engine's empty plug-in area, an <object>'s fallback) stays unseen.
    function elementOf(key) {
        var element = null;
        keys.forEach(function (k, e) { if (k === key) element = e; });
        return element;
    }

    function placed(key, role, kind) {
        var element = elementOf(key);
        if (!element) return;
        // The names the page's scripts use for it (player_names.js) follow this mark.
        element.setAttribute('data-lorvex-player', role === 'none' ? 'none' : kind);
        var style = element.style;
        if (role === 'hidden') {
            style.setProperty('display', 'none', 'important');
            return;
        }
        if (role !== 'box' && role !== 'silent') return;
        style.setProperty('display', 'inline-block', 'important');
        style.setProperty('visibility', 'hidden', 'important');
        style.setProperty('overflow', 'hidden', 'important');
        // An invisible player keeps the room the page gave it, and shows nothing.
        var box = role === 'box';
        style.setProperty('width', size(element.getAttribute('width'), box ? '320px' : '0'));
        style.setProperty('height', size(element.getAttribute('height'), box ? '240px' : '0'));
        if (!box) return;
        boxed.set(key, element);
        var observer = element.ownerDocument === document ? resizes
                                                          : frameResizes.get(element.ownerDocument);
        if (observer) observer.observe(element);
        schedule();
    }

    var scheduled = false;
    function schedule() {
        if (scheduled || boxed.size === 0) return;
        scheduled = true;
        requestAnimationFrame(measure);
    }

    // A document's viewport without its scroll bars, in its own coordinates.
    function viewport(doc) {
        var root = doc.compatMode === 'BackCompat' && doc.body ? doc.body : doc.documentElement;
        var win = doc.defaultView;
        return [0, 0, (root && root.clientWidth) || win.innerWidth,
                (root && root.clientHeight) || win.innerHeight];
    }
    function intersect(a, b) {
        var left = Math.max(a[0], b[0]);
        var top = Math.max(a[1], b[1]);
        var right = Math.min(a[0] + a[2], b[0] + b[2]);
        var bottom = Math.min(a[1] + a[3], b[1] + b[3]);
        return [left, top, Math.max(0, right - left), Math.max(0, bottom - top)];
    }

    // The element's rectangle in the page's viewport and the part of it where it may show:
    // through each frame it is in, offset by the frame's content box and clipped to it.
    function where(element) {
        var r = element.getBoundingClientRect();
        var box = [r.left, r.top, r.width, r.height];
        var clip = viewport(element.ownerDocument);
        for (var win = element.ownerDocument.defaultView; win !== window; win = win.parent) {
            var outer = win.frameElement;
            var f = outer.getBoundingClientRect();
            var style = outer.ownerDocument.defaultView.getComputedStyle(outer);
            var x = f.left + outer.clientLeft + parseFloat(style.paddingLeft || 0);
            var y = f.top + outer.clientTop + parseFloat(style.paddingTop || 0);
            box[0] += x;
            box[1] += y;
            clip = intersect([clip[0] + x, clip[1] + y, clip[2], clip[3]],
                             viewport(outer.ownerDocument));
        }
        return box.concat(clip);
    }

    function measure() {
        scheduled = false;
        boxed.forEach(function (element, key) {
            var shown = alive(element) && element.getClientRects().length > 0;
            var place = shown ? where(element) : [0, 0, 0, 0, 0, 0, 0, 0];
            var text = place.join(',') + shown;
            if (reported.get(key) === text) return;
            reported.set(key, text);
            call(function (b) {
                b.place(documentToken, key, place[0], place[1], place[2], place[3], shown,
                        place.slice(4));
            });
        });
    }

    // Elements that left the page: removed, or in a frame's document no longer shown.
    function forgetGone() {
        keys.forEach(function (key, element) {
            if (alive(element)) return;
            keys.delete(element);
            boxed.delete(key);
            reported.delete(key);
            call(function (b) { b.remove(documentToken, key); });
        });
    }

    // The player's state for the page's scripts, on the element (player_names.js reads it).
    function status(key, text) {
        var element = elementOf(key);
        if (!element) return;
        element.setAttribute('data-lorvex-status', text);
        element.dispatchEvent(new Event('lorvexstatus'));
    }

    // A call of the page's scripts on a player element (player_names.js).
    function commanded(event) {
        var element = event.target;
        if (!keys.has(element)) return;
        var text = element.getAttribute('data-lorvex-command');
        element.removeAttribute('data-lorvex-command');
        var command;
        try { command = JSON.parse(text); } catch (e) { return; }
        if (!Array.isArray(command) || command.length !== 2) return;
        var key = keys.get(element);
        call(function (b) { b.command(documentToken, key, String(command[0]), String(command[1])); });
    }
    document.addEventListener('lorvexcommand', commanded, true);

    var resizes = window.ResizeObserver ? new ResizeObserver(schedule) : null;
    // While the parser runs, an <object>'s <param>s may not be there yet: elements are
    // offered once the document is parsed, and at once after that.
    var parsed = false;
    // The marks this script and player_names.js put on the elements (a player's state
    // several times while it plays, the page's calls) move nothing.
    function ours(record) {
        return record.type === 'attributes' &&
               record.attributeName.lastIndexOf('data-lorvex-', 0) === 0;
    }
    function changed(records, offering) {
        var removals = false;
        var moved = false;
        records.forEach(function (record) {
            if (offering) record.addedNodes.forEach(scan);
            removals = removals || record.removedNodes.length > 0;
            moved = moved || !ours(record);
        });
        if (removals) forgetGone();
        if (moved) schedule();
    }
    new MutationObserver(function (records) { changed(records, parsed); })
        .observe(document, {childList: true, subtree: true, attributes: true});
    document.addEventListener('DOMContentLoaded', function () {
        parsed = true;
        scan(document.documentElement);
    });
    addEventListener('scroll', schedule, true);
    addEventListener('resize', schedule);
    addEventListener('load', schedule);
})();
