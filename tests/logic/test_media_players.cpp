// Players in a page's markup: which elements are players and how they play, which elements
// make up one player, and the play states their scripts read.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "core/media/playback.h"
#include "core/media/players.h"

namespace lorvex {
namespace {

constexpr const char* kPage = "http://127.0.0.1:8042/33/playwmv.asp?id=1024&g=x";

using Pairs = std::vector<std::pair<std::string, std::string>>;

MarkupElement Object(Pairs attributes, Pairs params = {}) {
    return {"OBJECT", std::move(attributes), std::move(params)};
}
MarkupElement Embed(Pairs attributes) { return {"embed", std::move(attributes), {}}; }

constexpr const char* kWmp64 = "CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95";
constexpr const char* kWmp7 = "clsid:{6bf52a52-394a-11d3-b153-00c04f79faa6}";
constexpr const char* kReal = " cfcdaa03-8be4-11cf-b84b-0020afbbccfa ";

TEST(PlayersTest, OneElement) {
    using K = PlayerKind;
    using B = BoxContent;
    const std::string media = "http://127.0.0.1:8042/33/media/";
    const struct {
        const char* what;
        MarkupElement element;
        std::optional<PlayerKind> kind;
        std::string clip;
        bool autoStart;
        int volume;
        bool mute;
        BoxContent box;
        bool audioOnly = false;
    } cases[] = {
        {"6.4 object",
         Object({{"classid", kWmp64}}, {{"filename", "media/a.wmv"},
                                        {"AutoStart", "0"},
                                        {"ShowControls", "0"},
                                        {"Volume", "-600"}}),
         K::WindowsMedia64, media + "a.wmv", false, 50, false, B::Picture},
        {"7 object",
         Object(
             {{"CLASSID", kWmp7}},
             {{"URL", "media/a.asx"}, {"uiMode", "invisible"}, {"volume", "80"}, {"mute", "TRUE"}}),
         K::WindowsMedia, media + "a.asx", true, 80, true, B::Nothing},
        {"7 object, mini", Object({{"classid", kWmp7}}, {{"url", "a.wmv"}, {"uiMode", "Mini"}}),
         K::WindowsMedia, "http://127.0.0.1:8042/33/a.wmv", true, 100, false,
         B::PictureAndControlBar},
        {"RealPlayer image window",
         Object({{"classid", kReal}}, {{"SRC", "media/a.ram"}, {"CONTROLS", "ImageWindow"}}),
         K::RealPlayer, media + "a.ram", true, 100, false, B::Picture},
        {"RealPlayer several controls",
         Object({{"classid", kReal}}, {{"controls", "StatusBar, ImageWindow"}}), K::RealPlayer, "",
         true, 100, false, B::PictureAndControlBar},
        {"RealPlayer control panel",
         Embed({{"type", "audio/x-pn-realaudio-plugin"},
                {"src", "a.rm"},
                {"controls", "ControlPanel"},
                {"autostart", "false"}}),
         K::RealPlayer, "http://127.0.0.1:8042/33/a.rm", false, 100, false, B::ControlBar},
        {"unknown controls are the whole player",
         Object({{"classid", kReal}}, {{"CONTROLS", "Bogus"}}), K::RealPlayer, "", true, 100, false,
         B::PictureAndControlBar},
        {"object by type", Object({{"type", "Video/X-MS-WMV; codecs=wmv2"}, {"data", "b.wmv"}}),
         K::WindowsMedia, "http://127.0.0.1:8042/33/b.wmv", true, 100, false,
         B::PictureAndControlBar},
        {"a plug-in of another kind",
         Object({{"classid", "clsid:D27CDB6E-AE6D-11cf-96B8-444553540000"}}, {{"movie", "a.swf"}}),
         std::nullopt, "", true, 100, false, B::Nothing},
        {"6.4 embed",
         Embed({{"TYPE", "application/x-mplayer2"},
                {"SRC", "c.wmv"},
                {"ShowControls", "1"},
                {"autostart", "no"},
                {"volume", "0"}}),
         K::WindowsMedia64, "http://127.0.0.1:8042/33/c.wmv", false, 100, false,
         B::PictureAndControlBar},
        {"embed by extension", Embed({{"src", "Clip.RMVB?x=1.txt"}}), K::RealPlayer,
         "http://127.0.0.1:8042/33/Clip.RMVB?x=1.txt", true, 100, false, B::PictureAndControlBar},
        {"extension in the query only", Embed({{"src", "play.asp?file=a.wmv"}}), std::nullopt, "",
         true, 100, false, B::Nothing},
        {"embed by scheme", Embed({{"src", "mms://live.example/radio"}, {"volume", "150"}}),
         K::WindowsMedia, "mms://live.example/radio", true, 100, false, B::PictureAndControlBar},
        {"audio by type", Embed({{"type", "audio/x-ms-wma"}, {"src", "song.asp?id=1"}}),
         K::WindowsMedia, "http://127.0.0.1:8042/33/song.asp?id=1", true, 100, false,
         B::PictureAndControlBar, true},
        {"audio by extension", Embed({{"src", "a.wma"}, {"hidden", ""}, {"volume", "-10000"}}),
         K::WindowsMedia, "http://127.0.0.1:8042/33/a.wma", true, 0, false, B::Nothing, true},
        {"refused clip, unreadable values",
         Object({{"classid", kWmp7}}, {{"URL", "javascript:alert(1)"},
                                       {"autoStart", "maybe"},
                                       {"volume", "loud"},
                                       {"mute", "?"}}),
         K::WindowsMedia, "", true, 100, false, B::PictureAndControlBar},
        {"not a player tag",
         {"video", {{"src", "a.wmv"}}, {}},
         std::nullopt,
         "",
         true,
         100,
         false,
         B::Nothing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RecognisePlayer(c.element), c.kind);
        PagePlayers page(kPage);
        const std::optional<PlayerPlacement> placement = page.Offer(1, c.element);
        ASSERT_EQ(placement.has_value(), c.kind.has_value());
        if (!placement) continue;
        EXPECT_EQ(placement->box, c.box);
        const PlayerSettings& settings = *page.Settings(placement->player);
        EXPECT_EQ(settings.kind, *c.kind);
        EXPECT_EQ(settings.clip, c.clip);
        EXPECT_EQ(settings.autoStart, c.autoStart);
        EXPECT_EQ(settings.volume, c.volume);
        EXPECT_EQ(settings.mute, c.mute);
        EXPECT_EQ(settings.audioOnly, c.audioOnly);
    }
}

TEST(PlayersTest, BoxAndBarAsTheMarkupAsks) {
    using B = BoxContent;
    const BarControls none;
    const struct {
        const char* what;
        MarkupElement element;
        BoxContent box;
        BarControls bar;
        bool hidden = false;  // takes no room in the page
    } cases[] = {
        {"7 full", Object({{"classid", kWmp7}}, {{"uiMode", "full"}}), B::PictureAndControlBar,
         kFullBar},
        {"7 mini", Object({{"classid", kWmp7}}, {{"uiMode", " MINI"}}), B::PictureAndControlBar,
         kMiniBar},
        {"7 none", Object({{"classid", kWmp7}}, {{"uiMode", "none"}}), B::Picture, kFullBar},
        {"7 invisible, controls asked",
         Embed({{"type", "application/x-ms-wmp"}, {"uimode", "invisible"}, {"showcontrols", "1"}}),
         B::Nothing, kFullBar},
        {"6.4 without controls", Object({{"classid", kWmp64}}, {{"ShowControls", "0"}}), B::Picture,
         kFullBar},
        {"6.4 controls before uiMode",
         Object({{"classid", kWmp64}}, {{"ShowControls", "1"}, {"uiMode", "mini"}}),
         B::PictureAndControlBar, kFullBar},
        {"RealPlayer all", Object({{"classid", kReal}}, {{"CONTROLS", "All"}}),
         B::PictureAndControlBar, kFullBar},
        {"RealPlayer control panel",
         Object({{"classid", kReal}}, {{"CONTROLS", "controlpanel"}}),
         B::ControlBar,
         {true, true, true, false, true, true}},
        {"RealPlayer buttons",
         Embed({{"src", "a.rm"}, {"controls", "PlayButton,StopButton"}}),
         B::ControlBar,
         {.playPause = true, .stop = true}},
        {"RealPlayer picture and status",
         Object({{"classid", kReal}}, {{"controls", "ImageWindow, StatusBar"}}),
         B::PictureAndControlBar,
         {.time = true}},
        {"RealPlayer volume",
         Object({{"classid", kReal}}, {{"CONTROLS", "MuteVolume"}}),
         B::ControlBar,
         {.mute = true, .volume = true}},
        {"RealPlayer logo", Object({{"classid", kReal}}, {{"CONTROLS", "HomeCtrl"}}), B::ControlBar,
         none},
        {"hidden embed", Embed({{"src", "a.wma"}, {"hidden", "true"}}), B::Nothing, kFullBar, true},
        {"embed hidden false", Embed({{"src", "a.wma"}, {"hidden", "false"}}),
         B::PictureAndControlBar, kFullBar},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PagePlayers page(kPage);
        const std::optional<PlayerPlacement> placement = page.Offer(1, c.element);
        ASSERT_TRUE(placement);
        EXPECT_EQ(placement->box, c.box);
        EXPECT_EQ(placement->bar, c.bar);
        EXPECT_EQ(placement->hidden, c.hidden);
    }
}

TEST(PlayersTest, AFramesPlayerReadsItsClipAgainstTheFrame) {
    PagePlayers page(kPage);
    const std::string frame = "http://127.0.0.1:8042/33/frames/inner.asp";
    const auto framed = page.Offer(1, Embed({{"src", "a.wmv"}}), std::nullopt, frame);
    const auto own = page.Offer(2, Embed({{"src", "a.wmv"}}));
    ASSERT_TRUE(framed && own);
    EXPECT_EQ(page.Settings(framed->player)->clip, "http://127.0.0.1:8042/33/frames/a.wmv");
    EXPECT_EQ(page.Settings(framed->player)->document, frame);
    EXPECT_EQ(page.Settings(own->player)->clip, "http://127.0.0.1:8042/33/a.wmv");
    EXPECT_EQ(page.Settings(own->player)->document, kPage);
}

TEST(PlayersTest, RefusedClipIsKeptAsWritten) {
    PagePlayers page(kPage);
    const auto placement =
        page.Offer(1, Object({{"classid", kWmp7}}, {{"URL", " file:///etc/passwd "}}));
    ASSERT_TRUE(placement);
    EXPECT_EQ(page.Settings(placement->player)->clip, "");
    EXPECT_EQ(page.Settings(placement->player)->refusedClip, "file:///etc/passwd");
    // A later element's clip that can be played is taken.
    page.Offer(2, Embed({{"src", "b.wmv"}}), 1);
    EXPECT_EQ(page.Settings(placement->player)->clip, "http://127.0.0.1:8042/33/b.wmv");
    EXPECT_EQ(page.Settings(placement->player)->refusedClip, "");
}

TEST(PlayersTest, AnEmbedInsideItsObjectIsTheSamePlayer) {
    PagePlayers page(kPage);
    // The object names no clip: the embed's comes after the object's params.
    const auto object =
        page.Offer(10, Object({{"classid", kWmp64}, {"id", "MediaPlayer"}}, {{"AutoStart", "1"}}));
    const auto embed = page.Offer(
        11, Embed({{"type", "application/x-mplayer2"}, {"src", "x.wmv"}, {"autostart", "0"}}), 10);
    ASSERT_TRUE(object && embed);
    EXPECT_EQ(embed->player, object->player);
    EXPECT_TRUE(embed->fallback);
    EXPECT_EQ(embed->box, BoxContent::Nothing);
    EXPECT_EQ(page.Settings(object->player)->clip, "http://127.0.0.1:8042/33/x.wmv");
    EXPECT_TRUE(page.Settings(object->player)->autoStart);  // the object's param first
    EXPECT_EQ(page.Elements(object->player), (std::vector<int>{10, 11}));

    // Inside an object that is no player, an embed is a player of its own; an element
    // that is not, is nothing.
    page.Offer(20, Object({{"classid", "clsid:D27CDB6E-AE6D-11cf-96B8-444553540000"}}));
    const auto alone = page.Offer(21, Embed({{"src", "y.rm"}}), 20);
    ASSERT_TRUE(alone);
    EXPECT_NE(alone->player, object->player);
    EXPECT_FALSE(alone->fallback);
    EXPECT_FALSE(page.Offer(22, Embed({{"src", "y.swf"}}), 20));

    // Removing the object and its embed ends the player.
    EXPECT_EQ(page.Remove(10), std::nullopt);
    EXPECT_EQ(page.Remove(11), object->player);
    EXPECT_EQ(page.Settings(object->player), nullptr);
    EXPECT_EQ(page.Remove(99), std::nullopt);
}

TEST(PlayersTest, RealPlayerElementsOfOneConsoleDriveOneClip) {
    PagePlayers page(kPage);
    const auto image = page.Offer(1, Object({{"classid", kReal}}, {{"SRC", "a.ram"},
                                                                   {"CONTROLS", "ImageWindow"},
                                                                   {"CONSOLE", "Clip1"},
                                                                   {"AUTOSTART", "false"}}));
    const auto panel = page.Offer(
        2, Object({{"classid", kReal}}, {{"CONTROLS", "ControlPanel"}, {"CONSOLE", "clip1 "}}));
    const auto other =
        page.Offer(3, Object({{"classid", kReal}}, {{"SRC", "b.rm"}, {"CONSOLE", "clip2"}}));
    const auto unique =
        page.Offer(4, Object({{"classid", kReal}}, {{"SRC", "c.rm"}, {"CONSOLE", "_unique"}}));
    const auto master =
        page.Offer(5, Embed({{"src", "d.rm"}, {"console", "_master"}, {"controls", "PlayButton"}}));
    // Windows Media players have no consoles.
    const auto wmp = page.Offer(6, Object({{"classid", kWmp7}}, {{"CONSOLE", "clip1"}}));
    ASSERT_TRUE(image && panel && other && unique && master && wmp);
    EXPECT_EQ(panel->player, image->player);
    EXPECT_EQ(image->box, BoxContent::Picture);
    EXPECT_EQ(panel->box, BoxContent::ControlBar);
    EXPECT_FALSE(panel->fallback);
    EXPECT_NE(other->player, image->player);
    EXPECT_NE(unique->player, image->player);
    EXPECT_NE(unique->player, other->player);
    EXPECT_EQ(master->player, image->player);
    EXPECT_NE(wmp->player, image->player);
    const PlayerSettings& settings = *page.Settings(image->player);
    EXPECT_EQ(settings.clip, "http://127.0.0.1:8042/33/a.ram");
    EXPECT_FALSE(settings.autoStart);
    EXPECT_EQ(page.Elements(image->player), (std::vector<int>{1, 2, 5}));

    // The image window goes: the control panel still drives the clip it named.
    EXPECT_EQ(page.Remove(1), std::nullopt);
    EXPECT_EQ(page.Settings(panel->player)->clip, "http://127.0.0.1:8042/33/d.rm");
}

TEST(PlayersTest, AudioOnlyClipsShowTheControlBarOnly) {
    using B = BoxContent;
    const struct {
        BoxContent asked;
        bool audio;
        BoxContent shown;
    } cases[] = {
        {B::PictureAndControlBar, false, B::PictureAndControlBar},
        {B::PictureAndControlBar, true, B::ControlBar},
        {B::Picture, true, B::Nothing},
        {B::ControlBar, true, B::ControlBar},
        {B::Nothing, false, B::Nothing},
    };
    for (const auto& c : cases) EXPECT_EQ(ShownContent(c.asked, c.audio), c.shown);

    const struct {
        const char* address;
        const char* type;
        bool audio;
    } clips[] = {
        {"http://h/a.WMA?x", "", true},
        {"http://h/a.ra", "", true},
        {"http://h/a.rm", "audio/x-pn-realaudio", false},
        {"http://h/a.asp", "audio/mpeg", true},
        {"http://h/a.asp", "audio/x-mpegurl", false},
        {"http://h/a.wmv", "video/x-ms-wmv", false},
    };
    for (const auto& c : clips) {
        EXPECT_EQ(IsAudioOnlyClip(c.address, c.type), c.audio) << c.address << " " << c.type;
    }
}

TEST(PlaybackTest, ScriptsReadTheirPlayersOwnNumbers) {
    using S = PlaybackState;
    const struct {
        PlaybackState state;
        int windowsMedia;
        int windowsMedia64;
        int realPlayer;
    } cases[] = {
        {S::Closed, 0, 6, 0},  {S::Connecting, 9, 3, 1}, {S::Buffering, 6, 3, 2},
        {S::Ready, 10, 0, 0},  {S::Playing, 3, 2, 3},    {S::Paused, 2, 1, 4},
        {S::Stopped, 1, 0, 0}, {S::Ended, 8, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScriptPlayState(PlayerKind::WindowsMedia, c.state), c.windowsMedia);
        EXPECT_EQ(ScriptPlayState(PlayerKind::WindowsMedia64, c.state), c.windowsMedia64);
        EXPECT_EQ(ScriptPlayState(PlayerKind::RealPlayer, c.state), c.realPlayer);
    }
}

TEST(PlaybackTest, PositionGoesToThePageOnlyWhenItWouldReadWrong) {
    // Last given: 5000 ms at 10000 on the clock, playing (the page adds the time since).
    const PositionReport playing{true, 5000, 10000, true};
    const PositionReport paused{true, 5000, 10000, false};
    const struct {
        PositionReport last;
        std::int64_t position;
        bool running;
        std::int64_t now;
        bool due;
    } cases[] = {
        {{}, 0, false, 0, true},              // never given
        {playing, 5000, false, 10100, true},  // paused: at once
        {playing, 6000, true, 11000, false},  // in step with the clock
        {playing, 6200, true, 11000, false},  // a little off
        {playing, 5200, true, 11000, true},   // stalled: off by 800 ms
        {playing, 5100, true, 10500, false},  // off, but given half a second ago
        {playing, 5000, true, 9000, true},    // the clock was put back
        {paused, 5000, false, 60000, false},  // stands still
        {paused, 4000, false, 10500, false},  // moved, given half a second ago
        {paused, 4000, false, 11000, true},   // moved
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PositionReportDue(c.last, c.position, c.running, c.now), c.due)
            << c.position << " at " << c.now;
    }
}

TEST(PlaybackTest, FailureTexts) {
    EXPECT_EQ(ClipFailureText(FailureOfStatus(403), 403),
              "无法播放：服务器拒绝提供这首歌曲（HTTP 403）");
    EXPECT_EQ(FailureOfStatus(401), ClipFailure::Refused);
    EXPECT_EQ(FailureOfStatus(410), ClipFailure::NotFound);
    EXPECT_EQ(FailureOfStatus(502), ClipFailure::ServerError);
    EXPECT_EQ(ClipFailureText(ClipFailure::ConnectionLost), "播放中断：与服务器的连接断开了");
    EXPECT_EQ(ClipFailureText(ClipFailure::RefusedAddress), kRefusedClipMessage);
}

}  // namespace
}  // namespace lorvex
