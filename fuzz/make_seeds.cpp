// Writes the seed corpora of the fuzz harnesses: small inputs that reach each reader's main
// paths, made from pictures and texts built in code. Usage: fuzz_make_seeds <corpus folder>.
// The output is the same at every run, so the committed seeds change only with this program.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "codec/byte_order.h"
#include "codec/codec.h"
#include "mapping/mapping_source.h"
#include "mapping/mapping_xml.h"
#include "support/files.h"
#include "support/temp_folder.h"
#include "support/test_pictures.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using framestow::testing::PngColour;

namespace {

// Settings bytes of the codec harnesses (fuzz/codec_input.h).
constexpr uint8_t kMarkerSettings = 0x00;      // no png section: the marker form
constexpr uint8_t kBlockSettings = 0x03;       // png complete, zip_type 1, bit_type 0, block_len 1
constexpr uint8_t kBadZipTypeSettings = 0x05;  // png complete, zip_type 2
constexpr uint8_t kRgb565Bit = 0x80;           // compressor harness: an RGB565 picture

class CorpusWriter {
  public:
    CorpusWriter(const fs::path& corpus, std::string_view harness) : folder_(corpus / harness) {
        fs::create_directories(folder_);
    }

    void add(std::string_view name, const Bytes& bytes) const {
        std::ofstream file(folder_ / name, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file.flush()) {
            throw std::runtime_error("cannot write " + (folder_ / name).string());
        }
    }

    void add(std::string_view name, std::string_view text) const {
        add(name, Bytes(text.begin(), text.end()));
    }

  private:
    fs::path folder_;
};

Bytes concat(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

Bytes text_bytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// width x height RGBA pixels that vary, with a few runs of equal pixels.
Bytes varied_rgba(uint32_t width, uint32_t height) {
    Bytes rgba;
    for (uint32_t i = 0; i < width * height; ++i) {
        const auto shade = static_cast<uint8_t>((i / 3) * 37);
        rgba.insert(rgba.end(), {shade, static_cast<uint8_t>(shade ^ 0x5F), 0x20, 0xFF});
    }
    return rgba;
}

void write_png_seeds(const fs::path& corpus) {
    using framestow::testing::encode_png;
    const CorpusWriter out(corpus, "png_loader");
    const Bytes rgba = varied_rgba(3, 2);
    out.add("rgba_3x2.png", encode_png(3, 2, rgba));
    out.add("rgb_3x2.png", encode_png(3, 2, rgba, {.colour = PngColour::kRgb}));
    out.add("palette_3x2.png", encode_png(3, 2, rgba, {.colour = PngColour::kPalette}));
    out.add("palette_alpha_3x2.png",
            encode_png(3, 2, rgba, {.colour = PngColour::kPalette, .palette_transparency = true}));
    out.add("grey_3x2.png", encode_png(3, 2, rgba, {.colour = PngColour::kGrey}));
    out.add("grey_alpha_3x2.png", encode_png(3, 2, rgba, {.colour = PngColour::kGreyAlpha}));
    out.add("rgba16_3x2.png", encode_png(3, 2, rgba, {.bit_depth = 16}));
    out.add("interlaced_9x9.png", encode_png(9, 9, varied_rgba(9, 9), {.interlaced = true}));
    out.add("one_pixel.png", encode_png(1, 1, {0x11, 0x22, 0x33, 0x44}));
    const Bytes whole = encode_png(3, 2, rgba);
    out.add("cut_short.png", Bytes(whole.begin(), whole.begin() + 40));
    using framestow::testing::png_chunk;
    out.add(
        "claims_60000x60000.png",
        concat(concat(framestow::testing::png_signature(),
                      png_chunk("IHDR", framestow::testing::png_header_data(60000, 60000, 8, 6))),
               png_chunk("IEND", {})));
    out.add("not_png.bmp", framestow::testing::make_bmp(2, 1, {0x1234, 0x5678}));
}

void write_bmp_seeds(const fs::path& corpus) {
    using framestow::testing::make_bmp;
    const CorpusWriter out(corpus, "bmp_loader");
    out.add("bit_fields_2x2.bmp", make_bmp(2, 2, {0x0001, 0x0002, 0x0003, 0x0004}));
    out.add("bit_fields_555_2x1.bmp",
            make_bmp(2, 1, {0x7C00, 0x001F}, {.masks = {0x7C00, 0x03E0, 0x001F}}));
    out.add("bi_rgb_3x2.bmp", make_bmp(3, 2, {1, 2, 3, 4, 5, 6}, {.bit_fields = false}));
    out.add("top_down_3x3.bmp", make_bmp(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {.top_down = true}));
    out.add("bit_count_24.bmp", make_bmp(1, 1, {0xF800}, {.bit_count = 24}));
    out.add("empty_0x0.bmp", make_bmp(0, 0, {}));
    const Bytes whole = make_bmp(5, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    out.add("cut_short.bmp", Bytes(whole.begin(), whole.end() - 6));
}

// An ImageBitmap of `pixels` (4 or 2 bytes a pixel), compressed with `settings_byte`.
Bytes bitmap_of(uint16_t format, uint16_t width, uint16_t height, const Bytes& pixels) {
    Bytes bitmap(framestow::kPictureHeaderSize);
    framestow::store_picture_header(bitmap.data(),
                                    {framestow::kMagicBitmap, format, width, height});
    return concat(bitmap, pixels);
}

Bytes compressed_seed(uint8_t settings_byte, uint16_t format, uint16_t width, uint16_t height,
                      const Bytes& pixels) {
    framestow::CodecSettings settings;
    if ((settings_byte & 0x01) != 0) {
        settings.png = framestow::CompressionSettings{0, 1, (settings_byte >> 1) & 0x03};
    }
    const Bytes bitmap = bitmap_of(format, width, height, pixels);
    const framestow::ImageBitmap picture{bitmap, width, height,
                                         framestow::picture_kind_of_format(format)};
    Bytes compressed(framestow::kPictureHeaderSize + pixels.size() * 3 + 16);
    const framestow::CompressedPicture result =
        framestow::compress_picture(picture, settings, compressed);
    if (result.status != framestow::CodecStatus::kOk) {
        throw std::runtime_error("a seed picture does not compress");
    }
    compressed.resize(result.size);
    return concat({settings_byte}, compressed);
}

Bytes repeated(const Bytes& unit, std::size_t times) {
    Bytes out;
    for (std::size_t i = 0; i < times; ++i) {
        out.insert(out.end(), unit.begin(), unit.end());
    }
    return out;
}

// Units that all differ from their neighbours: 1100 of them fill more than one block.
Bytes distinct_units(std::size_t count) {
    Bytes out;
    for (std::size_t i = 0; i < count; ++i) {
        uint8_t unit[4];
        framestow::store_le32(unit, static_cast<uint32_t>(i * 2654435761u));
        out.insert(out.end(), unit, unit + 4);
    }
    return out;
}

void write_decoder_seeds(const fs::path& corpus) {
    using framestow::kFormat32;
    using framestow::kFormatRgb565;
    const CorpusWriter out(corpus, "decoder");
    const Bytes pixel = {0x00, 0x00, 0xFF, 0xFF};
    const Bytes marker_unit = {0x89, 0x67, 0x45, 0x23};
    const Bytes varied = varied_rgba(4, 4);
    out.add("block_three_equal",
            compressed_seed(kBlockSettings, kFormat32, 3, 1, repeated(pixel, 3)));
    out.add("block_varied_4x4", compressed_seed(kBlockSettings, kFormat32, 4, 4, varied));
    out.add("block_run_64", compressed_seed(kBlockSettings, kFormat32, 64, 1, repeated(pixel, 64)));
    out.add("block_run_20000",
            compressed_seed(kBlockSettings, kFormat32, 200, 100, repeated(pixel, 20000)));
    out.add("block_two_blocks",
            compressed_seed(kBlockSettings, kFormat32, 1100, 1, distinct_units(1100)));
    out.add("block_run_byte",
            compressed_seed(kBlockSettings, kFormat32, 2, 1, {0x5F, 1, 2, 3, 0x5F, 1, 2, 4}));
    out.add("marker_varied_4x4", compressed_seed(kMarkerSettings, kFormat32, 4, 4, varied));
    out.add("marker_uniform_16x16",
            compressed_seed(kMarkerSettings, kFormat32, 16, 16, repeated(pixel, 256)));
    out.add("marker_run_marker_units",
            compressed_seed(kMarkerSettings, kFormat32, 3, 1, repeated(marker_unit, 3)));
    out.add("marker_rgb565_odd_3x1",
            compressed_seed(kMarkerSettings, kFormatRgb565, 3, 1, {1, 2, 3, 4, 5, 6}));
    out.add("marker_one_pixel_tuned", compressed_seed(kBlockSettings, kFormat32, 1, 1, pixel));
    Bytes wrong_index = compressed_seed(kBlockSettings, kFormat32, 1100, 1, distinct_units(1100));
    wrong_index[1 + framestow::kPictureHeaderSize] = 7;
    out.add("block_wrong_index", wrong_index);
    const Bytes cut = compressed_seed(kMarkerSettings, kFormat32, 16, 16, repeated(pixel, 256));
    out.add("marker_cut_token", Bytes(cut.begin(), cut.end() - 3));
}

// The stream decoder harness's input: the seeds of the piece sizes, the skip in units of 7 bytes,
// then the image of a decoder seed without its settings byte.
Bytes stream_input(uint8_t in_seed, uint8_t out_seed, uint8_t skip, const Bytes& decoder_seed) {
    return concat({in_seed, out_seed, skip}, Bytes(decoder_seed.begin() + 1, decoder_seed.end()));
}

void write_stream_decoder_seeds(const fs::path& corpus) {
    using framestow::kFormat32;
    using framestow::kFormatRgb565;
    const CorpusWriter out(corpus, "stream_decoder");
    const Bytes pixel = {0x00, 0x00, 0xFF, 0xFF};
    const Bytes marker_unit = {0x89, 0x67, 0x45, 0x23};
    out.add(
        "block_varied_8x8",
        stream_input(1, 2, 0, compressed_seed(kBlockSettings, kFormat32, 8, 8, varied_rgba(8, 8))));
    out.add(
        "block_two_blocks_skipped",
        stream_input(3, 4, 100,
                     compressed_seed(kBlockSettings, kFormat32, 1100, 1, distinct_units(1100))));
    out.add("block_run_20000", stream_input(5, 6, 0,
                                            compressed_seed(kBlockSettings, kFormat32, 200, 100,
                                                            repeated(pixel, 20000))));
    out.add("block_run_byte", stream_input(7, 8, 0,
                                           compressed_seed(kBlockSettings, kFormat32, 2, 1,
                                                           {0x5F, 1, 2, 3, 0x5F, 1, 2, 4})));
    out.add("marker_varied_8x8",
            stream_input(9, 10, 1,
                         compressed_seed(kMarkerSettings, kFormat32, 8, 8, varied_rgba(8, 8))));
    out.add("marker_run_marker_units", stream_input(11, 12, 0,
                                                    compressed_seed(kMarkerSettings, kFormat32, 3,
                                                                    1, repeated(marker_unit, 3))));
    out.add("marker_rgb565_odd_5x3", stream_input(13, 14, 0,
                                                  compressed_seed(kMarkerSettings, kFormatRgb565, 5,
                                                                  3, repeated(pixel, 8))));
    out.add("marker_one_pixel_tuned",
            stream_input(15, 16, 0, compressed_seed(kBlockSettings, kFormat32, 1, 1, pixel)));
    Bytes wrong_index = compressed_seed(kBlockSettings, kFormat32, 1100, 1, distinct_units(1100));
    wrong_index[1 + framestow::kPictureHeaderSize] = 7;
    out.add("block_wrong_index", stream_input(17, 18, 0, wrong_index));
    const Bytes cut = compressed_seed(kMarkerSettings, kFormat32, 16, 16, repeated(pixel, 256));
    out.add("marker_cut_token", stream_input(19, 20, 0, Bytes(cut.begin(), cut.end() - 3)));
}

// The compressor harness's input: settings, width, height, room, then the pixel pattern.
Bytes compressor_input(uint8_t settings_byte, uint16_t width, uint16_t height, uint8_t room,
                       const Bytes& pattern) {
    Bytes input(6);
    input[0] = settings_byte;
    framestow::store_le16(input.data() + 1, width);
    framestow::store_le16(input.data() + 3, height);
    input[5] = room;
    return concat(input, pattern);
}

void write_compressor_seeds(const fs::path& corpus) {
    const CorpusWriter out(corpus, "compressor");
    const Bytes pixel = {0x00, 0x00, 0xFF, 0xFF};
    const Bytes run_byte_units = {0x5F, 1, 2, 3, 0x5E, 1, 2, 3, 0x5F, 1, 2, 3, 9, 9, 9, 9};
    out.add("block_varied_4x4", compressor_input(kBlockSettings, 4, 4, 0xFF, varied_rgba(4, 4)));
    out.add("block_run_bytes", compressor_input(kBlockSettings, 4, 3, 0xFF, run_byte_units));
    out.add("block_run_20000", compressor_input(kBlockSettings, 200, 100, 0xFF, pixel));
    out.add("block_two_blocks",
            compressor_input(kBlockSettings, 1100, 1, 0xFF, distinct_units(1100)));
    out.add("block_small_area", compressor_input(kBlockSettings, 16, 16, 0x04, varied_rgba(5, 5)));
    out.add("marker_varied_4x4", compressor_input(kMarkerSettings, 4, 4, 0xFF, varied_rgba(4, 4)));
    out.add("marker_run_marker_units",
            compressor_input(kMarkerSettings, 5, 1, 0xFF, {0x89, 0x67, 0x45, 0x23}));
    out.add("marker_small_area", compressor_input(kMarkerSettings, 8, 8, 0x10, varied_rgba(8, 1)));
    out.add("rgb565_odd_3x3",
            compressor_input(kMarkerSettings | kRgb565Bit, 3, 3, 0xFF, {1, 2, 3, 4, 5, 6, 7}));
    out.add("rgb565_with_bmp_zip_type_1",
            compressor_input(0x60 | kRgb565Bit, 2, 2, 0xFF, {1, 2, 3, 4}));
    out.add("png_zip_type_2", compressor_input(kBadZipTypeSettings, 2, 2, 0xFF, pixel));
    out.add("empty_0x5", compressor_input(kMarkerSettings, 0, 5, 0xFF, pixel));
}

// `ascii` in UTF-16 after its byte order mark, as Windows PowerShell writes text files.
std::string utf16_with_mark(std::string_view ascii, bool big_endian) {
    std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : ascii) {
        bytes += big_endian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return bytes;
}

void write_ini_seeds(const fs::path& corpus) {
    const CorpusWriter out(corpus, "ini_lookup");
    out.add("settings_and_packages.ini",
            "; compression\n[png]\nbit_type=0\nblock_len=1\nzip_type=1\n\n[bmp]\nbit_type=0\n"
            "block_len=1\nzip_type=0\n\n[gui01.bin]\nname=gui01.bin\nversion=1.0.0.1\n"
            "app_list=A001,A002\n\n[gui02.bin]\nname=gui02.bin\nversion=1.0.2.3\napp_list=A003\n");
    out.add(
        "crlf_and_blanks.ini",
        "[ PNG ]\r\n  Bit_Type =  0 \r\n\tzip_type\t=\t1\t\r\n[Gui01.Bin]\r\nNAME = gui01.bin\r\n");
    out.add(
        "quotes.ini",
        "[gui01.bin]\nname=\"gui01.bin\"\napp_list=' A001 A002 '\n[gui02.bin]\nversion=\"1.2\n");
    out.add("bom_and_comments.ini",
            "\xEF\xBB\xBF[png]\n;zip_type=1\n#bit_type=5\nbit_type=0 ; not a comment\nzip_type\n");
    out.add("repeated_sections.ini",
            "[bmp]\nbit_type=1\n[png]\nzip_type=1\n[bmp]\nblock_len=7\n[png]\nzip_type=2\nbit_type="
            "3\n");
    out.add("no_newline_at_end.ini", "[gui02.bin]\nversion=9.8.7.6");
    out.add("lone_cr.ini", "[png]\rzip_type=1\rbit_type=0\r\r\n[gui01.bin]\rname=gui01.bin");
    out.add("utf16_le.ini", utf16_with_mark("[png]\r\nzip_type=1\r\n[gui01.bin]\r\nname=a", false));
    out.add("utf16_be.ini", utf16_with_mark("[bmp]\rblock_len = '7'\r", true));
}

void write_picture_name_seeds(const fs::path& corpus) {
    const CorpusWriter out(corpus, "picture_names");
    const std::string packages =
        "[gui01.bin]\nname=gui01.bin\nversion=1.0\napp_list=A001,A002\n"
        "[gui02.bin]\nname=gui02.bin\nversion=2\napp_list=A002A003\n"
        "[gui03.bin]\nname=gui03.bin\napp_list=A005\n";
    const std::string nul(1, '\0');
    out.add("gaps_in_two_packages",
            packages + nul +
                "A001_002.png\nA001_003.png\nA002_001.png\nA002_003.bmp\nA003_005.png\n"
                "A004_001.png\nA005_010.bmp");
    out.add("same_numbers", packages + nul + "A002_001.bmp\nA002_001.png\nA002_002.png");
    out.add("bad_names", packages + nul + "A001_001.png\nA12x_001.png\na001_002.png\nA001_1.png");
    out.add("section_gap",
            "[gui01.bin]\nname=gui01.bin\napp_list=A001\n[gui03.bin]\nname=gui03.bin\n"
            "app_list=A002\n" +
                nul + "A001_001.png\nA002_004.png");
    out.add("wrong_section_name",
            "[gui01.bin]\nname=gui1.bin\napp_list=A001\n" + nul + "A001_001.png");
    out.add("no_config", nul + "A999_999.png\nA001_001.bmp");
}

// The scanner harness's input: the cut position as u16le, then the text.
Bytes scanner_input(uint16_t cut, std::string_view text) {
    Bytes input(2);
    framestow::store_le16(input.data(), cut);
    return concat(input, text_bytes(text));
}

void write_scanner_seeds(const fs::path& corpus) {
    const CorpusWriter out(corpus, "hexfold_scanner");
    out.add("words", scanner_input(5, "0x12345678, 0xABC, 0x1, 0XaB;"));
    out.add("long_literals",
            scanner_input(9, "0x123456789 0x1234567890ABCDEF 0x1234567890ABCDEF12"));
    out.add("prefix_handed_on", scanner_input(3, "0x10x20 0x0x 00x12 0xZ 0"));
    out.add("c_array",
            scanner_input(40,
                          "const unsigned int table[] = {\r\n    0x00000000, 0x0000A1B2,\r\n"
                          "    0xFFFFFFFF, 0x7f, 0x80000000,\r\n};\r\n"));
    out.add("no_literals", scanner_input(0, "100 200 x0 0y A0x"));
}

// BitmapMapping.cpp and BitmapMapping.xml as the packer's generators write them for `packages`.
struct MappingTexts {
    std::string cpp;
    std::string xml;
};

MappingTexts mapping_texts(const framestow::BinList& bins,
                           const std::vector<framestow::PackageEntries>& packages,
                           const std::vector<std::string>& names) {
    std::streambuf* console = std::cout.rdbuf(nullptr);  // the generators' look-up warnings
    std::string tables;
    tinyxml2::XMLDocument xml;
    framestow::create_mapping_xml(xml);
    for (const framestow::PackageEntries& entries : packages) {
        framestow::generate_bin_mapping_section(tables, bins, entries);
        framestow::add_bin_mapping_xml(xml, entries);
    }
    const framestow::testing::TempFolder folder;
    const std::string path = folder.file("BitmapMapping.cpp");
    framestow::StagedOutput output{path, path, framestow::platform::File::open_for_writing(path)};
    const int written = framestow::generate_multi_mapping_cpp(tables, bins, names, output);
    std::cout.rdbuf(console);
    if (written != 0) {
        throw std::runtime_error("cannot write " + path);
    }
    return {framestow::testing::read_text(path), framestow::print_mapping_xml(xml)};
}

void write_mapping_seeds(const fs::path& corpus) {
    const CorpusWriter source(corpus, "mapping_source");
    const CorpusWriter xml(corpus, "mapping_xml");
    framestow::BinList bins;
    bins.add({"gui01.bin", 1548, "A001,A002", framestow::parse_version("1.0.2.3")});
    bins.add({"gui02.bin", 108, "A004", framestow::parse_version("2.0.0.0")});
    bins.add({"gui03.bin", 0, "A007", framestow::parse_version("3")});
    const MappingTexts two = mapping_texts(
        bins,
        {{{"A001_001.png", 100, 8},
          {"A001_002.png", 0, 108},
          {"A001_003.png", 40, 108},
          {"A002_001.bmp", 1400, 148}},
         {{"A004_001.png", 100, 8}}},
        {"A001_001.png", "A001_003.png", "A002_001.bmp", "A004_001.png", "A005_001.png"});
    source.add("two_packages_gaps_unlisted", two.cpp);
    std::string lf_only = two.cpp;
    std::erase(lf_only, '\r');
    source.add("line_feeds_only", lf_only);
    source.add("cut_in_a_table", two.cpp.substr(0, two.cpp.find("A001_003.png")));
    xml.add("two_packages_gaps", two.xml);
    xml.add("cut_in_an_item", two.xml.substr(0, two.xml.find("A001_003.png")));

    const MappingTexts none = mapping_texts({}, {}, {});
    source.add("no_packages", none.cpp);
    xml.add("empty_root", none.xml);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: fuzz_make_seeds <corpus folder>" << std::endl;
        return 2;
    }
    const fs::path corpus = argv[1];
    try {
        write_png_seeds(corpus);
        write_bmp_seeds(corpus);
        write_decoder_seeds(corpus);
        write_stream_decoder_seeds(corpus);
        write_compressor_seeds(corpus);
        write_ini_seeds(corpus);
        write_picture_name_seeds(corpus);
        write_scanner_seeds(corpus);
        write_mapping_seeds(corpus);
    } catch (const std::exception& error) {
        std::cerr << "fuzz_make_seeds: " << error.what() << std::endl;
        return 1;
    }
    return 0;
}
