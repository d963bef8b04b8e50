// Speed of the favourites logic on large inputs: building the library page from a
// 100,000-line file, appending one line to a small and to a large file, and decoding 4 MB
// of favourites text. Fixtures are generated into a temporary folder removed at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "core/favourites/favourites_file.h"
#include "core/text/text_codec.h"
#include "core/written/pages.h"

namespace fs = std::filesystem;
using namespace lorvex;

namespace {

constexpr std::string_view kOrigin = "http://127.0.0.1:8033";

fs::path g_dir;  // the temporary folder holding every fixture

// Line i of a generated favourites file, as a collect stores it (UTF-8): Chinese names
// and singers with the odd "%20" and a character that needs escaping in the page.
std::string RecordLine(int i) {
    static constexpr std::string_view kNames[] = {"月亮代表我的心", "后来%20live", "童话",
                                                  "Tom&Jerry 主题曲", "十年"};
    static constexpr std::string_view kSingers[] = {"邓丽君", "刘若英", "光良", "群星<合唱>",
                                                    "陈奕迅"};
    std::string line = "$$DD" + std::to_string(100000 + i) + "&g=";
    line += kNames[i % 5];
    line += "&c=";
    line += kSingers[(i / 5) % 5];
    return line;
}

// Writes `lines` generated records as GB18030 with CR LF line ends; returns the path.
fs::path WriteFavouritesFile(const std::string& name, int lines) {
    std::string utf8;
    for (int i = 0; i < lines; ++i) utf8 += RecordLine(i) + "\r\n";
    const fs::path path = g_dir / name;
    std::ofstream(path, std::ios::binary) << Utf8ToGb18030(utf8);
    return path;
}

// The library page as the client builds it: each piece is appended to the document in
// GB18030, the bytes the view is served.
void BM_LibraryPage100k(benchmark::State& state) {
    const fs::path path = WriteFavouritesFile("library.ini", 100000);
    const std::string pathText = path.string();
    const auto fileBytes = static_cast<int64_t>(fs::file_size(path));
    const LibraryPage page(MakePortalAddresses(kOrigin));
    std::size_t pageBytes = 0;
    for (auto _ : state) {
        const std::string encoded = page.DocumentOfFile(ReadFavouritesBytes(pathText));
        pageBytes = encoded.size();
        benchmark::DoNotOptimize(encoded.data());
    }
    // Throughput counts the favourites file read; the page size is shown alongside.
    state.SetBytesProcessed(state.iterations() * fileBytes);
    state.counters["file_MB"] = static_cast<double>(fileBytes) / 1e6;
    state.counters["page_MB"] = static_cast<double>(pageBytes) / 1e6;
}
BENCHMARK(BM_LibraryPage100k)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One collect on a file of state.range(0) lines; each benchmark starts from its own fresh
// copy, which then grows by one line per iteration.
void BM_AppendFavourite(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    const fs::path source = WriteFavouritesFile("source.ini", lines);
    const fs::path copy = g_dir / ("append-" + std::to_string(lines) + ".ini");
    fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
    const std::string pathText = copy.string();
    const std::string line = RecordLine(lines);
    for (auto _ : state) AppendFavourite(pathText, line);
    state.counters["lines"] = lines;
}
BENCHMARK(BM_AppendFavourite)->Arg(10)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Decoding 4 MB of favourites text (GB18030, no byte-order mark).
void BM_DecodeFavourites4MB(benchmark::State& state) {
    std::string utf8;
    for (int i = 0; Utf8ToGb18030(utf8).size() < (4u << 20); i += 1000) {
        for (int j = i; j < i + 1000; ++j) utf8 += RecordLine(j) + "\r\n";
    }
    std::string bytes = Utf8ToGb18030(utf8);
    bytes.resize(4u << 20);  // may cut the last character: decoding goes on regardless
    for (auto _ : state) {
        const std::string text = DecodeFavouritesText(bytes);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_DecodeFavourites4MB)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::string pattern = (fs::temp_directory_path() / "lorvex-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    g_dir = pattern;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(g_dir);
    return 0;
}
