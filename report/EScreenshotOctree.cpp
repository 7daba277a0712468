#include "report/EScreenshotOctree.h"

#include <unordered_map>

namespace {

constexpr int kLeafDepth = 8;

int ChildIndex(std::uint32_t rgb, int depth) {
  const int shift = 7 - depth;
  return static_cast<int>(((rgb >> (16 + shift)) & 1) << 2 | ((rgb >> (8 + shift)) & 1) << 1 |
                          ((rgb >> shift) & 1));
}

int Distance(const TRgb& a, std::uint32_t rgb) {
  const int r = a.Red - static_cast<int>(rgb >> 16 & 0xFF);
  const int g = a.Green - static_cast<int>(rgb >> 8 & 0xFF);
  const int b = a.Blue - static_cast<int>(rgb & 0xFF);
  return r * r + g * g + b * b;
}

}  // namespace

TColourOctree::TColourOctree(std::size_t maximumLeaves) : maximumLeaves_(maximumLeaves) {
  nodes_.emplace_back();  // the root
}

std::int32_t TColourOctree::NewNode(int depth) {
  std::int32_t index;
  if (!free_.empty()) {
    index = free_.back();
    free_.pop_back();
    nodes_[index] = TNode();
  } else {
    index = static_cast<std::int32_t>(nodes_.size());
    nodes_.emplace_back();
  }
  if (depth == kLeafDepth) {
    nodes_[index].Leaf = true;
    ++leafCount_;
  } else {
    reducible_[depth].push_back(index);
  }
  return index;
}

void TColourOctree::Add(std::uint32_t rgb) {
  std::int32_t node = 0;
  // The walk ends at the first leaf: a reduced node keeps every colour that
  // arrives under it.
  for (int depth = 0; !nodes_[node].Leaf; ++depth) {
    const int child = ChildIndex(rgb, depth);
    std::int32_t next = nodes_[node].Children[child];
    if (next < 0) {
      next = NewNode(depth + 1);
      nodes_[node].Children[child] = next;
    }
    node = next;
  }
  TNode& leaf = nodes_[node];
  ++leaf.Pixels;
  leaf.Red += rgb >> 16 & 0xFF;
  leaf.Green += rgb >> 8 & 0xFF;
  leaf.Blue += rgb & 0xFF;
  while (leafCount_ > maximumLeaves_) ReduceOne();
}

void TColourOctree::ReduceOne() {
  int depth = kLeafDepth - 1;
  while (depth >= 1 && reducible_[depth].empty()) --depth;
  if (depth < 1) {
    // Only the root's children are left: a limit below 8 stops here.
    leafCount_ = maximumLeaves_;
    return;
  }
  const std::int32_t index = reducible_[depth].back();
  reducible_[depth].pop_back();
  TNode merged;
  merged.Leaf = true;
  std::size_t children = 0;
  for (std::int32_t child : nodes_[index].Children) {
    if (child < 0) continue;
    const TNode& c = nodes_[child];
    merged.Pixels += c.Pixels;
    merged.Red += c.Red;
    merged.Green += c.Green;
    merged.Blue += c.Blue;
    free_.push_back(child);
    ++children;
  }
  nodes_[index] = merged;
  leafCount_ -= children - 1;
}

std::vector<TRgb> TColourOctree::Leaves() const {
  std::vector<TRgb> leaves;
  std::vector<std::int32_t> pending{0};
  while (!pending.empty()) {
    const TNode& node = nodes_[pending.back()];
    pending.pop_back();
    if (node.Leaf) {
      if (node.Pixels == 0) continue;
      leaves.push_back(TRgb{static_cast<std::uint8_t>(node.Red / node.Pixels),
                            static_cast<std::uint8_t>(node.Green / node.Pixels),
                            static_cast<std::uint8_t>(node.Blue / node.Pixels)});
      continue;
    }
    for (int child = 7; child >= 0; --child) {
      if (node.Children[child] >= 0) pending.push_back(node.Children[child]);
    }
  }
  return leaves;
}

TPalette OctreePalette(const TPixelImage& image, std::size_t* leafCount) {
  TColourOctree tree;
  for (const std::uint32_t pixel : image.Pixels) tree.Add(pixel & 0xFFFFFF);
  const std::vector<TRgb> leaves = tree.Leaves();
  if (leafCount) *leafCount = leaves.size();
  TPalette palette{};
  for (std::size_t i = 0; i < palette.size(); ++i) {
    palette[i] = i < leaves.size() ? leaves[i] : (leaves.empty() ? TRgb{} : leaves[0]);
  }
  return palette;
}

std::vector<std::uint8_t> MapToPalette(const TPixelImage& image, const TPalette& palette) {
  std::vector<std::uint8_t> indices;
  if (image.Width <= 0 || image.Height <= 0) return indices;
  indices.reserve(static_cast<std::size_t>(image.Width) * image.Height);
  std::unordered_map<std::uint32_t, std::uint8_t> known;
  for (int y = 0; y < image.Height; ++y) {
    const std::uint32_t* row = image.Pixels.data() + static_cast<std::size_t>(y) * image.Stride;
    for (int x = 0; x < image.Width; ++x) {
      const std::uint32_t rgb = row[x] & 0xFFFFFF;
      auto found = known.find(rgb);
      if (found == known.end()) {
        std::size_t best = 0;
        int bestDistance = Distance(palette[0], rgb);
        for (std::size_t i = 1; i < palette.size() && bestDistance > 0; ++i) {
          const int d = Distance(palette[i], rgb);
          if (d < bestDistance) {
            bestDistance = d;
            best = i;
          }
        }
        found = known.emplace(rgb, static_cast<std::uint8_t>(best)).first;
      }
      indices.push_back(found->second);
    }
  }
  return indices;
}
