// Sudden death while collecting: a child process appends favourites in a loop and is
// killed with SIGKILL at random moments, hundreds of times. After every death the file
// must have only grown, keep every earlier byte, and hold only whole lines but perhaps an
// unterminated last one. (The kernel may stop a write that crosses a page boundary part of
// the way when the writer is killed, so a cut-off last line does happen.) The next collect
// starts a line of its own, so a cut-off line stays a line by itself, and the reader shows
// every line.
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
#include <set>
#include <string>

#include "core/favourites/favourites_file.h"
#include "core/text/text_codec.h"

namespace lorvex {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t FileSize(const std::string& path) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    return error ? 0 : static_cast<std::size_t>(size);
}

// Appends numbered favourites until killed; never returns.
[[noreturn]] void CollectForever(const std::string& path, int start) {
    for (int i = start;; ++i) {
        const std::string n = std::to_string(i);
        std::string line = "$$DD";
        line.append(n).append("&g=海边的风").append(n).append("&c=林小雨").append(n);
        AppendFavourite(path, line);
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

    Utf8ToGb18030("海");  // the children inherit a ready converter
    std::string before;
    // Where the unterminated last line began after each death that left one.
    std::set<std::size_t> cutLineStarts;
    for (int kill = 0; kill < kKills; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) CollectForever(path, kill * 100000);
        // Kill at a random moment once the child is appending (a slow start, as under a
        // sanitizer, must not turn every round into a kill before the first collect).
        for (int wait = 0; wait < 5000 && FileSize(path) <= before.size(); ++wait) ::usleep(1000);
        ::usleep(static_cast<useconds_t>(pause(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);

        const std::string after = ReadBytes(path);
        ASSERT_GE(after.size(), before.size()) << "the file shrank after kill " << kill;
        ASSERT_EQ(after.compare(0, before.size(), before), 0)
            << "earlier bytes changed after kill " << kill;
        before = after;
        if (!after.empty() && after.back() != '\n') {
            const std::size_t lineEnd = after.find_last_of("\r\n");
            cutLineStarts.insert(lineEnd == std::string::npos ? 0 : lineEnd + 1);
        }
    }

    // Every line is a whole record, but for those that were a cut-off last line.
    std::size_t lines = 0;
    std::size_t wholeLines = 0;
    std::size_t start = 0;
    while (start < before.size()) {
        // Line ends as the reader takes them: CR LF, or a lone CR or LF.
        std::size_t end = before.find_first_of("\r\n", start);
        if (end == std::string::npos) end = before.size();
        const std::size_t next = before.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1;
        const std::string line = Gb18030ToUtf8(before.substr(start, end - start));
        if (std::regex_match(line, whole)) {
            ++wholeLines;
        } else {
            EXPECT_TRUE(cutLineStarts.count(start)) << "broken line: " << line;
        }
        ++lines;
        start = next;
    }
    EXPECT_GT(wholeLines, static_cast<std::size_t>(kKills));

    std::size_t read = 0;
    ReadFavourites(path, [&](std::string_view) { ++read; });
    EXPECT_EQ(read, lines);
    RecordProperty("cut_lines", static_cast<int>(cutLineStarts.size()));

    // After a death the next collect starts a line of its own.
    AppendFavourite(path, "$$DD1&g=海边的风1&c=林小雨1");
    const std::string last = ReadBytes(path);
    EXPECT_EQ(last.compare(last.size() - 2, 2, "\r\n"), 0);
    std::size_t after = 0;
    ReadFavourites(path, [&](std::string_view) { ++after; });
    EXPECT_EQ(after, read + 1);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace lorvex

#endif  // _WIN32
