// File, the checked binary file of the platform layer, over the C runtime's streams.

#include <atomic>
#include <chrono>
#include <limits>
#include <utility>

#include "platform/platform.h"
#include "platform/stdio_files.h"
#include "platform/stdio_offsets.h"

namespace framestow::platform {

namespace {

// Pictures are read in small pieces (libpng asks for a few kilobytes at a time); a read buffer of
// this size lets each system call bring in that much, where the C runtime's default would take
// one for every few kilobytes. The runtime takes a buffer's size only with the buffer itself.
// Writes need none: the packer writes whole files, or large pieces, which the runtime passes on
// as they come.
constexpr std::size_t kReadBuffer = std::size_t{1} << 16;

// Names taken by others are skipped; past this many, the folder is not one to write into.
constexpr int kTemporaryNameAttempts = 100;

// A part of a temporary name that other runs and planted files are unlikely to hold: the clock
// and a count of the names asked for, mixed (the splitmix64 finaliser) into 32 bits.
std::string random_name_part() {
    static std::atomic<uint64_t> count{0};
    uint64_t mixed =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) +
        0x9E3779B97F4A7C15u * ++count;
    mixed = (mixed ^ (mixed >> 30)) * 0xBF58476D1CE4E5B9u;
    mixed = (mixed ^ (mixed >> 27)) * 0x94D049BB133111EBu;
    mixed ^= mixed >> 31;
    constexpr char kHexDigits[] = "0123456789abcdef";
    std::string part(8, '0');
    for (char& digit : part) {
        digit = kHexDigits[mixed & 0xF];
        mixed >>= 4;
    }
    return part;
}

}  // namespace

File File::open_for_reading(const std::string& path) {
    File file;
    file.stream_ = open_regular_stream(path);
    if (file.stream_ != nullptr) {
        file.buffer_ = std::make_unique_for_overwrite<char[]>(kReadBuffer);
        std::setvbuf(file.stream_, file.buffer_.get(), _IOFBF, kReadBuffer);
    }
    return file;
}

File File::open_for_writing(const std::string& path) {
    File file;
    file.stream_ = std::fopen(path.c_str(), "wb");
    return file;
}

TemporaryFile File::create_temporary_beside(const std::string& final_path) {
    TemporaryFile temporary;
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        std::string candidate = final_path + "." + random_name_part() + ".partial";
        bool name_taken = false;
        temporary.file.stream_ = create_new_stream(candidate, name_taken);
        if (temporary.file.stream_ != nullptr) {
            temporary.path = std::move(candidate);
            break;
        }
        if (!name_taken) {
            break;
        }
    }
    return temporary;
}

File::File(File&& other) noexcept
    : buffer_(std::move(other.buffer_)),
      stream_(std::exchange(other.stream_, nullptr)),
      write_failed_(std::exchange(other.write_failed_, false)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (stream_ != nullptr) {
            std::fclose(stream_);
        }
        buffer_ = std::move(other.buffer_);
        stream_ = std::exchange(other.stream_, nullptr);
        write_failed_ = std::exchange(other.write_failed_, false);
    }
    return *this;
}

File::~File() {
    if (stream_ != nullptr) {
        std::fclose(stream_);
    }
}

std::size_t File::read(void* data, std::size_t size) {
    if (stream_ == nullptr) {
        return 0;
    }
    return std::fread(data, 1, size, stream_);
}

bool File::read_failed() const {
    return stream_ == nullptr || std::ferror(stream_) != 0;
}

bool File::write(const void* data, std::size_t size) {
    if (stream_ == nullptr || std::fwrite(data, 1, size, stream_) != size) {
        write_failed_ = true;
        return false;
    }
    return true;
}

std::optional<uint64_t> File::length() {
    if (stream_ == nullptr) {
        return std::nullopt;
    }
    const int64_t position = tell_offset(stream_);
    if (position < 0 || !seek_offset(stream_, 0, SEEK_END)) {
        return std::nullopt;
    }
    const int64_t end = tell_offset(stream_);
    // The position is put back, so measuring does not disturb reading.
    if (end < 0 || !seek_offset(stream_, position, SEEK_SET)) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(end);
}

bool File::seek(uint64_t offset) {
    if (stream_ == nullptr || offset > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        return false;
    }
    return seek_offset(stream_, static_cast<int64_t>(offset), SEEK_SET);
}

bool File::close() {
    if (stream_ == nullptr) {
        return false;
    }
    // Written data may sit in the stream's buffer until now, so a full disk often shows only here.
    bool ok = !write_failed_;
    if (std::fflush(stream_) != 0) {
        ok = false;
    }
    // A flush that failed earlier, inside a seek for length(), leaves only the error flag behind.
    if (std::ferror(stream_) != 0) {
        ok = false;
    }
    if (std::fclose(stream_) != 0) {
        ok = false;
    }
    stream_ = nullptr;
    write_failed_ = false;
    return ok;
}

}  // namespace framestow::platform
