// Runs in the client's own script world as each new document of the main frame is created,
// before any of the page's scripts, and tells the client so. The page cannot see this
// world, so it can neither send the marker nor keep it from being sent.
console.debug('%1');
