#include "core/media/players.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/media/ascii_text.h"
#include "core/media/clip_address.h"

namespace lorvex {

namespace {

std::string LowerTrimmed(std::string_view text) { return AsciiLowerCopy(TrimBlanks(text)); }

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The value of the first pair named `name` (any case); none when there is none.
std::optional<std::string_view> Find(const Pairs& pairs, std::string_view name) {
    for (const auto& [key, value] : pairs) {
        if (SameName(TrimBlanks(key), name)) return value;
    }
    return std::nullopt;
}

bool IsObject(const MarkupElement& element) { return LowerTrimmed(element.tag) == "object"; }
bool IsEmbed(const MarkupElement& element) { return LowerTrimmed(element.tag) == "embed"; }

// A named setting of an element: an <object>'s param, else its attribute.
std::optional<std::string_view> Setting(const MarkupElement& element, std::string_view name) {
    if (auto value = Find(element.params, name)) return value;
    return Find(element.attributes, name);
}

struct Named {
    std::string_view name;
    PlayerKind kind;
};

constexpr Named kClassIds[] = {
    {"22d6f312-b0f6-11d0-94ab-0080c74c7e95", PlayerKind::WindowsMedia64},
    {"6bf52a52-394a-11d3-b153-00c04f79faa6", PlayerKind::WindowsMedia},
    {"cfcdaa03-8be4-11cf-b84b-0020afbbccfa", PlayerKind::RealPlayer},
};

constexpr Named kTypes[] = {
    {"application/x-mplayer2", PlayerKind::WindowsMedia64},
    {"video/x-ms-asf-plugin", PlayerKind::WindowsMedia64},
    {"application/x-ms-wmp", PlayerKind::WindowsMedia},
    {"video/x-ms-wmv", PlayerKind::WindowsMedia},
    {"video/x-ms-asf", PlayerKind::WindowsMedia},
    {"audio/x-ms-wma", PlayerKind::WindowsMedia},
    {"video/x-ms-wm", PlayerKind::WindowsMedia},
    {"video/x-ms-wvx", PlayerKind::WindowsMedia},
    {"audio/x-ms-wax", PlayerKind::WindowsMedia},
    {"audio/x-pn-realaudio", PlayerKind::RealPlayer},
    {"audio/x-pn-realaudio-plugin", PlayerKind::RealPlayer},
    {"application/vnd.rn-realmedia", PlayerKind::RealPlayer},
    {"application/vnd.rn-realmedia-vbr", PlayerKind::RealPlayer},
    {"audio/x-realaudio", PlayerKind::RealPlayer},
    {"audio/vnd.rn-realaudio", PlayerKind::RealPlayer},
};

constexpr Named kExtensions[] = {
    {".wmv", PlayerKind::WindowsMedia}, {".asf", PlayerKind::WindowsMedia},
    {".wma", PlayerKind::WindowsMedia}, {".wm", PlayerKind::WindowsMedia},
    {".asx", PlayerKind::WindowsMedia}, {".wax", PlayerKind::WindowsMedia},
    {".wvx", PlayerKind::WindowsMedia}, {".wmx", PlayerKind::WindowsMedia},
    {".m3u", PlayerKind::WindowsMedia}, {".rm", PlayerKind::RealPlayer},
    {".rmvb", PlayerKind::RealPlayer},  {".ra", PlayerKind::RealPlayer},
    {".ram", PlayerKind::RealPlayer},   {".rpm", PlayerKind::RealPlayer},
};

std::optional<PlayerKind> Lookup(const auto& table, std::string_view name) {
    for (const Named& entry : table) {
        if (entry.name == name) return entry.kind;
    }
    return std::nullopt;
}

std::optional<PlayerKind> KindOfClassId(std::string_view classId) {
    std::string id = LowerTrimmed(classId);
    if (id.starts_with("clsid:")) id = LowerTrimmed(std::string_view(id).substr(6));
    if (id.size() >= 2 && id.front() == '{' && id.back() == '}') {
        id = LowerTrimmed(std::string_view(id).substr(1, id.size() - 2));
    }
    return Lookup(kClassIds, id);
}

std::optional<PlayerKind> KindOfClip(std::string_view address) {
    if (auto kind = Lookup(kExtensions, AddressExtension(address))) return kind;
    const std::string scheme = AddressScheme(TrimBlanks(address));
    if (scheme == "mms") return PlayerKind::WindowsMedia;
    if (scheme == "pnm" || scheme == "rtsp") return PlayerKind::RealPlayer;
    return std::nullopt;
}

// "0", "false", "no" and "off" are false; "true", "yes", "on" and other numbers true;
// anything else gives none (the default holds).
std::optional<bool> ReadFlag(std::string_view text) {
    const std::string value = LowerTrimmed(text);
    if (value == "false" || value == "no" || value == "off") return false;
    if (value == "true" || value == "yes" || value == "on") return true;
    char* end = nullptr;
    const long number = std::strtol(value.c_str(), &end, 10);
    if (!value.empty() && end == value.c_str() + value.size()) return number != 0;
    return std::nullopt;
}

std::optional<long> ReadNumber(std::string_view text) {
    const std::string value = LowerTrimmed(text);
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (value.empty() || end != value.c_str() + value.size() || !std::isfinite(number)) {
        return std::nullopt;
    }
    return std::lround(std::clamp(number, -1e6, 1e6));
}

// Windows Media 6.4 gives the volume in hundredths of a decibel, 0 the loudest and -10000
// silent; later players from 0 to 100. A negative value is read as decibels for both, and
// a positive one as 0..100 for both; 0 is the loudest for 6.4 only.
int VolumeOf(long value, PlayerKind kind) {
    if (value < 0 || (value == 0 && kind == PlayerKind::WindowsMedia64)) {
        if (value <= -10000) return 0;
        return static_cast<int>(
            std::lround(100.0 * std::pow(10.0, static_cast<double>(value) / 2000.0)));
    }
    return static_cast<int>(std::min(value, 100L));
}

// Where each kind's own pages name the clip, in the order they are read.
std::vector<std::string_view> ClipNames(PlayerKind kind) {
    switch (kind) {
        case PlayerKind::WindowsMedia64:
            return {"FileName", "URL", "SRC"};
        case PlayerKind::WindowsMedia:
            return {"URL", "FileName", "SRC"};
        case PlayerKind::RealPlayer:
            break;
    }
    return {"SRC", "URL", "FileName"};
}

// The clip addresses an element names, in the order they are read: an object's params,
// then its data attribute; an embed's src, then its URL or FileName attribute.
std::vector<std::string_view> ClipsOf(const MarkupElement& element, PlayerKind kind) {
    std::vector<std::string_view> clips;
    if (IsObject(element)) {
        for (std::string_view name : ClipNames(kind)) {
            if (auto value = Find(element.params, name)) clips.push_back(*value);
        }
        if (auto value = Find(element.attributes, "data")) clips.push_back(*value);
    } else {
        for (std::string_view name : {"src", "url", "filename"}) {
            if (auto value = Find(element.attributes, name)) clips.push_back(*value);
        }
    }
    return clips;
}

BoxContent Combine(bool picture, bool controls) {
    if (picture && controls) return BoxContent::PictureAndControlBar;
    if (picture) return BoxContent::Picture;
    return controls ? BoxContent::ControlBar : BoxContent::Nothing;
}

// What an element's box shows, and what its bar holds.
struct Box {
    BoxContent content = BoxContent::PictureAndControlBar;
    BarControls bar = kFullBar;
    bool hidden = false;
};

BarControls Joined(BarControls a, BarControls b) {
    return {a.playPause || b.playPause, a.stop || b.stop, a.seek || b.seek,
            a.time || b.time,           a.mute || b.mute, a.volume || b.volume};
}

// RealPlayer's controls, each a part of the player: the picture, or a bar with some of the
// bar's controls (the logo, the clip's information: a bar of the player's colours only).
struct RealControl {
    std::string_view name;
    bool picture;
    bool bar;
    BarControls controls;
};
constexpr BarControls kRealPanel{true, true, true, false, true, true};
constexpr RealControl kRealControls[] = {
    {"all", true, true, kFullBar},
    {"imagewindow", true, false, {}},
    {"controlpanel", false, true, kRealPanel},
    {"playbutton", false, true, {.playPause = true}},
    {"playonlybutton", false, true, {.playPause = true}},
    {"pausebutton", false, true, {.playPause = true}},
    {"stopbutton", false, true, {.stop = true}},
    {"ffctrl", false, true, {.seek = true}},
    {"rwctrl", false, true, {.seek = true}},
    {"positionslider", false, true, {.seek = true}},
    {"positionfield", false, true, {.time = true}},
    {"statusbar", false, true, {.time = true}},
    {"statusfield", false, true, {.time = true}},
    {"statuspanel", false, true, {.time = true}},
    {"mutectrl", false, true, {.mute = true}},
    {"mutevolume", false, true, {.mute = true, .volume = true}},
    {"volumeslider", false, true, {.volume = true}},
    {"infovolumepanel", false, true, {.volume = true}},
    {"infopanel", false, true, {}},
    {"tacctrl", false, true, {}},
    {"homectrl", false, true, {}},
};

// RealPlayer's CONTROLS: one control, or several separated by commas.
Box RealControls(std::string_view controls) {
    bool picture = false;
    bool bar = false;
    BarControls held;
    while (!controls.empty()) {
        const std::size_t comma = controls.find(',');
        const std::string name = LowerTrimmed(controls.substr(0, comma));
        controls =
            comma == std::string_view::npos ? std::string_view{} : controls.substr(comma + 1);
        for (const RealControl& control : kRealControls) {
            if (control.name != name) continue;
            picture = picture || control.picture;
            bar = bar || control.bar;
            held = Joined(held, control.controls);
        }
    }
    // Nothing known: the whole player, as with no CONTROLS at all.
    if (!picture && !bar) return {};
    return {Combine(picture, bar), held};
}

std::optional<Box> UiMode(std::string_view mode) {
    const std::string value = LowerTrimmed(mode);
    if (value == "full") return Box{};
    if (value == "mini") return Box{BoxContent::PictureAndControlBar, kMiniBar};
    if (value == "none") return Box{BoxContent::Picture};
    if (value == "invisible") return Box{BoxContent::Nothing};
    return std::nullopt;
}

Box BoxOf(const MarkupElement& element, PlayerKind kind) {
    if (auto hidden = Find(element.attributes, "hidden")) {
        // <embed hidden> alone means hidden.
        if (TrimBlanks(*hidden).empty() || ReadFlag(*hidden).value_or(false))
            return {BoxContent::Nothing, kFullBar, true};
    }
    if (kind == PlayerKind::RealPlayer) {
        const auto controls = Setting(element, "CONTROLS");
        return controls ? RealControls(*controls) : Box{};
    }
    std::optional<Box> byMode;
    if (auto mode = Setting(element, "uiMode")) byMode = UiMode(*mode);
    std::optional<Box> byControls;
    if (auto show = Setting(element, "ShowControls")) {
        if (auto flag = ReadFlag(*show)) byControls = *flag ? Box{} : Box{BoxContent::Picture};
    }
    // Each player reads its own setting first.
    const auto& first = kind == PlayerKind::WindowsMedia64 ? byControls : byMode;
    const auto& second = kind == PlayerKind::WindowsMedia64 ? byMode : byControls;
    return first.value_or(second.value_or(Box{}));
}

std::string ConsoleOf(const MarkupElement& element) {
    const auto console = Setting(element, "CONSOLE");
    return console ? LowerTrimmed(*console) : std::string();
}

}  // namespace

std::optional<PlayerKind> RecognisePlayer(const MarkupElement& element) {
    const auto type = Find(element.attributes, "type");
    if (IsObject(element)) {
        if (auto classId = Find(element.attributes, "classid")) {
            if (auto kind = KindOfClassId(*classId)) return kind;
        }
        return type ? Lookup(kTypes, BareMimeType(*type)) : std::nullopt;
    }
    if (!IsEmbed(element)) return std::nullopt;
    if (type) {
        if (auto kind = Lookup(kTypes, BareMimeType(*type))) return kind;
    }
    if (auto src = Find(element.attributes, "src")) return KindOfClip(*src);
    return std::nullopt;
}

BoxContent ShownContent(BoxContent asked, bool audioOnly) {
    if (!audioOnly) return asked;
    const bool controls =
        asked == BoxContent::ControlBar || asked == BoxContent::PictureAndControlBar;
    return controls ? BoxContent::ControlBar : BoxContent::Nothing;
}

bool IsAudioOnlyClip(std::string_view address, std::string_view mimeType) {
    const std::string extension = AddressExtension(address);
    for (std::string_view audio : {".wma", ".wax", ".ra", ".mp3", ".wav", ".mid", ".midi"}) {
        if (extension == audio) return true;
    }
    const std::string type = BareMimeType(mimeType);
    // The RealPlayer types name video clips as well, and a play list may hold video.
    return type.starts_with("audio/") && type != "audio/x-pn-realaudio" &&
           type != "audio/x-pn-realaudio-plugin" && type != "audio/x-mpegurl" &&
           type != "audio/mpegurl";
}

std::optional<PlayerPlacement> PagePlayers::Offer(int key, const MarkupElement& element,
                                                  std::optional<int> enclosingObject,
                                                  const std::string& document) {
    const std::string& base = document.empty() ? pageAddress_ : document;
    if (const auto known = elementPlayer_.find(key); known != elementPlayer_.end()) {
        Remove(key);
    }
    // Inside a player's object: its fallback, read after what came before.
    if (enclosingObject) {
        if (const auto outer = elementPlayer_.find(*enclosingObject);
            outer != elementPlayer_.end()) {
            Player& player = players_.at(outer->second);
            player.keys.push_back(key);
            player.markup.push_back(element);
            elementPlayer_[key] = outer->second;
            Settle(player);
            return PlayerPlacement{outer->second, true, BoxContent::Nothing};
        }
    }
    const std::optional<PlayerKind> kind = RecognisePlayer(element);
    if (!kind) return std::nullopt;
    const Box box = BoxOf(element, *kind);

    int number = 0;
    const std::string console = *kind == PlayerKind::RealPlayer ? ConsoleOf(element) : "";
    if (!console.empty() && console != "_unique") {
        for (const auto& [id, player] : players_) {
            if (player.kind != PlayerKind::RealPlayer || player.console.empty()) continue;
            if (player.console == console || console == "_master") {
                number = id;
                break;
            }
        }
    }
    if (number == 0) {
        number = nextPlayer_++;
        players_[number] = Player{*kind, console == "_unique" ? "" : console, base, {}, {}, {}};
    }
    Player& player = players_.at(number);
    player.keys.push_back(key);
    player.markup.push_back(element);
    elementPlayer_[key] = number;
    Settle(player);
    return PlayerPlacement{number, false, box.content, box.bar, box.hidden};
}

std::optional<int> PagePlayers::Remove(int key) {
    const auto found = elementPlayer_.find(key);
    if (found == elementPlayer_.end()) return std::nullopt;
    const int number = found->second;
    elementPlayer_.erase(found);
    Player& player = players_.at(number);
    const auto at = std::find(player.keys.begin(), player.keys.end(), key);
    player.markup.erase(player.markup.begin() + (at - player.keys.begin()));
    player.keys.erase(at);
    if (!player.keys.empty()) {
        Settle(player);
        return std::nullopt;
    }
    players_.erase(number);
    return number;
}

const PlayerSettings* PagePlayers::Settings(int player) const {
    const auto found = players_.find(player);
    return found == players_.end() ? nullptr : &found->second.settings;
}

std::vector<int> PagePlayers::Elements(int player) const {
    const auto found = players_.find(player);
    return found == players_.end() ? std::vector<int>{} : found->second.keys;
}

void PagePlayers::Settle(Player& player) const {
    PlayerSettings settings;
    settings.kind = player.kind;
    settings.document = player.document;
    std::optional<bool> autoStart;
    std::optional<int> volume;
    std::optional<bool> mute;
    for (const MarkupElement& element : player.markup) {
        for (std::string_view written : ClipsOf(element, player.kind)) {
            if (!settings.clip.empty() || TrimBlanks(written).empty()) continue;
            if (auto clip = ResolveClipAddress(player.document, written)) {
                settings.clip = *clip;
                settings.refusedClip.clear();
            } else if (settings.refusedClip.empty()) {
                settings.refusedClip = std::string(TrimBlanks(written));
            }
        }
        if (auto value = Setting(element, "autoStart"); value && !autoStart) {
            autoStart = ReadFlag(*value);
        }
        if (auto value = Setting(element, "volume"); value && !volume) {
            if (auto number = ReadNumber(*value)) volume = VolumeOf(*number, player.kind);
        }
        if (auto value = Setting(element, "mute"); value && !mute) mute = ReadFlag(*value);
        if (auto type = Find(element.attributes, "type")) {
            settings.audioOnly = settings.audioOnly || IsAudioOnlyClip({}, *type);
        }
    }
    settings.autoStart = autoStart.value_or(true);
    settings.volume = volume.value_or(100);
    settings.mute = mute.value_or(false);
    settings.audioOnly = settings.audioOnly || IsAudioOnlyClip(settings.clip);
    player.settings = std::move(settings);
}

}  // namespace lorvex
