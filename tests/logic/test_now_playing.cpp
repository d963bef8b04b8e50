#include <gtest/gtest.h>

#include "core/now_playing/now_playing.h"

#include "gb18030_converter.h"

namespace lorvex {
namespace {

struct SongRow {
    const char* address;
    const char* name;
    const char* singer;
};

// Query escapes are GB18030 even where their bytes are also valid UTF-8 (%C4%AC%C4%AC).
TEST(NowPlaying, SongComesFromThePlayerPageAddress) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    const SongRow rows[] = {
        {"http://p/33/playwmv.asp?id=88&g=%C4%AC%C4%AC&c=%C3%A3%C3%A3", "默默", "茫茫"},
        {"http://p/33/playrm.asp?id=7&g=%D4%C2%C1%C1&c=Beyond#top", "月亮", "Beyond"},
        {"http://p/33/playwmv.asp?c=%C3%A3%C3%A3&g=Song%20One", "Song%20One", "茫茫"},
        {"http://p/33/playwmv.asp?id=1&gg=x&cc=y", "", ""},
        {"http://p/33/playwmv.asp", "", ""},
        {"http://p/33/playwmv.asp?id=1&g=%FF%FF&c=", "%FF%FF", ""},
    };
    for (const SongRow& row : rows) {
        SCOPED_TRACE(row.address);
        const Song song = SongOfPlayerPage(row.address);
        EXPECT_EQ(song.name, row.name);
        EXPECT_EQ(song.singer, row.singer);
    }
}

TEST(NowPlaying, FollowsThePlayerThatPlayedLastAndEmptiesWithoutPlayers) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    NowPlayingModel model;
    EXPECT_FALSE(model.Describe().present);
    model.SetPage("http://p/33/playwmv.asp?id=88&g=%C4%AC%C4%AC&c=%C3%A3%C3%A3");
    model.Report(1, {PlaybackState::Ready, -1, true});
    NowPlaying now = model.Describe();
    EXPECT_TRUE(now.present);
    EXPECT_EQ(now.player, 1);
    EXPECT_EQ(now.status, NowPlayingStatus::Stopped);
    EXPECT_EQ(now.song.name, "默默");
    EXPECT_EQ(now.lengthUs, -1);
    EXPECT_FALSE(now.canSeek);  // no length yet

    model.Report(2, {PlaybackState::Playing, 12500, true});
    now = model.Describe();
    EXPECT_EQ(now.player, 2);
    EXPECT_EQ(now.status, NowPlayingStatus::Playing);
    EXPECT_EQ(now.lengthUs, 12500000);
    EXPECT_TRUE(now.canSeek && now.canPause && now.canPlay);

    model.Report(2, {PlaybackState::Paused, 12500, true});
    EXPECT_EQ(model.Describe().status, NowPlayingStatus::Paused);
    model.Report(1, {PlaybackState::Playing, 3000, false});
    EXPECT_EQ(model.Describe().player, 1);
    EXPECT_FALSE(model.Describe().canSeek);

    model.Remove(1);
    EXPECT_EQ(model.Describe().player, 2);
    model.Remove(2);
    EXPECT_FALSE(model.Describe().present);
    EXPECT_EQ(model.Describe(), NowPlaying{});
}

}  // namespace
}  // namespace lorvex
