#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "png_writer.h"

// The report's thumbnails: decoded pictures scaled down so that a page of many pictures stays
// small and is written quickly.
namespace framestow::inspect {

// The longer side of a thumbnail, in pixels: twice the largest box the page shows it in, so that
// it stays sharp on a high-density screen.
constexpr uint16_t kThumbnailSide = 96;

struct ScaledPicture {
    PixelLayout layout;
    std::vector<uint8_t> pixels;
};

// The size of the thumbnail of a picture laid out as `layout`: the longer side at most
// `longest`, the shape kept (each side at least 1). A picture that fits keeps its size.
PixelLayout thumbnail_layout(const PixelLayout& layout, uint16_t longest = kThumbnailSide);

// `pixels`, laid out as `layout` (4 bytes a pixel, the last one alpha, or RGB565), scaled down
// to thumbnail_layout: each thumbnail pixel is the average of the picture pixels it covers, the
// colours of 4-byte pixels weighted by their alpha, so that transparent pixels lend no colour
// (a thumbnail pixel that covers only transparent pixels is transparent black).
// Pixels that do not fill the picture are returned unchanged, for the PNG writer to refuse.
ScaledPicture scale_down(const PixelLayout& layout, std::span<const uint8_t> pixels,
                         uint16_t longest = kThumbnailSide);

}  // namespace framestow::inspect
