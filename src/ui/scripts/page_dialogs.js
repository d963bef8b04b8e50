// Routes a page's alert, confirm and prompt to the client's dialogs over the view that
// asked. Injected first into every frame of a view's pages, in the main world (the page's
// own functions are replaced); the client puts the view's token in place of the marker in
// the address below.
//
// Each function asks the client through a synchronous request, which holds only the asking
// page; the answer is "1" and the prompt's text for yes, "0" for no. Everything the
// functions use is taken before any page script runs. When the request is refused (a frame
// without an origin of its own, such as a sandboxed one, whose dialogs the engine may
// suppress) or cannot be made (a page being unloaded), the engine's own functions are used.
(function () {
  var address = 'lorvex-dialog:%1/';
  var Request = XMLHttpRequest, open = Request.prototype.open, send = Request.prototype.send;
  var status = Object.getOwnPropertyDescriptor(Request.prototype, 'status').get;
  var response = Object.getOwnPropertyDescriptor(Request.prototype, 'responseText').get;
  var encode = encodeURIComponent, text = String, count = 0;
  var engine = { alert: window.alert, confirm: window.confirm, prompt: window.prompt };
  function ask(kind, message, value) {
    try {
      var request = new Request();
      open.call(request, 'GET', address + kind + '?m=' + encode(text(message).slice(0, 4000)) +
                '&v=' + encode(text(value).slice(0, 4000)) + '&n=' + (++count), false);
      send.call(request);
      return status.call(request) === 200 ? response.call(request) : null;
    } catch (e) {
      return null;
    }
  }
  function shown(value) { return value === undefined ? '' : value; }
  window.alert = function alert(message) {
    if (ask('alert', shown(message), '') === null) engine.alert.apply(window, arguments);
  };
  window.confirm = function confirm(message) {
    var answer = ask('confirm', shown(message), '');
    return answer === null ? engine.confirm.apply(window, arguments) : answer.charAt(0) === '1';
  };
  window.prompt = function prompt(message, value) {
    var answer = ask('prompt', shown(message), shown(value));
    if (answer === null) return engine.prompt.apply(window, arguments);
    return answer.charAt(0) === '1' ? answer.slice(1) : null;
  };
})();
