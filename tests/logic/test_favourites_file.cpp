#include "core/favourites/favourites_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/text/text_codec.h"
#include "gb18030_converter.h"

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#endif

namespace lorvex {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kOrigin = "http://127.0.0.1:8033";

TEST(CollectLine, RewritesPlayerAddresses) {
    struct Case {
        std::string_view address;
        std::string_view expected;
    };
    const Case cases[] = {
        {"http://127.0.0.1:8033/33/playwmv.asp?id=1024&g=海边的风&c=林小雨",
         "$$DD1024&g=海边的风&c=林小雨"},
        {"http://127.0.0.1:8033/33/playrm.asp?id=77&g=Blue%20Moon&c=Ann",
         "$$DD77&g=Blue%20Moon&c=Ann"},
        // Other pages of the portal only lose the portal prefix.
        {"http://127.0.0.1:8033/33/search.asp?keyword=x", "search.asp?keyword=x"},
        {"", ""},
        // Another server keeps its scheme and host; only the page names are rewritten.
        {"http://other.example/33/playwmv.asp?id=5", "http://other.example/33/$$DD5"},
        // Case matters, and every occurrence is replaced.
        {"http://127.0.0.1:8033/33/PLAYWMV.ASP?ID=1", "PLAYWMV.ASP?ID=1"},
        {"playrm.asp?id=1playrm.asp?id=2", "$$DD1$$DD2"},
        // The folder goes first: its removal may join the two halves of a page name.
        {"playwmv.ashttp://127.0.0.1:8033/33/p?id=3", "$$DD3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.address));
        EXPECT_EQ(CollectLine(c.address, MakePortalAddresses(kOrigin)), c.expected);
    }
}

TEST(CollectLine, EmptyOriginRemovesBareFolder) {
    EXPECT_EQ(CollectLine("http://h/33/playwmv.asp?id=1", MakePortalAddresses("")),
              "http://h$$DD1");
}

TEST(ParseFavouriteLine, CutsFieldsByCharacterPositions) {
    struct Case {
        std::string_view line;
        FavouriteRecord expected;
    };
    const Case cases[] = {
        {"$$DD1024&g=海边的风&c=林小雨", {"1024", "海边的风", "林小雨"}},
        {"$$DD77&g=Blue%20Moon&c=Ann", {"77", "Blue%20Moon", "Ann"}},
        {"$$DD5&g=x&c=", {"5", "x", ""}},
        {"", {"", "", ""}},
        // No "&c=": the name count comes out negative, the singer is the last L - 2.
        {"$$DD5&g=x", {"5", "", "DD5&g=x"}},
        // "&c=" before "&g=": no name, the singer is everything after the first "&c=".
        {"$$DD5&c=Ann&g=x", {"5&c=Ann", "", "Ann&g=x"}},
        // "&g=" inside the first four characters leaves no id.
        {"$&g=x&c=y", {"", "x", "y"}},
        {"$$DD&g=x&c=y", {"", "x", "y"}},
        // No "&g=": the name starts at position 3.
        {"$$DD5&c=y", {"", "DD5", "y"}},
        // A line cut on its bytes must agree with the count of characters.
        {"默$DD5&g=x&c=y", {"5", "x", "y"}},
        {"$$D默5&g=x&c=y", {"5", "x", "y"}},
        {"$$DD5&g=&c=y", {"5", "", "y"}},
        {"$$DD5&g=x&c=y&c=z", {"5", "x", "y&c=z"}},
        // Short lines.
        {"$$", {"", "", ""}},
        {"$$DD123456", {"", "", "DD123456"}},
        // Invalid UTF-8 counts as one U+FFFD character per bad byte.
        {"$$DD\xFF&g=\xFEx&c=y", {"\xEF\xBF\xBD", "\xEF\xBF\xBDx", "y"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.line));
        const FavouriteRecord got = ParseFavouriteLine(c.line);
        EXPECT_EQ(got.ID, c.expected.ID);
        EXPECT_EQ(got.GN, c.expected.GN);
        EXPECT_EQ(got.GS, c.expected.GS);
    }
}

TEST(FavouritesFilePath, AlwaysInsertsSeparator) {
#ifdef _WIN32
    EXPECT_EQ(FavouritesFilePath("C:\\Docs"), "C:\\Docs\\lorvex.ini");
#else
    EXPECT_EQ(FavouritesFilePath("/home/u/Documents"), "/home/u/Documents/lorvex.ini");
    EXPECT_EQ(FavouritesFilePath("/home/u/"), "/home/u//lorvex.ini");
#endif
}

// A fresh folder under the system temp folder, removed afterwards.
class FavouritesFileTest : public testing::Test {
  protected:
    void SetUp() override {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        folder_ = fs::temp_directory_path() /
                  ("lorvex-fav-test-" + std::to_string(stamp) + "-" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
        path_ = (folder_ / "lorvex.ini").string();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    std::string Contents() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void Write(const std::string& bytes) const { std::ofstream(path_, std::ios::binary) << bytes; }
    std::vector<std::string> ReadLines() const {
        std::vector<std::string> lines;
        ReadFavourites(path_, [&](std::string_view line) { lines.emplace_back(line); });
        return lines;
    }

    fs::path folder_;
    std::string path_;
};

TEST_F(FavouritesFileTest, AppendCreatesFileWithGb18030LineAndCrLf) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    EXPECT_FALSE(PathExists(path_));
    AppendFavourite(path_, "$$DD1&g=海边的风&c=\xF0\x9F\x98\x80");
    EXPECT_TRUE(PathExists(path_));
    EXPECT_EQ(Contents(), "$$DD1&g=\xBA\xA3\xB1\xDF\xB5\xC4\xB7\xE7&c=\x94\x39\xFC\x36\r\n");
}

TEST_F(FavouritesFileTest, AppendNeverChangesEarlierBytes) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    // Earlier content in a foreign form (LF ends, a stray byte) must stay byte for byte.
    const std::string earlier = "$$DD1&g=a&c=b\n\xFF\x80 odd\n";
    Write(earlier);
    AppendFavourite(path_, "$$DD2&g=林&c=x");
    AppendFavourite(path_, "");
    const std::string contents = Contents();
    ASSERT_GE(contents.size(), earlier.size());
    EXPECT_EQ(contents.substr(0, earlier.size()), earlier);
    EXPECT_EQ(contents.substr(earlier.size()), "$$DD2&g=\xC1\xD6&c=x\r\n\r\n");
}

TEST_F(FavouritesFileTest, AppendEndsAnUnterminatedLastLineFirst) {
    struct Case {
        std::string earlier;
        std::string expected;
    };
    const Case cases[] = {
        {"$$DD1", "$$DD1\r\n$$DD2\r\n"},
        {"$$DD1\r", "$$DD1\r$$DD2\r\n"},
        {"$$DD1\n", "$$DD1\n$$DD2\r\n"},
        {"", "$$DD2\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.earlier));
        Write(c.earlier);
        AppendFavourite(path_, "$$DD2");
        EXPECT_EQ(Contents(), c.expected);
    }
}

TEST_F(FavouritesFileTest, AppendToFolderThrowsNamingThePath) {
    try {
        AppendFavourite(folder_.string(), "x");
        FAIL() << "no error";
    } catch (const FavouritesError& error) {
        EXPECT_NE(std::string(error.what()).find(folder_.string()), std::string::npos);
    }
    // The parent folder is not created here.
    EXPECT_THROW(AppendFavourite((folder_ / "absent" / "lorvex.ini").string(), "x"),
                 FavouritesError);
    EXPECT_FALSE(PathExists((folder_ / "absent").string()));
}

TEST_F(FavouritesFileTest, ReadSplitsOnEveryLineEnd) {
    struct Case {
        std::string_view name;
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"CRLF", "a\r\nb\r\n", {"a", "b"}},
        {"LF, no final end", "a\nb", {"a", "b"}},
        {"CR", "a\rb\r", {"a", "b"}},
        {"mixed with empty lines", "a\r\n\nb\r\rc\n\r\n", {"a", "", "b", "", "c", ""}},
        {"UTF-8 mark", "\xEF\xBB\xBF海\n边", {"海", "边"}},
        {"UTF-16 LE mark", std::string("\xFF\xFE\x77\x6D\r\0\n\0x\0", 10), {"海", "x"}},
        {"empty file", "", {}},
        {"only a line end", "\r\n", {""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write(c.bytes);
        EXPECT_EQ(ReadLines(), c.lines);
    }
    // No mark: GB18030.
    SKIP_WITHOUT_GB18030_CONVERTER();
    Write("$$DD1&g=\xBA\xA3\r\n");
    EXPECT_EQ(ReadLines(), std::vector<std::string>{"$$DD1&g=海"});
}

TEST_F(FavouritesFileTest, AppendedLinesReadBack) {
    SKIP_WITHOUT_GB18030_CONVERTER();
    const std::vector<std::string> lines = {"$$DD1024&g=海边的风&c=林小雨",
                                            "$$DD2&g=\xE2\x82\xAC&c=", "http://other.example/x"};
    for (const auto& line : lines) AppendFavourite(path_, line);
    EXPECT_EQ(ReadLines(), lines);
}

TEST_F(FavouritesFileTest, ReadingAFolderOrMissingFileThrows) {
    EXPECT_THROW(ReadLines(), FavouritesError);  // not created yet
    EXPECT_THROW(ReadFavourites(folder_.string(), [](std::string_view) {}), FavouritesError);
    EXPECT_TRUE(PathExists(folder_.string()));
}

#ifndef _WIN32
// Only a regular file is read or appended to: a pipe would hang the reader, a device would
// swallow a collect and report it done. Each fails like a folder, and no descriptor stays
// open, whatever went wrong.
TEST_F(FavouritesFileTest, AnythingButARegularFileIsRefused) {
    const auto openDescriptors = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
    };
    const auto before = openDescriptors();
    struct Case {
        std::string_view name;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"named pipe", [&] { ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0); }},
        {"device", [&] { fs::create_symlink("/dev/null", path_); }},
        {"socket",
         [&] {
             const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path_.c_str());
             ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
             ::close(fd);
         }},
        // Sparse, a terabyte long: too large to read, and no allocation is tried.
        {"huge file",
         [&] {
             Write("");
             ASSERT_EQ(::truncate(path_.c_str(), 1LL << 40), 0);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(path_);
        c.make();
        EXPECT_THROW(ReadLines(), FavouritesError);
        if (c.name != "huge file") {
            EXPECT_THROW(AppendFavourite(path_, "$$DD1"), FavouritesError);
        }
        EXPECT_EQ(openDescriptors(), before);
    }
    fs::remove(path_);
}
#endif

}  // namespace
}  // namespace lorvex
