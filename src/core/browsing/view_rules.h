// Rules of a browser view that are not the portal's: the steps of its zoom, when a view
// whose renderer ended abnormally loads its page again, and when a page may go back into
// full screen after the user left it.
#pragma once

#include <chrono>
#include <optional>

namespace lorvex {

// The zoom factors a view steps through, as browsers offer them: 25 % to 500 %.
inline constexpr double kZoomFactors[] = {0.25, 0.33, 0.5,  0.67, 0.75, 0.8, 0.9, 1.0, 1.1,
                                          1.25, 1.5,  1.75, 2.0,  2.5,  3.0, 4.0, 5.0};

enum class ZoomStep { In, Out, Reset };

// The factor after one step from `current`: the next larger or smaller of kZoomFactors (a
// factor between two steps goes to the neighbour in that direction), 1 for Reset. At either
// end the factor stays.
double NextZoomFactor(double current, ZoomStep step);

// Turns a wheel's rotation into whole zoom steps: a notch of a mouse wheel (120 units) is
// one step, the small deltas of a touchpad add up until they make one. Positive steps zoom
// in (the wheel turned away from the user).
class ZoomWheel {
  public:
    static constexpr int kUnitsPerStep = 120;
    // Adds `delta` units of rotation; returns the whole steps they complete.
    int Turn(int delta);

  private:
    int pending_ = 0;
};

// When a view's renderer ends abnormally, the view loads its address again, but at most
// once a minute: a renderer that ends again within the minute after such a reload leaves
// the view as the engine shows it, so a page that kills its renderer is not loaded for ever.
class CrashReloads {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr std::chrono::seconds kWindow{60};

    // The view's renderer ended abnormally at `now`: true when the view reloads.
    bool ReloadAfterCrash(TimePoint now);

  private:
    std::optional<TimePoint> lastReload_;
};

// A page the user took out of full screen (Esc, closing the full-screen window) may go back
// only after a new input of the user on the page (a click, a key) that comes at least
// kReentryDelay after leaving: the page cannot take the screen back at once, nor with the
// next key or click the user meant for leaving. Leaving by the page's own doing holds
// nothing back.
class FullScreenReentry {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr std::chrono::milliseconds kReentryDelay{1000};

    // The user left the page's full screen at `now`.
    void UserLeft(TimePoint now);
    // The user gave the page input at `now`.
    void UserInput(TimePoint now);
    // Whether the page may go full screen now.
    bool MayEnter() const { return !leftAt_.has_value(); }

  private:
    std::optional<TimePoint> leftAt_;  // while the page is held back
};

}  // namespace lorvex
