// Hands every <object> and <embed> of the main view's portal pages to the client's players
// (once the parser has given it its <param>s), hides what the client's box replaces, and
// reports where each element with a box is, so the box sits exactly over it: after
// scrolling, resizing, zooming, and any change of the page. Injected at document creation
// into the top frame only, in a world of its own (the page's scripts see none of it), after
// qwebchannel.js, over whose channel it talks to the client (PlayerPageBridge).
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
            params: params, enclosing: enclosing, page: location.href
        });
        call(function (b) { b.offer(documentToken, markup); });
    }

    function scan(root) {
        if (root.nodeType !== 1) return;
        if (root.localName === 'object' || root.localName === 'embed') offer(root);
        var found = root.querySelectorAll('object, embed');
        for (var i = 0; i < found.length; ++i) offer(found[i]);
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
        if (window.ResizeObserver) resizes.observe(element);
        schedule();
    }

    var scheduled = false;
    function schedule() {
        if (scheduled || boxed.size === 0) return;
        scheduled = true;
        requestAnimationFrame(measure);
    }

    function measure() {
        scheduled = false;
        var viewportWidth = document.documentElement.clientWidth || innerWidth;
        var viewportHeight = document.documentElement.clientHeight || innerHeight;
        boxed.forEach(function (element, key) {
            var shown = element.isConnected && element.getClientRects().length > 0;
            var r = element.getBoundingClientRect();
            var place = [r.left, r.top, r.width, r.height, shown, viewportWidth, viewportHeight];
            var text = place.join(',');
            if (reported.get(key) === text) return;
            reported.set(key, text);
            call(function (b) {
                b.place(documentToken, key, place[0], place[1], place[2], place[3], place[4],
                        place[5], place[6]);
            });
        });
    }

    function removed(node) {
        if (node.nodeType !== 1) return;
        var gone = [];
        if (keys.has(node)) gone.push(node);
        var inner = node.querySelectorAll('object, embed');
        for (var i = 0; i < inner.length; ++i) if (keys.has(inner[i])) gone.push(inner[i]);
        gone.forEach(function (element) {
            if (element.isConnected) return;
            var key = keys.get(element);
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
    document.addEventListener('lorvexcommand', function (event) {
        var element = event.target;
        if (!keys.has(element)) return;
        var text = element.getAttribute('data-lorvex-command');
        element.removeAttribute('data-lorvex-command');
        var command;
        try { command = JSON.parse(text); } catch (e) { return; }
        if (!Array.isArray(command) || command.length !== 2) return;
        var key = keys.get(element);
        call(function (b) { b.command(documentToken, key, String(command[0]), String(command[1])); });
    }, true);

    var resizes = window.ResizeObserver ? new ResizeObserver(schedule) : null;
    // While the parser runs, an <object>'s <param>s may not be there yet: elements are
    // offered once the document is parsed, and at once after that.
    var parsed = false;
    var changes = new MutationObserver(function (records) {
        records.forEach(function (record) {
            if (parsed) record.addedNodes.forEach(scan);
            record.removedNodes.forEach(removed);
        });
        schedule();
    });
    changes.observe(document, {childList: true, subtree: true, attributes: true});
    document.addEventListener('DOMContentLoaded', function () {
        parsed = true;
        scan(document.documentElement);
    });
    addEventListener('scroll', schedule, true);
    addEventListener('resize', schedule);
    addEventListener('load', schedule);
})();
