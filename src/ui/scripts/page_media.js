// Reports the page's HTML5 <video> and <audio> elements to the desktop's media controls:
// play, pause, end, length, position and volume of each, and applies the desktop's
// commands to the element they name. Runs after players.js in its world of its own (the
// page's scripts see none of it), in the main view's top frame, over players.js's channel.
(function () {
    'use strict';
    if (window.lorvexPageMedia || !window.lorvexPlayersCall) return;
    window.lorvexPageMedia = true;

    var call = window.lorvexPlayersCall;
    var token = window.lorvexDocumentToken;
    var ids = new WeakMap();     // element -> number
    var elements = new Map();    // number -> element
    var nextId = 1;
    var lastPosition = new Map();  // number -> when its position was last reported

    function idOf(element) {
        if (!ids.has(element)) {
            ids.set(element, nextId);
            elements.set(nextId, element);
            nextId += 1;
        }
        return ids.get(element);
    }

    function report(element, playing) {
        var id = idOf(element);
        var state = playing ? 'playing' : element.ended ? 'ended' : element.paused ? 'paused'
                                                                                  : 'playing';
        var text = JSON.stringify({
            state: state,
            duration: isFinite(element.duration) ? element.duration : -1,
            position: element.currentTime || 0,
            volume: element.muted ? 0 : element.volume,
            seekable: element.seekable.length > 0,
        });
        lastPosition.set(id, Date.now());
        call(function (b) { b.media(token, id, text); });
    }

    // Media events do not bubble: they are caught on their way down.
    ['play', 'playing', 'pause', 'ended', 'durationchange', 'volumechange', 'seeked']
        .forEach(function (type) {
            document.addEventListener(type, function (event) {
                if (event.target instanceof HTMLMediaElement) {
                    report(event.target, type === 'play' || type === 'playing');
                }
            }, true);
        });
    // The position, for the desktop's reading of it: about once a second.
    document.addEventListener('timeupdate', function (event) {
        var element = event.target;
        if (!(element instanceof HTMLMediaElement)) return;
        if (Date.now() - (lastPosition.get(idOf(element)) || 0) >= 1000) report(element, false);
    }, true);

    call(function (b) {
        b.mediaCommand.connect(function (id, name, value) {
            var element = elements.get(id);
            if (!element || !element.isConnected) return;
            if (name === 'play') {
                var started = element.play();
                if (started && started.catch) started.catch(function () {});
            } else if (name === 'pause') {
                element.pause();
            } else if (name === 'stop') {
                element.pause();
                element.currentTime = 0;
            } else if (name === 'seek') {
                element.currentTime = Math.max(0, value / 1000);
            } else if (name === 'volume') {
                element.volume = Math.min(1, Math.max(0, value / 100));
            }
        });
    });
})();
