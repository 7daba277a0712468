// Colour reduction of a captured screen image to at most 256 colours with an
// octree, and the mapping of every pixel to its nearest palette colour. Pure
// functions of a pixel buffer; no windows.h. Never raises except
// std::bad_alloc.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

struct TRgb {
  std::uint8_t Red = 0;
  std::uint8_t Green = 0;
  std::uint8_t Blue = 0;
  friend bool operator==(const TRgb&, const TRgb&) = default;
};

// A captured image: rows from top to bottom, `Stride` pixels a row (the
// bitmap's width, at least `Width`), each pixel 0x00RRGGBB.
struct TPixelImage {
  int Width = 0;
  int Height = 0;
  int Stride = 0;
  std::vector<std::uint32_t> Pixels;  // Stride * Height
};

inline constexpr std::size_t kPaletteSize = 256;
using TPalette = std::array<TRgb, kPaletteSize>;

// The octree over a stream of colours. Each node has up to 8 children; at
// depth d the child index is (bit 7-d of red) * 4 + (bit 7-d of green) * 2 +
// (bit 7-d of blue). Nodes at depth 8 are leaves; whenever more than
// `maximumLeaves` leaves exist, the most recently created node of the
// deepest depth that still has reducible nodes becomes a leaf holding its
// children's sums. A colour whose walk reaches a leaf above depth 8 (a
// reduced node) is counted in that leaf.
class TColourOctree {
 public:
  explicit TColourOctree(std::size_t maximumLeaves = kPaletteSize);
  void Add(std::uint32_t rgb);
  std::size_t LeafCount() const { return leafCount_; }
  // The leaves' mean colours (sums divided by pixel counts, rounded down),
  // depth first with the children in index order.
  std::vector<TRgb> Leaves() const;

 private:
  struct TNode {
    std::array<std::int32_t, 8> Children;
    bool Leaf = false;
    std::uint64_t Pixels = 0, Red = 0, Green = 0, Blue = 0;
    TNode() { Children.fill(-1); }
  };
  std::int32_t NewNode(int depth);
  void ReduceOne();
  std::vector<TNode> nodes_;
  std::vector<std::int32_t> free_;
  std::array<std::vector<std::int32_t>, 8> reducible_;  // by depth 1..7; the back is the front
  std::size_t leafCount_ = 0;
  std::size_t maximumLeaves_;
};

// The 256-entry palette of an image: the octree leaves over every pixel of
// the buffer (padding columns included), read row by row. Entries past the
// last leaf repeat entry 0, so that no pixel can map to a colour the image
// lacks; an image without pixels gives black everywhere.
TPalette OctreePalette(const TPixelImage& image, std::size_t* leafCount = nullptr);

// The palette index of each of the image's Width * Height pixels (padding
// columns left out), rows from top to bottom: the nearest entry by squared
// distance in red, green and blue, the lowest index on a tie.
std::vector<std::uint8_t> MapToPalette(const TPixelImage& image, const TPalette& palette);
