// Tells the client that a new document of the main frame has begun (DocumentStarts).
// Injected at document creation into the main frame only, in the application world, before
// any of the page's scripts run. The web channel's transport exists only in that world; the
// message calls the client's object directly, without the channel's start-up exchange, so it
// arrives before anything the page asks.
(function () {
  var transport = window.qt && window.qt.webChannelTransport;
  if (!transport) return;
  transport.onmessage = function () {};  // the reply carries nothing
  transport.send(JSON.stringify({type: 6, object: 'documents', method: 'Started', args: [], id: 1}));
})();
