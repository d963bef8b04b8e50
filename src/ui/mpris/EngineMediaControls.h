// The web engine's own player among the desktop's media controls (it offers one for a
// page's HTML5 media of 5 s or more, titled with the page's title) is switched off, so the
// desktop sees the client's one player only (MprisService). Called before the engine
// starts, that is before the application object is made.
#pragma once

namespace lorvex {

void SwitchOffEngineMediaControls();

}  // namespace lorvex
