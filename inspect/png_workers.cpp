#include "png_workers.h"

#include <optional>
#include <system_error>
#include <utility>

#include "base64.h"
#include "thumbnail.h"

namespace framestow::inspect {

namespace {

std::optional<std::string> png_of(PngSize size, const PixelLayout& layout,
                                  std::span<const uint8_t> pixels) {
    if (size == PngSize::kFullSize) {
        return encode_png(layout, pixels, PngEffort::kFastest);
    }
    const ScaledPicture thumbnail = scale_down(layout, pixels);
    return encode_png(thumbnail.layout, thumbnail.pixels, PngEffort::kThumbnail);
}

// The text is made here too, on the worker, rather than by the single thread that writes the
// page.
std::string encoded(PngSize size, const PixelLayout& layout, std::span<const uint8_t> pixels) {
    const std::optional<std::string> png = png_of(size, layout, pixels);
    return png ? base64(*png) : std::string();
}

}  // namespace

PngWorkers::PngWorkers(PngSize size, unsigned threads) : size_(size) {
    try {
        for (unsigned k = 0; k < threads; ++k) {
            workers_.emplace_back([this] { encode_taken_jobs(); });
        }
    } catch (const std::system_error&) {
        // Fewer workers than asked for: the pictures are shared among those that started.
    }
}

PngWorkers::~PngWorkers() {
    stop_workers();
}

void PngWorkers::add(std::size_t index, const PixelLayout& layout,
                     std::span<const uint8_t> pixels) {
    if (workers_.empty()) {
        std::string png = encoded(size_, layout, pixels);
        const std::lock_guard lock(mutex_);
        keep(index, std::move(png));
        return;
    }
    Job job{index, layout, spare_buffer()};
    // A buffer used before keeps its memory: no fresh pages to fault in for every picture.
    job.pixels.assign(pixels.begin(), pixels.end());
    std::unique_lock lock(mutex_);
    if (failure_) {
        // finish() throws it; the rest of the pictures would be encoded in vain.
        return;
    }
    queue_.push_back(std::move(job));
    changed_.notify_all();
    // When the workers fall behind, this thread encodes the oldest waiting pictures itself rather
    // than wait for room: the queue stays short, and no thread idles while pictures wait.
    while (!failure_ && queue_.size() > 2 * workers_.size()) {
        encode_next(lock);
    }
}

std::vector<std::string> PngWorkers::finish(std::size_t count) {
    std::unique_lock lock(mutex_);
    while (!failure_ && !queue_.empty()) {
        encode_next(lock);
    }
    changed_.wait(lock, [this] { return failure_ || in_flight_ == 0; });
    if (failure_) {
        std::rethrow_exception(failure_);
    }
    pngs_.resize(count);
    return std::move(pngs_);
}

void PngWorkers::encode_taken_jobs() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return closing_ || !queue_.empty(); });
        if (closing_) {
            return;
        }
        encode_next(lock);
    }
}

std::vector<uint8_t> PngWorkers::spare_buffer() {
    const std::lock_guard lock(mutex_);
    if (spare_buffers_.empty()) {
        return {};
    }
    std::vector<uint8_t> buffer = std::move(spare_buffers_.back());
    spare_buffers_.pop_back();
    return buffer;
}

void PngWorkers::encode_next(std::unique_lock<std::mutex>& lock) {
    Job job = std::move(queue_.front());
    queue_.pop_front();
    ++in_flight_;
    lock.unlock();
    std::string png;
    std::exception_ptr failure;
    // An exception must not end a worker thread, which would end the program: finish() throws
    // it again on the calling thread.
    try {
        png = encoded(size_, job.layout, job.pixels);
    } catch (...) {
        failure = std::current_exception();
    }
    lock.lock();
    if (!failure) {
        keep(job.index, std::move(png));
    } else if (!failure_) {
        failure_ = failure;
    }
    spare_buffers_.push_back(std::move(job.pixels));
    --in_flight_;
    changed_.notify_all();
}

void PngWorkers::keep(std::size_t index, std::string png) {
    // Pictures come in package order, not slot order: the list only ever grows.
    if (pngs_.size() <= index) {
        pngs_.resize(index + 1);
    }
    pngs_[index] = std::move(png);
}

void PngWorkers::stop_workers() {
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    // Joins every worker; those busy with a picture end once it is encoded.
    workers_.clear();
}

}  // namespace framestow::inspect
