// Runs a harness over saved inputs without libFuzzer: every file named on the command line, and
// every file in the folders named there, in name order. The tests use it to replay the seed
// corpora and the inputs that once failed (regressions/) with any compiler. Each input is copied
// into a buffer of its exact size, so that the sanitizers see a read past its end; an input that
// runs too long or makes the process too large fails as the fuzzer would have failed it.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

namespace {

// The limits of scripts/fuzz.sh: the fuzzer's -timeout and, for the peak size, half its
// -rss_limit_mb, since this process holds no corpus.
constexpr double kLongestRunSeconds = 10;
constexpr long kLargestPeakKilobytes = 1024 * 1024;

long peak_kilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::vector<std::filesystem::path> inputs_in(const std::filesystem::path& path) {
    std::vector<std::filesystem::path> inputs;
    if (std::filesystem::is_directory(path)) {
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            if (entry.is_regular_file()) {
                inputs.push_back(entry.path());
            }
        }
        std::sort(inputs.begin(), inputs.end());
    } else if (std::filesystem::is_regular_file(path)) {
        inputs.push_back(path);
    }
    return inputs;
}

bool read_whole(const std::filesystem::path& path, std::vector<uint8_t>& bytes) {
    std::ifstream file(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const std::filesystem::path& input : inputs_in(argv[i])) {
            std::vector<uint8_t> bytes;
            if (!read_whole(input, bytes)) {
                std::cerr << "cannot read " << input.string() << std::endl;
                return 1;
            }
            // The harness aborts on a broken invariant; name the input first.
            std::cerr << "replaying " << input.string() << std::endl;
            const std::vector<uint8_t> exact(bytes.begin(), bytes.end());
            const auto start = std::chrono::steady_clock::now();
            LLVMFuzzerTestOneInput(exact.data(), exact.size());
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            if (took.count() > kLongestRunSeconds || peak_kilobytes() > kLargestPeakKilobytes) {
                std::cerr << "too slow or too large: " << took.count() << " s, peak "
                          << peak_kilobytes() / 1024 << " MB" << std::endl;
                return 1;
            }
            ++replayed;
        }
    }
    std::cerr << "replayed " << replayed << " inputs" << std::endl;
    return replayed == 0 ? 1 : 0;
}
