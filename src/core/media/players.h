// Windows Media and RealPlayer players in a page's markup: which <object> and <embed>
// elements are players, of which kind, what clip they play and how, and which elements
// make up one player. The page script hands each candidate element over as it finds it
// (when the page is parsed, and whenever the page adds one); this decides.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lorvex {

// One element as the page holds it: its tag ("object", "embed", any case), its attributes
// and, for an <object>, its <param> children's name and value, each in document order.
struct MarkupElement {
    std::string tag;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<std::pair<std::string, std::string>> params;
};

// The player a page asked for, which decides the names its scripts use.
enum class PlayerKind {
    WindowsMedia64,  // Windows Media Player 6.4: FileName, Play(), Pause(), Stop()
    WindowsMedia,    // Windows Media Player 7 and later: URL, controls, settings
    RealPlayer,      // SetSource(), DoPlay(), DoPause(), DoStop(), GetPlayState()
};

// The kind of player an element is, or none. An <object> by its class id (with or without
// "clsid:", braces and case as written) or its type; an <embed> by its type or by the
// extension (or scheme: mms:, pnm:, rtsp:) of its clip address.
std::optional<PlayerKind> RecognisePlayer(const MarkupElement& element);

// What an element's box shows, as its markup asks: the picture, the control bar (play,
// pause, stop, seek with time, mute and volume), both, or nothing (an invisible player, or
// a picture-only box whose clip has no picture).
enum class BoxContent { Nothing, Picture, ControlBar, PictureAndControlBar };

// What a box's control bar holds.
struct BarControls {
    bool playPause = false;
    bool stop = false;
    bool seek = false;  // the seek slider
    bool time = false;  // the position and the length
    bool mute = false;
    bool volume = false;
    bool operator==(const BarControls&) const = default;
};

// Windows Media Player's full mode, RealPlayer's whole player.
inline constexpr BarControls kFullBar{true, true, true, true, true, true};
// Windows Media Player 7's mini mode: no seek slider.
inline constexpr BarControls kMiniBar{true, true, false, true, true, true};

// The box's content once it is known whether the clip is sound only: no picture then.
BoxContent ShownContent(BoxContent asked, bool audioOnly);

// Whether a clip is sound only: its address's extension (.wma, .wax, .ra, .mp3, ...) or
// its type (audio/..., except the RealPlayer types, which name video clips as well).
bool IsAudioOnlyClip(std::string_view address, std::string_view mimeType = {});

// How one player plays, from its elements' markup.
struct PlayerSettings {
    PlayerKind kind = PlayerKind::WindowsMedia;
    // The clip or play list, absolute. Empty when the markup gives none (a page script may
    // set it later) or when it was refused: then `refusedClip` holds it as written.
    std::string clip;
    std::string refusedClip;
    bool autoStart = true;
    int volume = 100;  // 0..100, the control bar's scale
    bool mute = false;
    bool audioOnly = false;  // known from the markup alone (extension or type)
    // The address of the document its elements are in (the page's, or a frame's in it),
    // against which its clips are read and which asks for them.
    std::string document;
};

// The text for the player's box when its clip address was refused.
inline constexpr std::string_view kRefusedClipMessage = "无法播放：不支持的媒体地址";

// Where an element the page script offered belongs.
struct PlayerPlacement {
    int player = 0;         // the player it is part of, numbered from 1 in each page
    bool fallback = false;  // an <embed> inside its player's <object>: hidden, never shown
    BoxContent box = BoxContent::Nothing;  // what its own box shows (before audio-only)
    BarControls bar = kFullBar;            // what its bar holds, when it has one
    bool hidden = false;  // hidden by its markup (<embed hidden>): it takes no room either
};

// The players of one page. Elements are offered by the page script's key for them, in
// document order; a key is never reused within the page.
class PagePlayers {
  public:
    // `pageAddress`: the page's own address, against which clip addresses are read.
    explicit PagePlayers(std::string pageAddress) : pageAddress_(std::move(pageAddress)) {}

    // An <object> or <embed> of the page; `enclosingObject` is the key of the nearest
    // <object> around it, if one was offered; `document` the address of the frame's
    // document it is in, when it is in one (empty: the page itself). Returns where it belongs, or
    // none when it is no player. An <embed> inside a recognised <object> is part of that object's
    // player (its attributes come after the object's params); RealPlayer elements with the same
    // CONSOLE drive one player ("_master" joins the page's first console, "_unique" none).
    // The element's player's settings may change: read Settings() again.
    std::optional<PlayerPlacement> Offer(int key, const MarkupElement& element,
                                         std::optional<int> enclosingObject = std::nullopt,
                                         const std::string& document = {});

    // The element left the page. Returns its player when that has no element left.
    std::optional<int> Remove(int key);

    // A player's settings; null for a player that is not (or no longer) in the page.
    const PlayerSettings* Settings(int player) const;

    // The keys of a player's elements, in the order they were offered.
    std::vector<int> Elements(int player) const;

  private:
    struct Player {
        PlayerKind kind;
        std::string console;                // RealPlayer's CONSOLE, lower case; empty: none
        std::string document;               // the address its clips are read against
        std::vector<int> keys;              // its elements
        std::vector<MarkupElement> markup;  // theirs, same order
        PlayerSettings settings;
    };
    void Settle(Player& player) const;

    std::string pageAddress_;
    std::map<int, Player> players_;
    std::map<int, int> elementPlayer_;  // key -> player
    int nextPlayer_ = 1;
};

}  // namespace lorvex
