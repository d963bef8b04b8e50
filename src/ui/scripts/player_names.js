// The names the page's own scripts drive a player element by, as the players of the day
// gave them: Windows Media 7 and later (URL, controls, settings, currentMedia, playState,
// PlayStateChange), Windows Media 6.4 (FileName, Play, Pause, Stop, PlayState) and
// RealPlayer (SetSource, DoPlay, DoPause, DoStop, GetPlayState). Injected at document
// creation into the main view's top frame, in the page's own world; players.js (in its own
// world) marks each player element with its kind, keeps its state on it and carries the
// calls to the client. The element's id and name become globals and names of the document,
// one element each, as they were for these players. Nothing else is offered to the page.
(function () {
    'use strict';
    var getAttribute = Element.prototype.getAttribute;
    var setAttribute = Element.prototype.setAttribute;
    var dispatch = EventTarget.prototype.dispatchEvent;
    var parse = JSON.parse;
    var stringify = JSON.stringify;
    var define = Object.defineProperty;
    var handlers = new WeakMap();  // element -> PlayStateChange handlers
    var lastState = new WeakMap();

    function state(element) {
        try {
            return parse(getAttribute.call(element, 'data-lorvex-status') || '{}');
        } catch (e) {
            return {};
        }
    }
    function command(element, name, value) {
        setAttribute.call(element, 'data-lorvex-command',
                          stringify([name, value === undefined ? '' : String(value)]));
        dispatch.call(element, new Event('lorvexcommand'));
    }
    function property(target, name, get, set) {
        define(target, name, {get: get, set: set, configurable: true, enumerable: true});
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

    function install(element) {
        var kind = getAttribute.call(element, 'data-lorvex-player');
        if (handlers.has(element) || !kind) return;
        var attached = [];
        handlers.set(element, {attached: attached, scripts: scriptHandlers(element)});
        element.attachEvent = function (name, handler) {
            if (/^(on)?PlayStateChange$/i.test(String(name))) attached.push(handler);
            return true;
        };
        element.detachEvent = function (name, handler) {
            var at = attached.indexOf(handler);
            if (at >= 0) attached.splice(at, 1);
        };
        if (kind === 'wmp') {
            property(element, 'URL', function () { return state(element).url || ''; },
                     function (value) { command(element, 'url', value); });
            property(element, 'playState', function () { return state(element).playState || 0; });
            var controls = {
                play: function () { command(element, 'play'); },
                pause: function () { command(element, 'pause'); },
                stop: function () { command(element, 'stop'); }
            };
            property(controls, 'currentPosition',
                     function () { return (state(element).position || 0) / 1000; },
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
        } else if (kind === 'wmp64') {
            property(element, 'FileName', function () { return state(element).url || ''; },
                     function (value) { command(element, 'url', value); });
            property(element, 'PlayState', function () { return state(element).playState || 0; });
            property(element, 'CurrentPosition',
                     function () { return (state(element).position || 0) / 1000; },
                     function (value) { command(element, 'seek', Math.round(value * 1000)); });
            property(element, 'Duration', function () { return (state(element).duration || 0) / 1000; });
            element.Play = function () { command(element, 'play'); };
            element.Pause = function () { command(element, 'pause'); };
            element.Stop = function () { command(element, 'stop'); };
        } else if (kind === 'real') {
            element.SetSource = function (value) { command(element, 'url', value); };
            element.GetSource = function () { return state(element).url || ''; };
            element.DoPlay = function () { command(element, 'play'); };
            element.DoPause = function () { command(element, 'pause'); };
            element.DoStop = function () { command(element, 'stop'); };
            element.GetPlayState = function () { return state(element).playState || 0; };
            element.GetPosition = function () { return state(element).position || 0; };
            element.GetLength = function () { return state(element).duration || 0; };
        }
        // The first element of a name is the player the name stands for.
        names(element).forEach(function (name) {
            [window, document].forEach(function (scope) {
                var current = scope[name];
                if (current && current.nodeType === 1 && handlers.has(current)) return;
                try {
                    define(scope, name, {value: element, writable: true, configurable: true});
                } catch (e) {
                }
            });
        });
    }

    new MutationObserver(function (records) {
        records.forEach(function (record) { install(record.target); });
    }).observe(document, {attributes: true, subtree: true, attributeFilter: ['data-lorvex-player']});

    document.addEventListener('lorvexstatus', function (event) {
        var element = event.target;
        var own = handlers.get(element);
        if (!own) return;
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
