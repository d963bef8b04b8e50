// The names the page's own scripts drive a player element by, as the players of the day
// gave them: Windows Media 7 and later (URL, controls, settings, currentMedia, playState,
// PlayStateChange), Windows Media 6.4 (FileName, Play, Pause, Stop, PlayState) and
// RealPlayer (SetSource, DoPlay, DoPause, DoStop, GetPlayState). Injected at document
// creation into the main view's frames, in the page's own world: the top frame and those
// of its origin, whose players the top frame's players.js finds too. players.js (in its
// own world) marks each element with the kind of player it is ("none" when it is none),
// keeps its state on it and carries the calls to the client. The element's id and name
// become globals and names of the document, one element each, as they were for these
// players.
//
// A player existed as soon as its element was parsed: a script right after it, or the
// page's onload, may call it before the client has said what it is. Until then every
// <object> and <embed> has the names of all three kinds, and the calls wait on it; once
// the answer comes, the element keeps its kind's names and its calls go, in order (an
// element that is no player loses the names, and its calls are dropped). Nothing else is
// offered to the page.
(function () {
    'use strict';
    try {
        if (window.top.location.origin !== location.origin) return;
    } catch (e) {
        return;  // another origin's frame
    }
    var getAttribute = Element.prototype.getAttribute;
    var setAttribute = Element.prototype.setAttribute;
    var dispatch = EventTarget.prototype.dispatchEvent;
    var parse = JSON.parse;
    var stringify = JSON.stringify;
    var clock = Date.now;
    var define = Object.defineProperty;
    var players = new WeakMap();  // element -> {kind, attached, scripts, waiting, url}
    var lastState = new WeakMap();

    function state(element) {
        try {
            return parse(getAttribute.call(element, 'data-lorvex-status') || '{}');
        } catch (e) {
            return {};
        }
    }
    function send(element, text) {
        setAttribute.call(element, 'data-lorvex-command', text);
        dispatch.call(element, new Event('lorvexcommand'));
    }
    function command(element, name, value) {
        var text = stringify([name, value === undefined ? '' : String(value)]);
        var own = players.get(element);
        if (own.kind) return send(element, text);
        own.waiting.push(text);
        if (name === 'url') own.url = String(value);
    }
    // The position in ms: the last one the client gave, and while the player runs, the
    // time since it was read (the client gives it anew only when this would be wrong).
    function position(element) {
        var given = state(element);
        var ms = given.position || 0;
        if (given.running && given.at) ms += Math.max(0, clock() - given.at);
        return given.duration > 0 ? Math.min(ms, given.duration) : ms;
    }
    function url(element) {
        return state(element).url || players.get(element).url;
    }
    function property(target, name, get, set) {
        define(target, name, {get: get, set: set, configurable: true, enumerable: true});
    }
    function method(target, name, call) {
        define(target, name, {value: call, writable: true, configurable: true, enumerable: true});
    }

    function names(element) {
        return [element.id, getAttribute.call(element, 'name')].filter(function (n) {
            return n;
        });
    }

    // <script for="Player" event="PlayStateChange(NewState)">, compiled once.
    function scriptHandlers(element) {
        var list = [];
        var ids = names(element);
        var scripts = document.querySelectorAll('script[for][event]');
        for (var i = 0; i < scripts.length; ++i) {
            var match = /^\s*PlayStateChange\s*\(\s*([A-Za-z_$][\w$]*)?\s*\)\s*$/i.exec(
                getAttribute.call(scripts[i], 'event'));
            if (!match || ids.indexOf(getAttribute.call(scripts[i], 'for')) < 0) continue;
            try {
                list.push(new Function(match[1] || 'NewState', scripts[i].text));
            } catch (e) {
                console.error(e);
            }
        }
        return list;
    }

    // Each kind's names on the element.
    var kinds = {
        wmp: function (element) {
            property(element, 'URL', function () { return url(element); },
                     function (value) { command(element, 'url', value); });
            property(element, 'playState', function () { return state(element).playState || 0; });
            var controls = {
                play: function () { command(element, 'play'); },
                pause: function () { command(element, 'pause'); },
                stop: function () { command(element, 'stop'); }
            };
            property(controls, 'currentPosition',
                     function () { return position(element) / 1000; },
                     function (value) { command(element, 'seek', Math.round(value * 1000)); });
            var settings = {};
            property(settings, 'volume', function () { return state(element).volume || 0; },
                     function (value) { command(element, 'volume', value); });
            property(settings, 'mute', function () { return !!state(element).mute; },
                     function (value) { command(element, 'mute', value ? 1 : 0); });
            var media = {};
            property(media, 'duration', function () { return (state(element).duration || 0) / 1000; });
            property(element, 'controls', function () { return controls; });
            property(element, 'settings', function () { return settings; });
            property(element, 'currentMedia', function () { return media; });
            return ['URL', 'playState', 'controls', 'settings', 'currentMedia'];
        },
        wmp64: function (element) {
            property(element, 'FileName', function () { return url(element); },
                     function (value) { command(element, 'url', value); });
            property(element, 'PlayState', function () { return state(element).playState || 0; });
            property(element, 'CurrentPosition',
                     function () { return position(element) / 1000; },
                     function (value) { command(element, 'seek', Math.round(value * 1000)); });
            property(element, 'Duration', function () { return (state(element).duration || 0) / 1000; });
            method(element, 'Play', function () { command(element, 'play'); });
            method(element, 'Pause', function () { command(element, 'pause'); });
            method(element, 'Stop', function () { command(element, 'stop'); });
            return ['FileName', 'PlayState', 'CurrentPosition', 'Duration', 'Play', 'Pause', 'Stop'];
        },
        real: function (element) {
            method(element, 'SetSource', function (value) { command(element, 'url', value); });
            method(element, 'GetSource', function () { return url(element); });
            method(element, 'DoPlay', function () { command(element, 'play'); });
            method(element, 'DoPause', function () { command(element, 'pause'); });
            method(element, 'DoStop', function () { command(element, 'stop'); });
            method(element, 'GetPlayState', function () { return state(element).playState || 0; });
            method(element, 'GetPosition', function () { return position(element); });
            method(element, 'GetLength', function () { return state(element).duration || 0; });
            return ['SetSource', 'GetSource', 'DoPlay', 'DoPause', 'DoStop', 'GetPlayState',
                    'GetPosition', 'GetLength'];
        }
    };

    // A name stands for the first element bearing it that is, or may be, a player.
    function giveName(name) {
        var holder = null;
        var found = document.querySelectorAll('object, embed');
        for (var i = 0; i < found.length && !holder; ++i) {
            var own = players.get(found[i]);
            if (own && own.kind !== 'none' && names(found[i]).indexOf(name) >= 0) holder = found[i];
        }
        [window, document].forEach(function (scope) {
            var current = Object.getOwnPropertyDescriptor(scope, name);
            var ours = current && current.value && players.has(current.value);
            if (current && current.value === holder) return;
            try {
                if (holder && (!current || ours)) {
                    define(scope, name, {value: holder, writable: true, configurable: true});
                } else if (!holder && ours) {
                    delete scope[name];
                }
            } catch (e) {
            }
        });
    }

    // An element of the page's, the moment it is there.
    function found(element) {
        if (players.has(element)) return;
        var own = {kind: '', attached: [], scripts: [], waiting: [], url: '', names: []};
        players.set(element, own);
        method(element, 'attachEvent', function (name, handler) {
            if (/^(on)?PlayStateChange$/i.test(String(name))) own.attached.push(handler);
            return true;
        });
        method(element, 'detachEvent', function (name, handler) {
            var at = own.attached.indexOf(handler);
            if (at >= 0) own.attached.splice(at, 1);
        });
        Object.keys(kinds).forEach(function (kind) {
            own.names = own.names.concat(kinds[kind](element));
        });
        names(element).forEach(giveName);
    }

    // The client's answer: the kind of player the element is, or "none".
    function answered(element) {
        var kind = getAttribute.call(element, 'data-lorvex-player');
        if (!kind) return;
        found(element);
        var own = players.get(element);
        if (own.kind) return;
        own.kind = kinds[kind] ? kind : 'none';
        var gone = own.kind === 'none' ? ['attachEvent', 'detachEvent'] : [];
        own.names.concat(gone).forEach(function (name) { delete element[name]; });
        names(element).forEach(giveName);
        if (own.kind === 'none') {
            own.waiting = [];
            return;
        }
        own.scripts = scriptHandlers(element);
        kinds[own.kind](element);
        own.waiting.splice(0).forEach(function (text) { send(element, text); });
    }

    function scan(node) {
        if (node.nodeType !== 1) return;
        if (node.localName === 'object' || node.localName === 'embed') found(node);
        var inner = node.querySelectorAll('object, embed');
        for (var i = 0; i < inner.length; ++i) found(inner[i]);
    }

    // The parser's elements reach this before any script after them runs.
    new MutationObserver(function (records) {
        records.forEach(function (record) {
            if (record.type === 'childList') record.addedNodes.forEach(scan);
            else answered(record.target);
        });
    }).observe(document, {childList: true, subtree: true, attributes: true,
                          attributeFilter: ['data-lorvex-player']});

    document.addEventListener('lorvexstatus', function (event) {
        var element = event.target;
        var own = players.get(element);
        if (!own || !own.kind || own.kind === 'none') return;
        var now = state(element).playState;
        if (now === undefined || lastState.get(element) === now) return;
        lastState.set(element, now);
        own.scripts.concat(own.attached).forEach(function (handler) {
            try {
                handler.call(element, now);
            } catch (e) {
                console.error(e);
            }
        });
    }, true);
})();
