#include "stages/preparation.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <iostream>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "stages/picture_steps.h"
#include "stages/settings.h"
#include "stages/worker_count.h"
#include "workspace/workspace.h"

namespace framestow {

namespace {

// Pictures are numbered on progress lines of twenty.
constexpr std::size_t kProgressPerLine = 20;

// PNG names first, then BMP names, each group in the platform's search order.
std::vector<std::string> list_pictures(const std::string& png_pattern,
                                       const std::string& bmp_pattern) {
    std::vector<std::string> names = find_all_files(png_pattern);
    const std::vector<std::string> bmp_names = find_all_files(bmp_pattern);
    names.insert(names.end(), bmp_names.begin(), bmp_names.end());
    return names;
}

void print_progress(std::size_t index) {
    if (index % kProgressPerLine == 0) {
        std::cout << std::endl;
    } else {
        std::cout << " ";
    }
    std::cout << index;
}

// Prints the lines of picture `index`, whose staging files are written, and its progress number.
// Returns its status.
int commit_in_order(std::size_t index, const std::string& name, const StagedPicture& staged) {
    // The tool has always marked this one picture name with a line "Error" on the console,
    // and users' scripts may look for it; the picture itself is handled like any other.
    if (name == "A012_010.png") {
        std::cout << "Error" << std::endl;
    }
    print_staged_picture(staged);
    if (staged.result == 0) {
        print_progress(index);
    }
    return staged.result;
}

// The pictures of one run with what each needs: its paths, and the settings for all.
struct PictureList {
    const std::vector<std::string>& names;
    std::vector<PictureJob> jobs;
    const CodecSettings& settings;
};

int prepare_one_by_one(const PictureList& pictures) {
    PictureBuffers buffers;
    for (std::size_t i = 0; i < pictures.jobs.size(); ++i) {
        const int result = commit_in_order(
            i, pictures.names[i], stage_picture(pictures.jobs[i], pictures.settings, buffers));
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

// One picture in flight: what its worker made of it, staging files written.
struct Slot {
    StagedPicture staged;
    std::exception_ptr failure;  // what staging the picture threw, passed on by the writer
    bool ready = false;
};

// Worker threads prepare pictures and write their staging files ahead of the committing thread,
// which prints them in picture order. Picture i uses slot i mod the number of slots, and a worker
// takes it only once picture i - slots has been committed: at most that many pictures are in
// flight, and each worker has its own working areas, so memory stays the same however many
// pictures there are. The committing thread stops at the first picture that fails.
class PicturePipeline {
  public:
    PicturePipeline(std::size_t picture_count, std::size_t slot_count)
        : picture_count_(picture_count), slots_(slot_count) {}

    Slot& slot(std::size_t index) { return slots_[index % slots_.size()]; }

    // For a worker: the next picture to prepare, once its slot is free; empty when every picture
    // has been taken or the run has stopped.
    std::optional<std::size_t> take() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] {
            return stopped_ || next_to_take_ >= picture_count_ ||
                   next_to_take_ < next_to_commit_ + slots_.size();
        });
        if (stopped_ || next_to_take_ >= picture_count_) {
            return std::nullopt;
        }
        ++in_flight_;
        return next_to_take_++;
    }

    void mark_prepared(std::size_t index) {
        const std::lock_guard lock(mutex_);
        slot(index).ready = true;
        --in_flight_;
        changed_.notify_all();
    }

    // For the writer.
    void wait_until_prepared(std::size_t index) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return slot(index).ready; });
    }

    void mark_committed(std::size_t index) {
        const std::lock_guard lock(mutex_);
        slot(index).ready = false;
        next_to_commit_ = index + 1;
        changed_.notify_all();
    }

    void stop() {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }

    // Stops the workers taking pictures and waits until those taken are staged. Returns the
    // number of pictures taken: every picture below it is staged, none above it is begun.
    std::size_t stop_and_wait() {
        std::unique_lock lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return in_flight_ == 0; });
        return next_to_take_;
    }

  private:
    const std::size_t picture_count_;
    std::vector<Slot> slots_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_to_take_ = 0;
    std::size_t next_to_commit_ = 0;
    std::size_t in_flight_ = 0;
    bool stopped_ = false;
};

void prepare_taken_pictures(PicturePipeline& pipeline, const PictureList& pictures) {
    PictureBuffers buffers;
    while (const std::optional<std::size_t> index = pipeline.take()) {
        Slot& slot = pipeline.slot(*index);
        // An exception must not end a worker thread, which would end the program: the writer
        // throws it again in its own thread when the picture's turn comes.
        try {
            slot.staged = stage_picture(pictures.jobs[*index], pictures.settings, buffers);
        } catch (...) {
            slot.failure = std::current_exception();
        }
        pipeline.mark_prepared(*index);
    }
}

// After picture `failed` failed, removes the staging files that workers wrote for the pictures
// after it, so that temp/ holds what a run on one worker leaves. A file that cannot be removed is
// named; the run fails either way.
void remove_later_staging_files(PicturePipeline& pipeline, std::size_t failed) {
    const std::size_t taken = pipeline.stop_and_wait();
    for (std::size_t i = failed + 1; i < taken; ++i) {
        for (const std::string& path : pipeline.slot(i).staged.record.created) {
            if (!platform::remove_file(path)) {
                std::cout << "prepare_zip_files: fail to delete file = " << path << std::endl;
            }
        }
    }
}

// Starts up to `count` workers; fewer when the system refuses more threads.
std::vector<std::jthread> start_workers(unsigned count, PicturePipeline& pipeline,
                                        const PictureList& pictures) {
    std::vector<std::jthread> workers;
    try {
        for (unsigned k = 0; k < count; ++k) {
            workers.emplace_back(prepare_taken_pictures, std::ref(pipeline), std::cref(pictures));
        }
    } catch (const std::system_error&) {
    }
    return workers;
}

// Each worker keeps its own working areas; the slots hold only what is left to print, so there
// are twice as many as workers, to keep the workers busy while the committing thread catches up.
int prepare_in_parallel(const PictureList& pictures, unsigned workers) {
    PicturePipeline pipeline(pictures.jobs.size(), std::size_t{workers} * 2);
    const std::vector<std::jthread> threads = start_workers(workers, pipeline, pictures);
    if (threads.empty()) {
        return prepare_one_by_one(pictures);
    }
    try {
        for (std::size_t i = 0; i < pictures.jobs.size(); ++i) {
            pipeline.wait_until_prepared(i);
            Slot& slot = pipeline.slot(i);
            if (slot.failure) {
                // Thrown as a run on one worker throws it, with temp/ as that run leaves it.
                remove_later_staging_files(pipeline, i);
                std::rethrow_exception(std::exchange(slot.failure, nullptr));
            }
            const int result = commit_in_order(i, pictures.names[i], slot.staged);
            if (result != 0) {
                // The workers have stopped; the threads are joined on the way out.
                remove_later_staging_files(pipeline, i);
                return result;
            }
            pipeline.mark_committed(i);
        }
    } catch (...) {
        // Stopped first, so that the workers end and the threads can be joined on the way out.
        pipeline.stop();
        throw;
    }
    // The workers end once nothing is left to take; the threads are joined on the way out.
    pipeline.stop();
    return 0;
}

}  // namespace

int prepare_zip_files(const std::string& working_path) {
    using platform::path_literal;
    const std::string png_pattern = working_path + path_literal("\\image\\*.png");
    const std::string bmp_pattern = working_path + path_literal("\\image\\*.bmp");
    const std::vector<std::string> names = list_pictures(png_pattern, bmp_pattern);
    if (names.empty()) {
        std::cout << "The path is empty: " << bmp_pattern << "and " << png_pattern << std::endl;
        std::cout << std::endl;
        return -1;
    }

    // Read once for the run: config.ini does not change while the packer works.
    const CodecSettings settings = read_codec_settings(working_path + path_literal("\\config.ini"));
    PictureList pictures{names, {}, settings};
    ColourSettingsReader colours(working_path + path_literal("\\config.ini"));
    for (const std::string& name : names) {
        pictures.jobs.push_back(make_picture_job(working_path, name));
        pictures.jobs.back().colour = colours.read(name);
    }
    const unsigned workers =
        std::min<std::size_t>(worker_count(platform::environment_value("FRAMESTOW_JOBS"),
                                           platform::hardware_threads(), std::cerr),
                              names.size());

    std::cout << "Zipping bitmap files:";
    const int result =
        workers <= 1 ? prepare_one_by_one(pictures) : prepare_in_parallel(pictures, workers);
    std::cout << std::endl;
    std::cout << std::endl;
    return result;
}

}  // namespace framestow
