#include "support/workspace_harness.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <thread>

extern char** environ;

namespace framestow::testing {

namespace fs = std::filesystem;

std::vector<std::string> ProcessResult::out_lines() const {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream stream(out);
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

namespace {

bool is_windows_program(const fs::path& program) {
    const std::string extension = program.extension().string();
    return extension == ".exe" || extension == ".EXE";
}

// Lowers the file size limit for the processes started while it lives. Writes past the limit
// fail with EFBIG instead of raising SIGXFSZ, as writes to a full disk fail with ENOSPC.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(uint64_t limit) : active_(limit != 0) {
        if (active_) {
            getrlimit(RLIMIT_FSIZE, &previous_);
            const rlimit lowered{limit, previous_.rlim_max};
            setrlimit(RLIMIT_FSIZE, &lowered);
            previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        }
    }
    ~FileSizeLimit() {
        if (active_) {
            setrlimit(RLIMIT_FSIZE, &previous_);
            std::signal(SIGXFSZ, previous_handler_);
        }
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    bool active_;
    rlimit previous_{};
    void (*previous_handler_)(int) = SIG_DFL;
};

std::string replace_all(std::string_view text, std::string_view from, std::string_view to) {
    std::string replaced;
    for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from)) {
        replaced.append(text.substr(0, at)).append(to);
        text.remove_prefix(at + from.size());
    }
    return replaced.append(text);
}

// A Windows program run through the emulator sees the Linux root as drive Z:, writes paths with
// backslashes and ends its lines with CR LF. Its output is put into the Linux form, so that the
// same expectations hold for both builds.
std::string as_linux_output(const std::string& text) {
    std::string linux_form = replace_all(replace_all(text, "\r\n", "\n"), "Z:\\", "/");
    std::replace(linux_form.begin(), linux_form.end(), '\\', '/');
    return linux_form;
}

// Waits for the process to end, killing it once `time_limit` (when not zero) has passed.
int wait_for(pid_t pid, std::chrono::seconds time_limit) {
    const auto deadline = std::chrono::steady_clock::now() + time_limit;
    int status = 0;
    for (;;) {
        const pid_t ended = waitpid(pid, &status, time_limit.count() == 0 ? 0 : WNOHANG);
        if (ended == pid) {
            return status;
        }
        if (ended == 0 && std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            time_limit = std::chrono::seconds{0};
        } else if (ended == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
}

}  // namespace

ProcessResult run_program(const fs::path& program, const std::vector<std::string>& args,
                          const fs::path& folder, uint64_t file_size_limit,
                          std::chrono::seconds time_limit) {
    TempFolder capture;
    const std::string out_path = (capture.path() / "out").string();
    const std::string err_path = (capture.path() / "err").string();

    std::vector<std::string> argv_text;
    const char* emulator = std::getenv("FRAMESTOW_EMULATOR");
    const bool emulated = is_windows_program(program) && emulator != nullptr && *emulator != '\0';
    if (emulated) {
        argv_text.emplace_back(emulator);
    }
    argv_text.push_back(program.string());
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argv_text) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = 0;
    int spawn_error = 0;
    {
        FileSizeLimit limit(file_size_limit);
        spawn_error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    }
    posix_spawn_file_actions_destroy(&actions);
    if (spawn_error != 0) {
        throw std::runtime_error("cannot start " + argv_text[0]);
    }
    const int status = wait_for(pid, time_limit);
    ProcessResult result;
    result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = read_text(out_path);
    result.err = read_text(err_path);
    if (emulated) {
        result.out = as_linux_output(result.out);
        result.err = as_linux_output(result.err);
    }
    return result;
}

ScopedEnvironment::ScopedEnvironment(
    const std::vector<std::pair<std::string, std::string>>& values) {
    for (const auto& [name, value] : values) {
        const char* previous = std::getenv(name.c_str());
        saved_.emplace_back(
            name, previous == nullptr ? std::nullopt : std::optional<std::string>(previous));
        setenv(name.c_str(), value.c_str(), 1);
    }
}

ScopedEnvironment::~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) {
        if (value) {
            setenv(name.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
    }
}

FolderContents folder_contents(const fs::path& root) {
    FolderContents contents;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).generic_string();
        if (entry.is_directory()) {
            contents[relative + "/"] = {};
        } else {
            contents[relative] = read_bytes(entry.path());
        }
    }
    return contents;
}

PackerWorkspace::PackerWorkspace(const fs::path& built_program) {
    program_ = root() / built_program.filename();
    fs::copy_file(built_program, program_);
    fs::create_directory(root() / "image");
}

fs::path PackerWorkspace::image(const std::string& name) const {
    return root() / "image" / name;
}

fs::path PackerWorkspace::staged(const std::string& subfolder, const std::string& name) const {
    return root() / "temp" / subfolder / name;
}

fs::path PackerWorkspace::output(const std::string& name) const {
    return root() / "output" / name;
}

void PackerWorkspace::write_config(const std::string& text) const {
    write_text(root() / "config.ini", text);
}

ProcessResult PackerWorkspace::run(const std::vector<std::string>& args, uint64_t file_size_limit,
                                   std::chrono::seconds time_limit) const {
    return run_program(program_, args, fs::temp_directory_path(), file_size_limit, time_limit);
}

}  // namespace framestow::testing
