// How the window and its pages are put on screen, chosen once before the application
// starts.
#pragma once

namespace lorvex {

// On an X display without direct rendering (the X server offers none of DRI3, DRI2 or
// NVIDIA's GLX), OpenGL would run on Mesa's software rasteriser: loading it costs the start
// some 80 ms and the process some 40 MiB, and it draws no faster than the engine's own
// software compositor. There the client composites in software, as Chromium itself does
// on such a display, and Qt's OpenGL set-up for X is skipped. Anywhere else (a graphics
// card, no X display at all) nothing changes, and neither does it when the user chose a
// scene graph or an X OpenGL integration through Qt's environment variables. The X display
// is asked only when the client will run on X11 (`onX11`): asking would start the
// compositor's on-demand X server on a Wayland session for nothing. Call before the
// QApplication is made; true when software compositing was chosen.
bool ChooseCompositing(bool onX11);

// Call once the QApplication is made: takes back the setting of Qt's X platform that
// ChooseCompositing made for this process, so programs the client starts (the user's
// editor, say) do not inherit it.
void ForgetCompositingChoiceForChildren();

}  // namespace lorvex
