// Tells the client that the main frame has a new document: runs in the application world as
// each one is created, before any of the page's scripts, and writes the page's marker (%1,
// filled in by the client) to the console. The page cannot see this world, so it can neither
// send the marker nor keep it from being sent.
console.debug('%1');
