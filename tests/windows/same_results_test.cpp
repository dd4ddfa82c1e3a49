// The Linux and the Windows programs, given the same workspace or the same text, must leave the
// same bytes behind: staging files, package files, BitmapMapping.cpp and .xml, and
// ui_bitmap_mapping.bin. Their console output may differ only in the path separator and the line
// ends (the harness turns the Windows form into the Linux one) and, for Hexfold, in the encoding
// of its messages and the interpreter's "pause" prompt.
#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ini_lookups.h"
#include "platform/platform.h"
#include "support/test_pictures.h"
#include "support/workspace_harness.h"

namespace framestow {
namespace {

namespace fs = std::filesystem;
using testing::encode_png;
using testing::make_bmp;
using testing::PackerWorkspace;
using testing::PngColour;
using testing::PngOptions;
using testing::ProcessResult;
using testing::read_bytes;
using testing::TempFolder;
using testing::uniform_rgba;
using testing::write_bytes;
using testing::write_png;
using testing::write_text;
using Bytes = std::vector<uint8_t>;

// Every file under `root` but the program itself, by its path relative to `root`.
std::map<std::string, Bytes> files_under(const fs::path& root, const std::string& program_name) {
    std::map<std::string, Bytes> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).generic_string();
        if (entry.is_regular_file() && relative != program_name) {
            files[relative] = read_bytes(entry.path());
        } else if (entry.is_directory()) {
            files[relative + "/"] = {};
        }
    }
    return files;
}

// The output with the workspace's own folder replaced, so that two workspaces compare equal.
std::string without_root(std::string text, const PackerWorkspace& workspace) {
    const std::string root = fs::canonical(workspace.root()).string();
    for (std::size_t at = text.find(root); at != std::string::npos; at = text.find(root, at)) {
        text.replace(at, root.size(), "<workspace>");
    }
    return text;
}

Bytes noisy_rgba(uint32_t width, uint32_t height, uint32_t seed) {
    Bytes pixels(std::size_t{width} * height * 4);
    for (uint8_t& byte : pixels) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(seed >> 16);
    }
    return pixels;
}

std::string long_app_list() {
    std::string list = "A009";
    for (int app = 100; app < 170; ++app) {
        list += ",A" + std::to_string(app);
    }
    return list + ",A001";
}

void copy_demo(const PackerWorkspace& workspace) {
    const fs::path demo = fs::path(FRAMESTOW_SOURCE_DIR) / "examples" / "demo";
    fs::copy(demo / "image", workspace.root() / "image",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    fs::copy_file(demo / "config.ini", workspace.root() / "config.ini");
}

// Pictures of every kind the loaders take, gaps in the picture numbers, two packages, one
// application that no package claims, and an app_list past 254 characters.
void fill_varied(const PackerWorkspace& workspace) {
    workspace.write_config(
        "[png]\r\nbit_type=0\r\nblock_len=1\r\nzip_type=1\r\n"
        "[gui01.bin]\r\nname=gui01.bin\r\nversion=1.2.3.4\r\napp_list=" +
        long_app_list() +
        "\r\n[gui02.bin]\r\nname = \"gui02.bin\"\r\nversion=2.0\r\n"
        "app_list=A002\r\n");
    write_png(workspace.image("A001_001.png"), 300, 200, noisy_rgba(300, 200, 7));
    write_png(workspace.image("A001_003.png"), 64, 64, uniform_rgba(64, 64, 0x5F, 0x5F, 0, 0xFF));
    write_png(workspace.image("A001_004.png"), 17, 9, noisy_rgba(17, 9, 3),
              PngOptions{PngColour::kPalette, 8, true, true});
    write_png(workspace.image("A002_001.png"), 5, 7, noisy_rgba(5, 7, 11),
              PngOptions{PngColour::kRgb, 16});
    write_png(workspace.image("A002_002.png"), 1, 1, uniform_rgba(1, 1, 1, 2, 3, 4));
    std::vector<uint16_t> rgb565(7 * 3);
    for (std::size_t i = 0; i < rgb565.size(); ++i) {
        rgb565[i] = static_cast<uint16_t>(i * 2999);
    }
    write_bytes(workspace.image("A002_005.bmp"), make_bmp(7, 3, rgb565, {.top_down = true}));
    write_bytes(workspace.image("A169_001.bmp"), make_bmp(2, 2, {1, 2, 3, 4}));
    write_png(workspace.image("A170_001.png"), 2, 2, uniform_rgba(2, 2, 9, 9, 9, 9));
}

// A picture whose name the packaging stage refuses.
void fill_bad_name(const PackerWorkspace& workspace) {
    write_png(workspace.image("A001_001.png"), 2, 2, uniform_rgba(2, 2, 1, 1, 1, 1));
    write_png(workspace.image("A1x1_002.png"), 2, 2, uniform_rgba(2, 2, 1, 1, 1, 1));
}

// A damaged PNG after a good one: preparation stops there.
void fill_damaged_png(const PackerWorkspace& workspace) {
    write_png(workspace.image("A001_001.png"), 3, 3, noisy_rgba(3, 3, 5));
    Bytes damaged = encode_png(8, 8, noisy_rgba(8, 8, 9));
    damaged.resize(damaged.size() - 20);
    write_bytes(workspace.image("A001_002.png"), damaged);
}

TEST(SameResultsOnLinuxAndWindows, PackerLeavesTheSameFilesAndLines) {
    const struct {
        const char* what;
        std::function<void(const PackerWorkspace&)> fill;
        int exit_status;
        std::size_t files_and_folders;  // the six workspace folders and what the run left
    } cases[] = {
        {"demo workspace", copy_demo, 0, 39},
        {"varied pictures and packages", fill_varied, 0, 43},
        {"bad picture name", fill_bad_name, 255, 14},
        {"damaged PNG", fill_damaged_png, 255, 11},
        {"empty image folder", [](const PackerWorkspace&) {}, 255, 6},
    };
    for (const auto& c : cases) {
        PackerWorkspace on_linux(FRAMESTOW_LINUX_PACKER);
        PackerWorkspace on_windows(FRAMESTOW_WINDOWS_PACKER);
        c.fill(on_linux);
        c.fill(on_windows);
        const ProcessResult linux_run = on_linux.run();
        const ProcessResult windows_run = on_windows.run();

        EXPECT_EQ(linux_run.exit_status, c.exit_status) << c.what << linux_run.out;
        EXPECT_EQ(windows_run.exit_status, linux_run.exit_status) << c.what;
        EXPECT_EQ(without_root(windows_run.out, on_windows), without_root(linux_run.out, on_linux))
            << c.what;
        EXPECT_EQ(windows_run.err, linux_run.err) << c.what;
        const auto linux_files = files_under(on_linux.root(), "framestow");
        EXPECT_EQ(files_under(on_windows.root(), "Framestow.exe"), linux_files) << c.what;
        EXPECT_EQ(linux_files.size(), c.files_and_folders) << c.what;
    }
}

// Hexfold's Windows messages are GBK; in UTF-8 they must read as the Linux ones.
std::string gbk_to_utf8(const std::string& gbk) {
    iconv_t converter = iconv_open("UTF-8", "GBK");
    std::string utf8(gbk.size() * 2, '\0');
    char* in = const_cast<char*>(gbk.data());
    std::size_t in_left = gbk.size();
    char* out = utf8.data();
    std::size_t out_left = utf8.size();
    const std::size_t converted = iconv(converter, &in, &in_left, &out, &out_left);
    iconv_close(converter);
    EXPECT_NE(converted, static_cast<std::size_t>(-1)) << "not GBK: " << gbk;
    utf8.resize(utf8.size() - out_left);
    return utf8;
}

TEST(SameResultsOnLinuxAndWindows, HexfoldWritesTheSameBytes) {
    const struct {
        const char* what;
        std::string text;  // empty: no input file is given
        bool folder_at_output = false;
    } cases[] = {
        {"words and long literals", "a 0x12345678, 0XaB;0x1234567890ABCDEF12 0x123456789 0xZ\n"},
        {"CR LF and literal at the end", "0x1\r\n0x22\r\n0x10x20\r\n0x333"},
        {"Ctrl-Z does not end the input", std::string("0x11 \x1A 0x22 \x1A\x1A 0x33\n")},
        {"zeros before the prefix", "00x12 000x34 0 x 0x"},
        {"nothing to convert", "no literals here 123 0 0y\n"},
        {"missing input file", "<missing>"},
        // Reading the first bytes of this file fails, under wine too.
        {"read error", "<read error>"},
        {"a folder at the output's name", "0x1 0x2", true},
        {"no argument", ""},
    };
    for (const auto& c : cases) {
        std::map<std::string, ProcessResult> runs;
        // What each run leaves in its folder: an earlier output that a failed run keeps.
        std::map<std::string, testing::FolderContents> folders;
        for (const char* program : {FRAMESTOW_LINUX_HEXFOLD, FRAMESTOW_WINDOWS_HEXFOLD}) {
            TempFolder folder;
            if (c.folder_at_output) {
                fs::create_directory(folder.path() / "ui_bitmap_mapping.bin");
            } else {
                write_text(folder.path() / "ui_bitmap_mapping.bin", "earlier output");
            }
            std::vector<std::string> args;
            if (c.text == "<missing>") {
                args.push_back("missing.txt");
            } else if (c.text == "<read error>") {
                args.push_back("/proc/self/mem");
            } else if (!c.text.empty()) {
                write_text(folder.path() / "input.txt", c.text);
                args.push_back("input.txt");
            }
            runs[program] = testing::run_program(program, args, folder.path());
            folders[program] = testing::folder_contents(folder.path());
        }
        const ProcessResult& on_linux = runs[FRAMESTOW_LINUX_HEXFOLD];
        const ProcessResult& on_windows = runs[FRAMESTOW_WINDOWS_HEXFOLD];
        EXPECT_EQ(folders[FRAMESTOW_WINDOWS_HEXFOLD], folders[FRAMESTOW_LINUX_HEXFOLD]) << c.what;
        EXPECT_EQ(on_windows.exit_status, on_linux.exit_status) << c.what;
        // Standard input is not a terminal: the Linux program does not wait, while Windows'
        // "pause" adds its prompt after the messages.
        const std::string windows_text = gbk_to_utf8(on_windows.out);
        EXPECT_EQ(windows_text.substr(0, on_linux.out.size()), on_linux.out) << c.what;
    }
}

// `ascii` in UTF-16 after its byte order mark, as Windows PowerShell and Notepad write text.
std::string utf16_with_mark(std::string_view ascii, bool big_endian) {
    std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : ascii) {
        bytes += big_endian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return bytes;
}

// Files where the two lookups could part ways: odd headers and line ends, quotes, long values,
// UTF-16 in either byte order.
// The fuzz corpus of the INI lookup adds a hundred more.
std::vector<std::string> tricky_ini_files() {
    return {
        "[png\nzip_type=1\n",
        "[png]zip_type=1\n",
        "[png]\n=1\nzip_type=2\n",
        "[png]\r\nzip_type=1\r",
        "[png]\nzip_type = '1\"\n",
        "[\tpng\t]\n\tzip_type\t=\t\"1\"\t\n",
        "[png]\nZIP_TYPE=3\n[PNG]\nzip_type=4\nblock_len=5\n",
        "[png]\nbit_type\n",
        "[s]\n k = v ; c\n#k=5\n",
        "[gui01.bin]\napp_list=" + std::string(70000, 'A') + "\nname=x\n",
        "\xEF\xBB\xBF[gui01.bin]\nname=gui01.bin\n",
        "[png]\rzip_type=1\rbit_type=0\r[bmp]\r\r\nblock_len=7",
        "[s]\nk=a\rb=2\n",
        utf16_with_mark("[png]\r\nbit_type=0\r\nblock_len=1\r\nzip_type=1\r\n", false),
        utf16_with_mark("[gui01.bin]\r\nname = \"gui01.bin\"\r\nversion=1.2\r\n", true),
        utf16_with_mark("[GUI01.BIN]\rApp_List= A001,A002 \r[s]\nk\n", false),
        utf16_with_mark("[bmp]\nblock_len=3\n", false) + "4",
        utf16_with_mark("[bmp]\nblock_len=3\n", true) + "x",
        utf16_with_mark("", false) + "\xFF\xFE" +
            utf16_with_mark("[png]\nzip_type=1\n", false).substr(2),
        utf16_with_mark("[png]\nzip_type=1\n", false).substr(2),
    };
}

// Files on which the Windows lookup is known to answer otherwise than the Linux one, for text the
// packer never has:
//  - a NUL character ends a value for Windows only;
//  - Windows returns characters beyond ASCII in its ANSI code page, after decoding them from
//    UTF-8 (when the file starts with a UTF-8 byte order mark) or from UTF-16 (when it starts
//    with a UTF-16 one); Linux returns them as the bytes of the file or, from UTF-16, in UTF-8;
//  - a UTF-16 file of an odd length: wine reads its last byte together with whatever byte lies
//    past the end of its buffer (the tricky files hold such a byte only on a line of its own).
bool answers_may_differ(std::string_view text) {
    const bool big_endian = text.starts_with("\xFE\xFF");
    if (big_endian || text.starts_with("\xFF\xFE")) {
        if (text.size() % 2 != 0) {
            return true;
        }
        for (std::size_t at = 2; at + 1 < text.size(); at += 2) {
            const auto first = static_cast<unsigned char>(text[at]);
            const auto second = static_cast<unsigned char>(text[at + 1]);
            const unsigned unit = big_endian ? (first << 8 | second) : (second << 8 | first);
            if (unit == 0 || unit >= 0x80) {
                return true;
            }
        }
        return false;
    }
    const auto beyond_ascii = [](char c) { return static_cast<unsigned char>(c) >= 0x80; };
    return text.find('\0') != std::string_view::npos ||
           (text.starts_with("\xEF\xBB\xBF") &&
            std::any_of(text.begin() + 3, text.end(), beyond_ascii));
}

TEST(SameResultsOnLinuxAndWindows, IniLookupAgreesOnTheSameFiles) {
    TempFolder folder;
    std::vector<std::string> files;
    for (const std::string& text : tricky_ini_files()) {
        files.push_back(
            (folder.path() / ("tricky" + std::to_string(files.size()) + ".ini")).string());
        write_text(files.back(), text);
    }
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(FRAMESTOW_SOURCE_DIR) / "fuzz/corpus/ini_lookup")) {
        if (!answers_may_differ(testing::read_text(entry.path()))) {
            files.push_back(entry.path().string());
        }
    }
    ASSERT_GT(files.size(), 50u);
    std::vector<std::string> args = {"results.bin"};
    args.insert(args.end(), files.begin(), files.end());
    const ProcessResult run =
        testing::run_program(FRAMESTOW_WINDOWS_INI_PROBE, args, folder.path());
    ASSERT_EQ(run.exit_status, 0) << run.out << run.err;

    const std::string results = testing::read_text(folder.path() / "results.bin");
    std::size_t at = 0;
    for (const std::string& file : files) {
        for (const IniLookup& lookup : kIniLookups) {
            const std::size_t colon = results.find(':', at);
            ASSERT_NE(colon, std::string::npos) << "results end early at " << file;
            const std::size_t length = std::stoul(results.substr(at, colon - at));
            const std::string on_windows = results.substr(colon + 1, length);
            at = colon + 1 + length;
            EXPECT_EQ(on_windows, platform::read_ini_value(file, lookup.section, lookup.key))
                << file << " [" << lookup.section << "] " << lookup.key;
        }
    }
    EXPECT_EQ(at, results.size());
}

}  // namespace
}  // namespace framestow
