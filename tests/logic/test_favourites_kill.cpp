// Sudden death while collecting: a child process appends favourites in a loop and is
// killed with SIGKILL at random moments, hundreds of times. The file must only ever grow,
// keep every earlier byte, hold only whole lines (but perhaps an unterminated last one),
// and read back every whole line.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <string>

#include "favourites/favourites_file.h"
#include "favourites/text_codec.h"

namespace lorvex {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Appends numbered favourites until killed; never returns.
[[noreturn]] void CollectForever(const std::string& path, int start) {
    for (int i = start;; ++i) {
        const std::string n = std::to_string(i);
        AppendFavourite(path, "$$DD" + n + "&g=海边的风" + n + "&c=林小雨" + n);
    }
}

TEST(FavouritesKill, FileSurvivesSigkillDuringCollects) {
    const fs::path dir = fs::temp_directory_path() / ("lorvex-kill-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "lorvex.ini").string();

    constexpr int kKills = 250;
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> pause(0, 3000);  // microseconds
    const std::regex whole(R"(\$\$DD(\d+)&g=海边的风\1&c=林小雨\1)");

    std::string before;
    int unterminatedEndings = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) CollectForever(path, kill * 100000);
        ::usleep(static_cast<useconds_t>(pause(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);

        const std::string after = ReadBytes(path);
        ASSERT_GE(after.size(), before.size()) << "the file shrank after kill " << kill;
        ASSERT_EQ(after.compare(0, before.size(), before), 0)
            << "earlier bytes changed after kill " << kill;
        before = after;
        if (!after.empty() && after.back() != '\n') ++unterminatedEndings;
    }

    // Every line ending in CR LF is a whole record; a cut-off tail may follow the last.
    const std::string text = Gb18030ToUtf8(before);
    std::size_t wholeLines = 0;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = text.substr(start, end - start);
        ASSERT_TRUE(std::regex_match(line, whole)) << "broken line: " << line;
        ++wholeLines;
    }
    const bool tail = start < text.size();

    std::size_t read = 0;
    ReadFavourites(path, [&](std::string_view line) {
        if (read < wholeLines) {
            EXPECT_TRUE(std::regex_match(std::string(line), whole));
        }
        ++read;
    });
    EXPECT_EQ(read, wholeLines + (tail ? 1 : 0));
    EXPECT_GT(wholeLines, 0u);
    RecordProperty("unterminated_endings", unterminatedEndings);

    // After a death the next collect starts a line of its own.
    AppendFavourite(path, "$$DD1&g=海边的风1&c=林小雨1");
    const std::string last = ReadBytes(path);
    EXPECT_EQ(last.compare(last.size() - 2, 2, "\r\n"), 0);
    std::size_t lines = 0;
    ReadFavourites(path, [&](std::string_view) { ++lines; });
    EXPECT_EQ(lines, read + 1);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace lorvex

#endif  // _WIN32
