// SPDX-License-Identifier: MIT
// Huffman (0x24 with 4-bit symbols, 0x28 with 8-bit): after the header, one byte gives the
// tree's size (size / 2 - 1), then the tree's nodes, root first at offset 5, then the code
// bits in 32-bit little-endian words, bit 31 first. A node's bits 0-5 give the offset of its
// children's pair: (address & ~1) + offset * 2 + 2, child 0 first; bit 7 marks child 0 as
// a leaf (a byte holding the symbol), bit 6 child 1. 4-bit symbols fill each byte low nibble
// first.
#include <algorithm>
#include <deque>
#include <queue>

#include "compression/compression.h"
#include "compression/lz_parse.h"
#include "compression/nintendo_parts.h"

namespace glyphon::compression {

using detail::Hex;

Result<Decompressed> DecodeGbaHuffman(std::span<const std::uint8_t> input, const DecodeLimits& limits) {
  if (input.size() >= 1 && input[0] != 0x24 && input[0] != 0x28) {
    return Result<Decompressed>::Failure("no gba-huffman block at offset " + Hex(limits.base) +
                                         " (its type byte is " + Hex(input[0]) + ", not 0x24 or 0x28)");
  }
  const auto header = detail::ReadBiosHeader(input, input.empty() ? 0x28 : input[0], "gba-huffman", limits);
  if (!header) return Result<Decompressed>::Failure(header.Error());
  const std::size_t size = header.Value();
  const int bits = input[0] & 0x0F;
  const std::size_t n = input.size();
  if (n < 5) return Result<Decompressed>::Failure("the block ends early at offset " + Hex(limits.base + n));
  const std::size_t treeEnd = 4 + (std::size_t{input[4]} + 1) * 2;
  if (treeEnd > n)
    return Result<Decompressed>::Failure("the block ends early at offset " + Hex(limits.base + n));
  Decompressed result;
  ByteString& out = result.bytes;
  out.reserve(size);
  const std::size_t symbols = bits == 4 ? size * 2 : size;
  std::size_t decoded = 0;
  std::size_t pos = treeEnd;
  std::size_t node = 5;
  while (decoded < symbols) {
    if (pos + 4 > n)
      return Result<Decompressed>::Failure("the block ends early at offset " + Hex(limits.base + n));
    const std::uint32_t word = std::uint32_t{input[pos]} | std::uint32_t{input[pos + 1]} << 8 |
                               std::uint32_t{input[pos + 2]} << 16 | std::uint32_t{input[pos + 3]} << 24;
    pos += 4;
    for (int bit = 31; bit >= 0 && decoded < symbols; --bit) {
      const unsigned direction = word >> bit & 1;
      const std::uint8_t value = input[node];
      const std::size_t child = (node & ~std::size_t{1}) + (value & 0x3Fu) * 2 + 2 + direction;
      if (child >= treeEnd) {
        return Result<Decompressed>::Failure("the tree node at offset " + Hex(limits.base + node) +
                                             " points past the end of the tree");
      }
      const bool leaf = value & (direction ? 0x40 : 0x80);
      if (!leaf) {
        node = child;
        continue;
      }
      const std::uint8_t symbol = input[child];
      if (bits == 4) {
        if (decoded % 2 == 0) {
          out.push_back(symbol & 0x0F);
        } else {
          out.back() = static_cast<std::uint8_t>(out.back() | (symbol & 0x0F) << 4);
        }
      } else {
        out.push_back(symbol);
      }
      ++decoded;
      node = 5;
    }
  }
  result.consumed = pos;
  return result;
}

namespace {

struct Node {
  std::uint64_t weight = 0;
  int symbol = -1;  // a leaf's symbol, -1 for an inner node
  int child[2] = {-1, -1};
};

// Lays the tree out: each inner node's children pair goes after the pairs laid before it, and
// must land at most 63 pairs after the node. Breadth first (every pending node in turn) keeps
// each wait short but lets the queue grow as wide as the tree; depth first keeps the queue
// short but makes the early nodes wait. So the pending node to serve next is the newest,
// unless the oldest has no more than `slack` pairs left to wait (all of them are served
// oldest first when `slack` is 63). Fails when a node's children land too far.
bool LayOut(const std::vector<Node>& nodes, int root, std::size_t slack, ByteString& tree) {
  tree.assign(1, 0);  // the root, at offset 5; the pairs follow from offset 6
  struct Pending {
    int node;
    std::size_t at;  // its byte in `tree` (offset 5 is index 0)
  };
  std::deque<Pending> queue{{root, 0}};
  auto offset_now = [&tree](const Pending& p) {
    const std::size_t address = p.at + 5;
    return (tree.size() + 5 - ((address & ~std::size_t{1}) + 2)) / 2;
  };
  while (!queue.empty()) {
    const bool oldest = offset_now(queue.front()) + slack >= 63;
    const Pending p = oldest ? queue.front() : queue.back();
    oldest ? queue.pop_front() : queue.pop_back();
    const std::size_t offset = offset_now(p);
    if (offset > 63) return false;
    std::uint8_t value = static_cast<std::uint8_t>(offset);
    for (int side = 0; side < 2; ++side) {
      const int index = nodes[static_cast<std::size_t>(p.node)].child[side];
      const Node& child = nodes[static_cast<std::size_t>(index)];
      if (child.symbol >= 0) {
        value |= side == 0 ? 0x80 : 0x40;
        tree.push_back(static_cast<std::uint8_t>(child.symbol));
      } else {
        queue.push_back({index, tree.size()});
        tree.push_back(0);
      }
    }
    tree[p.at] = value;
  }
  return true;
}

Result<ByteString> EncodeHuffman(std::span<const std::uint8_t> input, int bits) {
  auto header = detail::BiosHeader(static_cast<std::uint8_t>(0x20 | bits), input.size());
  if (!header) return header;
  std::vector<std::uint8_t> symbols;
  symbols.reserve(bits == 4 ? input.size() * 2 : input.size());
  for (std::uint8_t byte : input) {
    if (bits == 4) {
      symbols.push_back(byte & 0x0F);
      symbols.push_back(byte >> 4);
    } else {
      symbols.push_back(byte);
    }
  }
  std::vector<Node> nodes;
  std::vector<std::uint64_t> counts(std::size_t{1} << bits, 0);
  for (std::uint8_t s : symbols) ++counts[s];
  using Entry = std::pair<std::uint64_t, int>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> heap;
  for (std::size_t s = 0; s < counts.size(); ++s) {
    if (counts[s] == 0) continue;
    nodes.push_back({counts[s], static_cast<int>(s), {-1, -1}});
    heap.push({counts[s], static_cast<int>(nodes.size() - 1)});
  }
  // The root must have two children: a lone symbol gets a partner it never uses.
  while (heap.size() < 2) {
    nodes.push_back({0, nodes.empty() ? 0 : (nodes[0].symbol + 1) % (1 << bits), {-1, -1}});
    heap.push({0, static_cast<int>(nodes.size() - 1)});
  }
  while (heap.size() > 1) {
    const Entry a = heap.top();
    heap.pop();
    const Entry b = heap.top();
    heap.pop();
    nodes.push_back({a.first + b.first, -1, {a.second, b.second}});
    heap.push({a.first + b.first, static_cast<int>(nodes.size() - 1)});
  }
  const int root = heap.top().second;
  ByteString tree;
  bool laidOut = false;
  for (std::size_t slack : {63u, 32u, 16u, 8u, 4u, 2u, 1u}) {
    if ((laidOut = LayOut(nodes, root, slack, tree))) break;
  }
  if (!laidOut) {
    return Result<ByteString>::Failure(
        "the data's 8-bit Huffman tree is too wide for the format's 6-bit node offsets");
  }
  // The codes, by walking from the root.
  std::vector<std::pair<std::uint32_t, int>> codes(std::size_t{1} << bits, {0, 0});
  struct Walk {
    int node;
    std::uint32_t code;
    int length;
  };
  std::vector<Walk> stack{{root, 0, 0}};
  while (!stack.empty()) {
    const Walk w = stack.back();
    stack.pop_back();
    const Node& node = nodes[static_cast<std::size_t>(w.node)];
    if (node.symbol >= 0) {
      codes[static_cast<std::size_t>(node.symbol)] = {w.code, w.length};
      continue;
    }
    if (w.length >= 32)
      return Result<ByteString>::Failure("the data's Huffman codes are longer than 32 bits");
    stack.push_back({node.child[0], w.code << 1, w.length + 1});
    stack.push_back({node.child[1], w.code << 1 | 1, w.length + 1});
  }
  // The tree table is padded to a multiple of 4 bytes with the size byte in front.
  while ((tree.size() + 1) % 4 != 0) tree.push_back(0);
  ByteString out = std::move(header.Value());
  out.push_back(static_cast<std::uint8_t>((tree.size() + 1) / 2 - 1));
  out.insert(out.end(), tree.begin(), tree.end());
  std::uint32_t word = 0;
  int used = 0;
  auto flush = [&] {
    for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(word >> (8 * k)));
    word = 0;
    used = 0;
  };
  for (std::uint8_t s : symbols) {
    const auto [code, length] = codes[s];
    for (int k = length - 1; k >= 0; --k) {
      word |= (code >> k & 1) << (31 - used);
      if (++used == 32) flush();
    }
  }
  if (used > 0) flush();
  return out;
}

}  // namespace

Result<ByteString> EncodeGbaHuffman4(std::span<const std::uint8_t> input, const EncodeOptions&) {
  return EncodeHuffman(input, 4);
}
Result<ByteString> EncodeGbaHuffman8(std::span<const std::uint8_t> input, const EncodeOptions&) {
  return EncodeHuffman(input, 8);
}
Result<ByteString> EncodeGbaHuffman(std::span<const std::uint8_t> input, const EncodeOptions& options) {
  auto four = EncodeGbaHuffman4(input, options);
  auto eight = EncodeGbaHuffman8(input, options);
  if (!eight || (four && four.Value().size() <= eight.Value().size())) return four;
  return eight;
}

}  // namespace glyphon::compression
