// Hides the scroll bars of the main view's document and keeps the user from scrolling it
// by wheel or keys: overflow hidden on the root and the body (without a scroll bar a page
// can still scroll unless its overflow is hidden). The page's own scripts can still scroll
// it. Run by the client after each completed document, in the application world.
(function () {
  var css = 'html, body { overflow: hidden !important; }';
  var style = document.getElementById('lorvex-no-scroll');
  if (!style) {
    style = document.createElement('style');
    style.id = 'lorvex-no-scroll';
    (document.head || document.documentElement).appendChild(style);
  }
  style.textContent = css;
  if (document.body) document.body.setAttribute('scroll', 'no');
})();
