// Runs in the client's own script world when a new document of the main frame begins, before
// any of the page's scripts, and tells the client (DocumentStarts). The web channel's
// transport exists only in this world; the message calls the client's object directly,
// without the channel's start-up exchange, so it arrives before anything the page asks.
(function () {
  var transport = window.qt && window.qt.webChannelTransport;
  if (!transport) return;
  transport.onmessage = function () {};  // the reply carries nothing
  transport.send(JSON.stringify({type: 6, object: 'documents', method: 'Started', args: [], id: 1}));
})();
