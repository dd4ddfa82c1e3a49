#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "png_writer.h"

// The report's pictures turned into PNG files on worker threads while the calling thread reads
// and decodes the next ones. Each PNG is kept under its slot's index, so the page is the same
// byte for byte whatever the number of threads and the order in which they finish.
namespace framestow::inspect {

enum class PngSize { kThumbnail, kFullSize };

class PngWorkers {
  public:
    // Starts up to `threads` workers; with none (or none that the system grants) every picture
    // is encoded by the calling thread as it is added.
    PngWorkers(PngSize size, unsigned threads);
    ~PngWorkers();
    PngWorkers(const PngWorkers&) = delete;
    PngWorkers& operator=(const PngWorkers&) = delete;

    // Queues a copy of the picture of slot `index`. While more than twice as many pictures as
    // there are workers wait, encodes the oldest of them itself, so that memory stays bounded by
    // the number of workers.
    void add(std::size_t index, const PixelLayout& layout, std::span<const uint8_t> pixels);

    // Waits until every added picture is encoded and returns the PNG files by slot index, `count`
    // of them, in base64 as a data URI holds them: empty where no picture was added or libpng
    // failed. Throws again what encoding threw on a worker.
    std::vector<std::string> finish(std::size_t count);

  private:
    struct Job {
        std::size_t index = 0;
        PixelLayout layout;
        std::vector<uint8_t> pixels;
    };

    void encode_taken_jobs();
    std::vector<uint8_t> spare_buffer();
    // Encodes the oldest waiting picture with `lock` released; holds it again on return.
    void encode_next(std::unique_lock<std::mutex>& lock);
    // Called with the mutex held.
    void keep(std::size_t index, std::string png);
    void stop_workers();

    const PngSize size_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    std::vector<std::vector<uint8_t>> spare_buffers_;  // of pictures encoded, for reuse
    std::size_t in_flight_ = 0;
    bool closing_ = false;
    std::exception_ptr failure_;  // the first exception a worker caught
    std::vector<std::string> pngs_;
    std::vector<std::jthread> workers_;
};

}  // namespace framestow::inspect
