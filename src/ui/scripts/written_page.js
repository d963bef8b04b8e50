// Shows a page the client wrote quickly, however many rows it has. Injected into every
// top document at its creation, in the application world; does nothing outside the
// client's own "lorvex:" pages.
//
// Laid out while it is still being parsed, a growing table would be laid out again and
// again. While the parser runs only the first rows are shown, so they are painted and
// scroll at once, and each new frame lays out no more than those; once the parser is done
// every row is shown and the table is laid out once. Every row's search link is the same
// picture in a box of the same size: boxes far from the viewport stand in with the size
// the first one has (as the page's style sheet made it), so the engine neither lays out
// nor paints their pictures until the user scrolls near them, and nothing on the page
// moves.
(function () {
  if (location.protocol !== 'lorvex:') return;
  var whileParsing = new CSSStyleSheet();
  whileParsing.replaceSync('tr:nth-child(n+201) { display: none !important; }');
  document.adoptedStyleSheets = [whileParsing];
  var standIn = new CSSStyleSheet();
  var standInRule = '';
  // A stand-in box is as wide as its picture with the picture's margins, and as high as
  // the box's content: padding and border come on top, as on the real one.
  function measureSearchBoxes() {
    var box = document.querySelector('td > div');
    var picture = box && box.querySelector('img');
    if (!picture) return;
    var p = getComputedStyle(picture), b = getComputedStyle(box);
    var width = picture.getBoundingClientRect().width + parseFloat(p.marginLeft) +
        parseFloat(p.marginRight);
    var height = box.getBoundingClientRect().height - parseFloat(b.paddingTop) -
        parseFloat(b.paddingBottom) - parseFloat(b.borderTopWidth) -
        parseFloat(b.borderBottomWidth);
    var rule = 'td > div { content-visibility: auto; contain-intrinsic-size: ' + width +
        'px ' + height + 'px; }';
    if (rule !== standInRule) standIn.replaceSync(standInRule = rule);
  }
  document.addEventListener('DOMContentLoaded', function () {
    measureSearchBoxes();
    document.adoptedStyleSheets = [standIn];
  });
  // The page's style sheet may arrive after the parse, and change the boxes' size.
  addEventListener('load', measureSearchBoxes);
})();
