// The octree colour reduction on pixel buffers: few colours kept exact, the
// reduction of the most recent deepest node, and colours that arrive under a
// node that was reduced.
#include <gtest/gtest.h>

#include <algorithm>

#include "report/EScreenshotOctree.h"

namespace {

std::uint32_t Rgb(int r, int g, int b) {
  return static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(g) << 8 |
         static_cast<std::uint32_t>(b);
}

bool Holds(const std::vector<TRgb>& leaves, TRgb colour) {
  return std::find(leaves.begin(), leaves.end(), colour) != leaves.end();
}

// 256 leaves: the reds 0..255, two to each depth-7 node.
TColourOctree FullTree() {
  TColourOctree tree;
  for (int r = 0; r < 256; ++r) tree.Add(Rgb(r, 0, 0));
  return tree;
}

}  // namespace

TEST(Octree, ThreeColours_ThreeLeavesInChildOrder) {
  TColourOctree tree;
  for (int i = 0; i < 10; ++i) {
    tree.Add(Rgb(255, 0, 0));
    tree.Add(Rgb(0, 0, 255));
    tree.Add(Rgb(0, 255, 0));
  }
  EXPECT_EQ(tree.LeafCount(), 3u);
  // Depth first, children in index order: blue (index 1) before green (2)
  // before red (4).
  EXPECT_EQ(tree.Leaves(), (std::vector<TRgb>{{0, 0, 255}, {0, 255, 0}, {255, 0, 0}}));
}

TEST(Octree, ColourNumber257_ReducesTheNewestDeepestNodeOnce) {
  TColourOctree tree = FullTree();
  ASSERT_EQ(tree.LeafCount(), 256u);
  // A third child under the node of reds 0 and 1: 257 leaves, so the newest
  // node of depth 7 (reds 254 and 255) becomes one leaf.
  tree.Add(Rgb(0, 1, 0));
  EXPECT_EQ(tree.LeafCount(), 256u);
  const std::vector<TRgb> leaves = tree.Leaves();
  ASSERT_EQ(leaves.size(), 256u);
  EXPECT_TRUE(Holds(leaves, {0, 1, 0}));
  EXPECT_TRUE(Holds(leaves, {253, 0, 0}));
  EXPECT_TRUE(Holds(leaves, {254, 0, 0}));  // (254 + 255) / 2
  EXPECT_FALSE(Holds(leaves, {255, 0, 0}));
  EXPECT_EQ(leaves.back(), (TRgb{254, 0, 0}));
}

TEST(Octree, ColourArrivingUnderAReducedNode_CountsInThatLeaf) {
  TColourOctree tree = FullTree();
  tree.Add(Rgb(0, 1, 0));  // reduces the node of reds 254 and 255
  // Both fall under the reduced node: no node grows below it, so nothing
  // else has to be reduced and the leaf's mean takes them in.
  tree.Add(Rgb(255, 0, 0));
  tree.Add(Rgb(255, 0, 0));
  tree.Add(Rgb(255, 0, 0));
  tree.Add(Rgb(255, 0, 0));
  EXPECT_EQ(tree.LeafCount(), 256u);
  const std::vector<TRgb> leaves = tree.Leaves();
  ASSERT_EQ(leaves.size(), 256u);
  EXPECT_EQ(leaves.back(), (TRgb{254, 0, 0}));  // (254 + 5 * 255) / 6
  EXPECT_TRUE(Holds(leaves, {252, 0, 0}));
  EXPECT_TRUE(Holds(leaves, {253, 0, 0}));
  EXPECT_TRUE(Holds(leaves, {0, 1, 0}));
}

TEST(Octree, PaletteOfAnImage_EntriesPastTheLeavesRepeatAnImageColour) {
  TPixelImage image;
  image.Width = 3;
  image.Height = 2;
  image.Stride = 4;  // one padding column, read too
  image.Pixels = {Rgb(10, 20, 30), Rgb(10, 20, 30), Rgb(200, 100, 0), 0,
                  Rgb(10, 20, 30), Rgb(0, 0, 250),  Rgb(200, 100, 0), 0};
  std::size_t leaves = 0;
  const TPalette palette = OctreePalette(image, &leaves);
  EXPECT_EQ(leaves, 4u);  // with the black of the padding column
  for (std::size_t i = leaves; i < palette.size(); ++i) EXPECT_EQ(palette[i], palette[0]);
  const std::vector<std::uint8_t> indices = MapToPalette(image, palette);
  ASSERT_EQ(indices.size(), 6u);
  const std::uint32_t visible[] = {image.Pixels[0], image.Pixels[1], image.Pixels[2],
                                   image.Pixels[4], image.Pixels[5], image.Pixels[6]};
  for (std::size_t i = 0; i < indices.size(); ++i) {
    const TRgb& entry = palette[indices[i]];
    EXPECT_EQ(Rgb(entry.Red, entry.Green, entry.Blue), visible[i]) << i;
  }
}

TEST(Octree, ManyColours_EveryPixelTakesTheNearestEntry) {
  TPixelImage image;
  image.Width = image.Stride = 64;
  image.Height = 64;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) image.Pixels.push_back(Rgb(x * 4, y * 4, (x ^ y) * 4));
  }
  const TPalette palette = OctreePalette(image);
  const std::vector<std::uint8_t> indices = MapToPalette(image, palette);
  for (std::size_t i = 0; i < indices.size(); i += 97) {
    const std::uint32_t p = image.Pixels[i];
    auto distance = [&](const TRgb& c) {
      const int r = c.Red - static_cast<int>(p >> 16), g = c.Green - static_cast<int>(p >> 8 & 255),
                b = c.Blue - static_cast<int>(p & 255);
      return r * r + g * g + b * b;
    };
    for (const TRgb& entry : palette) EXPECT_LE(distance(palette[indices[i]]), distance(entry));
  }
}
