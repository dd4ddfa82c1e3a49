// Hexfold's conversion speed on a 100 MB text full of literals, next to the speed of only
// reading the same file, measured in the same run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "converter.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t text_size = 100 * 1000 * 1000;

fs::path work_dir;
fs::path text_path;
fs::path output_path;

// Lines like those of a generated C table, with literals of 2, 4, 8 and 16 digits.
void write_text() {
    const std::array<const char*, 4> literals = {"0x7F", "0xBEEF", "0x12345678",
                                                 "0x0123456789ABCDEF"};
    std::string line;
    std::string text;
    text.reserve(text_size + 256);
    for (std::size_t i = 0; text.size() < text_size; ++i) {
        line = "    ";
        for (std::size_t j = 0; j < 8; ++j) {
            line += literals[(i + j) % literals.size()];
            line += ", ";
        }
        line += "\r\n";
        text += line;
    }
    std::ofstream(text_path, std::ios::binary) << text;
}

void BM_ReadOnly(benchmark::State& state) {
    std::array<char, 64 * 1024> chunk{};
    for (auto _ : state) {
        std::ifstream in(text_path, std::ios::binary);
        std::size_t total = 0;
        while (in.read(chunk.data(), chunk.size()) || in.gcount() > 0) {
            total += static_cast<std::size_t>(in.gcount());
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(fs::file_size(text_path)));
}

void BM_Convert(benchmark::State& state) {
    for (auto _ : state) {
        if (hexfold::convert_file(text_path, output_path) != 0) {
            state.SkipWithError("conversion failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(fs::file_size(text_path)));
    state.counters["output_MB"] = static_cast<double>(fs::file_size(output_path)) / 1e6;
}

BENCHMARK(BM_ReadOnly)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Convert)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    std::string dir = (fs::temp_directory_path() / "hexfold_bench_XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    work_dir = dir;
    text_path = work_dir / "literals.txt";
    output_path = work_dir / "ui_bitmap_mapping.bin";
    write_text();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(work_dir);
    return 0;
}
