// The page's first contentful paint on the wall clock (milliseconds since the epoch), or 0
// while it has not happened. Asked by the start-up trace after a view's first load, in the
// application world; its value is the script's result.
(function () {
  var paint = performance.getEntriesByName('first-contentful-paint')[0];
  return paint ? performance.timeOrigin + paint.startTime : 0;
})()
