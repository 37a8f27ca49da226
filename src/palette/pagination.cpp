// SPDX-License-Identifier: MIT
#include "palette/pagination.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <deque>
#include <iterator>
#include <numeric>
#include <optional>
#include <random>
#include <utility>

namespace glyphon::palette {
namespace {

// Colours are numbered 0, 1, ... in ascending order of their RGB value, so that a set of
// numbers in ascending order maps back to an ascending ColourSet.
using ColourId = std::uint32_t;
using Item = std::vector<ColourId>;
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// The exact search runs on at most this many sets that no other set holds, and gives up
// after this many nodes, keeping the best packing it has seen.
constexpr std::size_t kExactItems = 40;
constexpr std::size_t kExactNodes = 1'000'000;
// Work units (a page or a colour holder looked at) for the greedy bound of the lower bound
// and for palette elimination: they keep 4,096 sets well within a second.
constexpr std::size_t kCliqueWork = 20'000'000;
constexpr std::size_t kEliminationWork = 10'000'000;
// Minimum slack: backtracks allowed per palette, while its work stays under the budget.
constexpr std::size_t kSlackBacktracks = 200;
constexpr std::size_t kSlackWork = 20'000'000;
// Greedy cover: palettes grown from this many uncovered items each round, and its budget.
constexpr std::size_t kCoverSeeds = 4;
constexpr std::uint32_t kCoverRuns = 8;
constexpr std::size_t kCoverWork = 12'000'000;
// Palette repair: run where there are more items than the exact search takes and palettes
// times items and the colours stay below these, within its budget, giving up after this
// many steps (plus two per item) without progress.
constexpr std::size_t kRepairSize = 200'000;
constexpr std::size_t kRepairColours = 4096;
constexpr std::size_t kRepairWork = 30'000'000;
constexpr std::size_t kRepairPatience = 200;

struct Instance {
  std::vector<RgbColor> colours;    // number -> colour
  std::vector<Item> sets;           // every set given, as numbers
  std::vector<Item> items;          // the distinct sets no other set holds, largest first
  std::vector<std::size_t> itemOf;  // for each set given, an item holding it
  std::vector<std::size_t> setOf;   // for each item, the set given that it is
};

// Numbers the colours, then finds each set a home among the sets no other set holds: an
// equal or a larger set holding it. Sets are visited largest first, so a home is always
// among the items made so far; only a set sharing its rarest colour can hold it.
Instance Prepare(std::span<const ColourSet> sets) {
  Instance in;
  for (const ColourSet& set : sets) in.colours.insert(in.colours.end(), set.begin(), set.end());
  std::sort(in.colours.begin(), in.colours.end());
  in.colours.erase(std::unique(in.colours.begin(), in.colours.end()), in.colours.end());
  in.sets.reserve(sets.size());
  for (const ColourSet& set : sets) {
    Item& item = in.sets.emplace_back();
    item.reserve(set.size());
    for (RgbColor colour : set) {
      const auto at = std::lower_bound(in.colours.begin(), in.colours.end(), colour);
      item.push_back(static_cast<ColourId>(at - in.colours.begin()));
    }
  }
  std::vector<std::size_t> order(sets.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return in.sets[a].size() > in.sets[b].size(); });
  std::vector<std::vector<std::size_t>> holders(in.colours.size());
  in.itemOf.assign(sets.size(), kNone);
  for (std::size_t index : order) {
    const Item& set = in.sets[index];
    std::size_t home = kNone;
    if (set.empty()) {
      if (!in.items.empty()) home = 0;
    } else {
      const ColourId rarest = *std::min_element(set.begin(), set.end(), [&](ColourId a, ColourId b) {
        return holders[a].size() < holders[b].size();
      });
      for (std::size_t item : holders[rarest]) {
        if (std::includes(in.items[item].begin(), in.items[item].end(), set.begin(), set.end())) {
          home = item;
          break;
        }
      }
    }
    if (home == kNone) {
      home = in.items.size();
      in.items.push_back(set);
      in.setOf.push_back(index);
      for (ColourId colour : set) holders[colour].push_back(home);
    }
    in.itemOf[index] = home;
  }
  return in;
}

std::size_t CeilDiv(std::size_t a, std::size_t b) {
  return (a + b - 1) / b;
}

// The colours over the size (the colours in every item take an entry of every palette),
// and a group of items no two of which fit one palette together, grown greedily from the
// largest item; the colours each group member shares with an item are counted through the
// members holding each colour.
std::size_t LowerBound(const Instance& in, std::size_t size) {
  if (in.items.empty()) return 0;
  Item everywhere = in.items[0];
  for (const Item& item : in.items) {
    Item common;
    std::set_intersection(everywhere.begin(), everywhere.end(), item.begin(), item.end(),
                          std::back_inserter(common));
    everywhere.swap(common);
  }
  std::size_t bound = 1;
  if (everywhere.size() < size)
    bound = std::max(bound, CeilDiv(in.colours.size() - everywhere.size(), size - everywhere.size()));
  std::vector<std::size_t> group, shared;
  std::vector<std::vector<std::size_t>> holders(in.colours.size());
  std::size_t work = 0;
  for (std::size_t item = 0; item < in.items.size() && work < kCliqueWork; ++item) {
    const Item& colours = in.items[item];
    shared.assign(group.size(), 0);
    work += group.size();
    for (ColourId colour : colours) {
      work += holders[colour].size();
      for (std::size_t member : holders[colour]) ++shared[member];
    }
    bool apart = true;
    for (std::size_t member = 0; member < group.size() && apart; ++member)
      apart = in.items[group[member]].size() + colours.size() - shared[member] > size;
    if (!apart) continue;
    for (ColourId colour : colours) holders[colour].push_back(group.size());
    group.push_back(item);
  }
  return std::max(bound, group.size());
}

// Palettes being filled with items, each page knowing how many of its items hold each of
// its colours, and each colour the pages that hold it. A page may hold more colours than
// the size while overload-and-remove works on it; a page whose items all left is dead.
class Pages {
 public:
  Pages(const std::vector<Item>& items, std::size_t colourCount)
      : m_items(items), m_pageOf(items.size(), kNone), m_holders(colourCount) {}

  std::size_t Count() const { return m_pages.size(); }
  std::size_t Colours(std::size_t page) const { return m_pages[page].colours.size(); }
  bool Live(std::size_t page) const { return !m_pages[page].items.empty(); }
  const std::vector<std::size_t>& ItemsOn(std::size_t page) const { return m_pages[page].items; }
  std::size_t PageOf(std::size_t item) const { return m_pageOf[item]; }
  std::size_t Work() const { return m_work; }
  std::size_t LiveCount() const {
    return static_cast<std::size_t>(
        std::count_if(m_pages.begin(), m_pages.end(), [](const Page& page) { return !page.items.empty(); }));
  }

  // Puts the item on the page; the page just past the last opens a new one.
  void Add(std::size_t item, std::size_t page) {
    if (page == m_pages.size()) {
      m_pages.emplace_back();
      m_shared.push_back(0);
    }
    Page& target = m_pages[page];
    m_merged.clear();
    auto at = target.colours.begin();
    for (ColourId colour : m_items[item]) {
      for (; at != target.colours.end() && at->first < colour; ++at) m_merged.push_back(*at);
      if (at != target.colours.end() && at->first == colour) {
        m_merged.emplace_back(colour, at->second + 1);
        ++at;
      } else {
        m_merged.emplace_back(colour, 1);
        m_holders[colour].push_back(page);
      }
    }
    m_merged.insert(m_merged.end(), at, target.colours.end());
    target.colours.swap(m_merged);
    target.items.push_back(item);
    m_pageOf[item] = page;
    m_work += target.colours.size();
  }

  void Remove(std::size_t item) {
    Page& source = m_pages[m_pageOf[item]];
    auto at = source.colours.begin();
    for (ColourId colour : m_items[item]) {
      at = std::lower_bound(
          at, source.colours.end(), colour,
          [](const std::pair<ColourId, std::uint32_t>& entry, ColourId c) { return entry.first < c; });
      if (--at->second == 0) {
        std::vector<std::size_t>& holders = m_holders[colour];
        holders.erase(std::find(holders.begin(), holders.end(), m_pageOf[item]));
      }
      ++at;
    }
    std::erase_if(source.colours,
                  [](const std::pair<ColourId, std::uint32_t>& entry) { return entry.second == 0; });
    source.items.erase(std::find(source.items.begin(), source.items.end(), item));
    m_pageOf[item] = kNone;
    m_work += source.colours.size();
  }

  // Counts, for every page, the colours it shares with the item; Shared answers until the
  // next call, Touched lists the pages sharing at least one.
  void CountShared(std::size_t item) {
    for (std::size_t page : m_touched) m_shared[page] = 0;
    m_touched.clear();
    for (ColourId colour : m_items[item]) {
      m_work += m_holders[colour].size();
      for (std::size_t page : m_holders[colour]) {
        if (m_shared[page]++ == 0) m_touched.push_back(page);
      }
    }
  }
  std::size_t Shared(std::size_t page) const { return m_shared[page]; }
  const std::vector<std::size_t>& Touched() const { return m_touched; }

  // The colours of the item that no other item on its page holds.
  std::size_t OwnColours(std::size_t item) const {
    const Page& page = m_pages[m_pageOf[item]];
    std::size_t own = 0;
    for (ColourId colour : m_items[item]) {
      const auto at = std::lower_bound(
          page.colours.begin(), page.colours.end(), colour,
          [](const std::pair<ColourId, std::uint32_t>& entry, ColourId c) { return entry.first < c; });
      if (at->second == 1) ++own;
    }
    return own;
  }

  // The live page, other than `except`, that takes the item (after CountShared) within the
  // size with the fewest new colours; among those the fullest, then the first. kNone if
  // none does.
  std::size_t BestFit(std::size_t item, std::size_t size, std::size_t except = kNone) {
    const std::size_t itemSize = m_items[item].size();
    std::size_t best = kNone, bestAdded = 0;
    const auto better = [&](std::size_t page, std::size_t added) {
      if (best == kNone || added != bestAdded) return best == kNone || added < bestAdded;
      if (Colours(page) != Colours(best)) return Colours(page) > Colours(best);
      return page < best;
    };
    for (std::size_t page : m_touched) {
      const std::size_t added = itemSize - m_shared[page];
      if (page != except && Colours(page) + added <= size && better(page, added))
        best = page, bestAdded = added;
    }
    if (best != kNone) return best;
    m_work += m_pages.size();
    for (std::size_t page = 0; page < m_pages.size(); ++page) {
      if (page != except && Live(page) && m_shared[page] == 0 && Colours(page) + itemSize <= size &&
          better(page, itemSize))
        best = page, bestAdded = itemSize;
    }
    return best;
  }

 private:
  struct Page {
    std::vector<std::pair<ColourId, std::uint32_t>> colours;  // ascending, with how many items hold each
    std::vector<std::size_t> items;
  };
  const std::vector<Item>& m_items;
  std::vector<std::size_t> m_pageOf;
  std::vector<Page> m_pages;
  std::vector<std::vector<std::size_t>> m_holders;
  std::vector<std::uint32_t> m_shared;
  std::vector<std::size_t> m_touched;
  std::vector<std::pair<ColourId, std::uint32_t>> m_merged;
  std::size_t m_work = 0;
};

// A packing as the page of every item (or of every set given), pages numbered at will.
using Assignment = std::vector<std::size_t>;

std::size_t PagesUsed(const Assignment& pageOf) {
  std::vector<std::size_t> pages(pageOf);
  std::sort(pages.begin(), pages.end());
  return static_cast<std::size_t>(std::unique(pages.begin(), pages.end()) - pages.begin());
}

// First-fit decreasing over any list of items: the first page whose colours, with the
// item's added, stay within the size.
Assignment FirstFitDecreasing(const std::vector<Item>& items, std::size_t colourCount, std::size_t size) {
  std::vector<std::size_t> order(items.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return items[a].size() > items[b].size(); });
  Pages pages(items, colourCount);
  for (std::size_t item : order) {
    pages.CountShared(item);
    std::size_t page = 0;
    while (page < pages.Count() && pages.Colours(page) + items[item].size() - pages.Shared(page) > size)
      ++page;
    pages.Add(item, page);
  }
  Assignment pageOf(items.size());
  for (std::size_t item = 0; item < items.size(); ++item) pageOf[item] = pages.PageOf(item);
  return pageOf;
}

// Best-fit decreasing: each item, largest first, onto the page it adds the fewest colours to.
void BestFitDecreasing(Pages& pages, std::size_t itemCount, std::size_t size) {
  for (std::size_t item = 0; item < itemCount; ++item) {
    pages.CountShared(item);
    const std::size_t page = pages.BestFit(item, size);
    pages.Add(item, page == kNone ? pages.Count() : page);
  }
}

// Overload-and-remove: an item that fits no page goes, rather than onto a new page, onto
// the page sharing most of its colours, even beyond the size; the page then sheds the items
// whose colours it holds for them alone, most such colours first, until it fits again, and
// they queue up to be placed anew, never back on the page that shed them. A budget of
// overloads keeps it from going round in circles; past it every item is placed by best fit.
void OverloadAndRemove(Pages& pages, const std::vector<Item>& items, std::size_t size) {
  const std::size_t itemCount = items.size();
  std::deque<std::size_t> queue(itemCount);
  std::iota(queue.begin(), queue.end(), std::size_t{0});
  std::vector<std::size_t> shedBy(itemCount, kNone);
  std::size_t overloads = 2 * itemCount + 16;
  while (!queue.empty()) {
    const std::size_t item = queue.front();
    queue.pop_front();
    pages.CountShared(item);
    const std::size_t fit = pages.BestFit(item, size);
    if (fit != kNone) {
      pages.Add(item, fit);
      continue;
    }
    std::size_t host = kNone;
    if (overloads > 0 && items[item].size() <= size) {
      for (std::size_t page : pages.Touched()) {
        if (page == shedBy[item]) continue;
        if (host == kNone || pages.Shared(page) > pages.Shared(host) ||
            (pages.Shared(page) == pages.Shared(host) && page < host))
          host = page;
      }
    }
    if (host == kNone) {
      pages.Add(item, pages.Count());
      continue;
    }
    --overloads;
    pages.Add(item, host);
    while (pages.Colours(host) > size) {
      std::size_t shed = kNone, shedOwn = 0;
      for (std::size_t other : pages.ItemsOn(host)) {
        if (other == item) continue;
        const std::size_t own = pages.OwnColours(other);
        if (shed == kNone || own > shedOwn || (own == shedOwn && other > shed)) shed = other, shedOwn = own;
      }
      pages.Remove(shed);
      shedBy[shed] = host;
      queue.push_back(shed);
    }
  }
}

// Palette elimination: takes the emptiest pages one by one and tries to share their items
// out among the others (best fit, largest first). When an item fits nowhere, one item of a
// page sharing its colours may step aside to a third page to make room. A page emptied is
// one palette fewer; a failed try is undone move by move. Rounds go on while one succeeds.
void EliminatePages(Pages& pages, const std::vector<Item>& items, std::size_t size) {
  const std::size_t stop = pages.Work() + kEliminationWork;
  struct Move {
    std::size_t item, from, to;
  };
  std::vector<Move> journal;
  const auto move = [&](std::size_t item, std::size_t to) {
    const std::size_t from = pages.PageOf(item);
    if (from != kNone) pages.Remove(item);
    if (to != kNone) pages.Add(item, to);
    journal.push_back({item, from, to});
  };
  // Puts the item on a page sharing its colours after moving one of that page's items to a
  // third page (never `emptied`).
  const auto makeRoom = [&](std::size_t item, std::size_t emptied) {
    pages.CountShared(item);
    std::vector<std::pair<std::size_t, std::size_t>> hosts;  // (shared, page)
    for (std::size_t page : pages.Touched()) {
      if (page != emptied) hosts.emplace_back(pages.Shared(page), page);
    }
    std::sort(hosts.begin(), hosts.end(), [](const auto& a, const auto& b) {
      return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    for (const auto& [shared, host] : hosts) {
      const std::vector<std::size_t> residents = pages.ItemsOn(host);
      for (std::size_t resident : residents) {
        pages.Remove(resident);
        pages.CountShared(item);
        if (pages.Colours(host) + items[item].size() - pages.Shared(host) <= size) {
          pages.CountShared(resident);
          const std::size_t away = pages.BestFit(resident, size, host);
          if (away != kNone && away != emptied) {
            pages.Add(resident, host);
            move(resident, away);
            move(item, host);
            return true;
          }
        }
        pages.Add(resident, host);
      }
    }
    return false;
  };
  for (bool progress = true; progress && pages.Work() < stop;) {
    progress = false;
    std::vector<std::size_t> order;
    for (std::size_t page = 0; page < pages.Count(); ++page) {
      if (pages.Live(page)) order.push_back(page);
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      return pages.Colours(a) != pages.Colours(b) ? pages.Colours(a) < pages.Colours(b)
                                                  : pages.ItemsOn(a).size() < pages.ItemsOn(b).size();
    });
    for (std::size_t page : order) {
      if (pages.Work() >= stop) break;
      if (!pages.Live(page)) continue;
      std::vector<std::size_t> leaving = pages.ItemsOn(page);
      std::stable_sort(leaving.begin(), leaving.end(),
                       [&](std::size_t a, std::size_t b) { return items[a].size() > items[b].size(); });
      journal.clear();
      for (std::size_t item : leaving) move(item, kNone);
      bool placed = true;
      for (std::size_t item : leaving) {
        pages.CountShared(item);
        const std::size_t fit = pages.BestFit(item, size, page);
        if (fit != kNone) {
          move(item, fit);
        } else if (!makeRoom(item, page)) {
          placed = false;
          break;
        }
      }
      if (placed) {
        progress = true;
        continue;
      }
      for (auto undo = journal.rbegin(); undo != journal.rend(); ++undo) {
        if (undo->to != kNone) pages.Remove(undo->item);
        if (undo->from != kNone) pages.Add(undo->item, undo->from);
      }
    }
  }
}

// Minimum slack, one palette at a time: the largest item left opens a palette, and a
// bounded search over the items left that fit with it looks for the choice leaving the
// fewest entries free (the first try is the greedy one: every item that still fits, in
// order). Then every item left that still fits joins. Strong where the sets must fill their
// palettes exactly, as in bin packing proper.
class MinimumSlack {
 public:
  MinimumSlack(const std::vector<Item>& items, std::size_t colourCount, std::size_t size)
      : m_items(items), m_size(size), m_bits((colourCount + 63) / 64, 0) {}

  Assignment Run(std::size_t backtracks, std::size_t workBudget) {
    Assignment pageOf(m_items.size(), kNone);
    std::size_t pageCount = 0;
    for (std::size_t first = 0; first < m_items.size(); ++first) {
      if (pageOf[first] != kNone) continue;
      std::fill(m_bits.begin(), m_bits.end(), std::uint64_t{0});
      m_colours = 0;
      Include(first);
      m_open.clear();
      for (std::size_t item = first + 1; item < m_items.size(); ++item) {
        if (pageOf[item] == kNone && m_colours + Added(item) <= m_size) m_open.push_back(item);
      }
      m_work += m_items.size() - first;
      m_chosen.assign(1, first);
      m_best = m_chosen;
      m_bestColours = m_colours;
      m_backtracks = m_work < workBudget ? backtracks : 0;
      Search(0);
      std::fill(m_bits.begin(), m_bits.end(), std::uint64_t{0});
      m_colours = 0;
      for (std::size_t item : m_best) Include(item), pageOf[item] = pageCount;
      for (std::size_t item : m_open) {
        if (pageOf[item] == kNone && m_colours + Added(item) <= m_size)
          Include(item), pageOf[item] = pageCount;
      }
      ++pageCount;
    }
    return pageOf;
  }

 private:
  bool Has(ColourId colour) const { return (m_bits[colour / 64] >> (colour % 64) & 1) != 0; }
  std::size_t Added(std::size_t item) const {
    return static_cast<std::size_t>(
        std::count_if(m_items[item].begin(), m_items[item].end(), [&](ColourId c) { return !Has(c); }));
  }
  // Adds the item's colours to the palette; returns those it added.
  Item Include(std::size_t item) {
    Item added;
    for (ColourId colour : m_items[item]) {
      if (!Has(colour)) m_bits[colour / 64] |= std::uint64_t{1} << (colour % 64), added.push_back(colour);
    }
    m_colours += added.size();
    return added;
  }

  void Search(std::size_t from) {
    if (m_colours > m_bestColours) m_bestColours = m_colours, m_best = m_chosen;
    for (std::size_t k = from; k < m_open.size() && m_bestColours < m_size; ++k) {
      const std::size_t item = m_open[k];
      const std::size_t added = Added(item);
      m_work += m_items[item].size();
      if (added == 0 || m_colours + added > m_size) continue;
      const Item colours = Include(item);
      m_chosen.push_back(item);
      Search(k + 1);
      m_chosen.pop_back();
      for (ColourId colour : colours) m_bits[colour / 64] &= ~(std::uint64_t{1} << (colour % 64));
      m_colours -= colours.size();
      if (m_backtracks == 0) return;
      --m_backtracks;
    }
  }

  const std::vector<Item>& m_items;
  std::size_t m_size;
  std::vector<std::uint64_t> m_bits;
  std::size_t m_colours = 0, m_bestColours = 0, m_backtracks = 0, m_work = 0;
  std::vector<std::size_t> m_open, m_chosen, m_best;
};

// Greedy cover, one palette at a time: a palette grows from an item not yet covered by
// taking, again and again, the uncovered item that adds the fewest colours (the larger on
// a tie) while it fits; it then covers every uncovered item lying in it, taken or not. Of
// the palettes grown from the first few uncovered items, the one covering most is kept.
// Strong when many sets lie in several of the palettes that drew them, where packing item
// by item scatters them. Gives up (an empty result) past its work budget.
Assignment GreedyCover(const std::vector<Item>& items, std::size_t colourCount, std::size_t size,
                       std::size_t seeds, std::uint32_t shuffle, std::size_t& work, std::size_t workBudget) {
  std::vector<std::uint64_t> bits((colourCount + 63) / 64);
  const auto has = [&](ColourId c) { return (bits[c / 64] >> (c % 64) & 1) != 0; };
  const auto added = [&](std::size_t item) {
    return static_cast<std::size_t>(
        std::count_if(items[item].begin(), items[item].end(), [&](ColourId c) { return !has(c); }));
  };
  std::vector<std::size_t> uncovered(items.size());
  std::iota(uncovered.begin(), uncovered.end(), std::size_t{0});
  if (shuffle != 0) {
    // Another order of the items (so other seeds and ties), the same on every machine.
    std::mt19937 random(shuffle);
    for (std::size_t k = uncovered.size(); k > 1; --k) std::swap(uncovered[k - 1], uncovered[random() % k]);
  }
  Assignment pageOf(items.size(), kNone);
  std::size_t pageCount = 0;
  Item bestColours, credited;
  std::vector<std::uint32_t> credit(colourCount, 0);
  while (!uncovered.empty()) {
    std::size_t bestCovered = 0;
    for (std::size_t attempt = 0; attempt < 2 * std::min(seeds, uncovered.size()); ++attempt) {
      const bool byColour = attempt % 2 == 1;
      std::fill(bits.begin(), bits.end(), std::uint64_t{0});
      std::size_t colours = 0;
      const auto take = [&](std::size_t item) {
        for (ColourId c : items[item]) {
          if (!has(c)) bits[c / 64] |= std::uint64_t{1} << (c % 64), ++colours;
        }
      };
      take(uncovered[attempt / 2]);
      for (;;) {
        if (byColour && colours < size) {
          // The colour that alone completes the most uncovered items.
          ColourId best = 0;
          std::uint32_t bestCredit = 0;
          work += uncovered.size();
          for (std::size_t item : uncovered) {
            if (added(item) != 1) continue;
            const ColourId missing =
                *std::find_if(items[item].begin(), items[item].end(), [&](ColourId c) { return !has(c); });
            if (credit[missing]++ == 0) credited.push_back(missing);
          }
          for (ColourId c : credited) {
            if (credit[c] > bestCredit || (credit[c] == bestCredit && c < best))
              best = c, bestCredit = credit[c];
            credit[c] = 0;
          }
          credited.clear();
          if (bestCredit > 0) {
            bits[best / 64] |= std::uint64_t{1} << (best % 64), ++colours;
            continue;
          }
        }
        std::size_t pick = kNone, pickAdded = 0;
        work += uncovered.size();
        for (std::size_t item : uncovered) {
          const std::size_t more = added(item);
          if (more == 0 || colours + more > size) continue;
          if (pick == kNone || more < pickAdded ||
              (more == pickAdded && items[item].size() > items[pick].size()))
            pick = item, pickAdded = more;
        }
        if (pick == kNone) break;
        take(pick);
      }
      const std::size_t covered = static_cast<std::size_t>(std::count_if(
          uncovered.begin(), uncovered.end(), [&](std::size_t item) { return added(item) == 0; }));
      if (covered > bestCovered) {
        bestCovered = covered;
        bestColours.clear();
        for (ColourId c = 0; c < colourCount; ++c) {
          if (has(c)) bestColours.push_back(c);
        }
      }
    }
    if (work > workBudget) return {};
    std::fill(bits.begin(), bits.end(), std::uint64_t{0});
    for (ColourId c : bestColours) bits[c / 64] |= std::uint64_t{1} << (c % 64);
    std::erase_if(uncovered, [&](std::size_t item) {
      if (added(item) != 0) return false;
      pageOf[item] = pageCount;
      return true;
    });
    ++pageCount;
  }
  return pageOf;
}

// Palette repair: palettes as sets of colours, an item covered by every palette holding
// it. The palette covering the fewest items alone is dropped; then, again and again, an
// uncovered item (in turn) is made to fit the palette where that leaves the fewest items
// uncovered: its missing colours are added and, for room, the colours are dropped that the
// fewest items covered by that palette alone hold (never one added there in the last few
// steps, so that a step is not undone at once). When every item is covered, the next
// palette goes. Past the budget, the last packing covering everything stands.
class PaletteRepair {
 public:
  PaletteRepair(const std::vector<Item>& items, std::size_t colourCount, std::size_t size)
      : m_items(items),
        m_size(size),
        m_colourCount(colourCount),
        m_words((colourCount + 63) / 64),
        m_cover(items.size(), 0),
        m_loss(colourCount, 0) {
    for (const Item& item : items) m_scan += item.size() + 1;
  }

  // From a packing (every item's page), one with fewer pages, or an empty result.
  Assignment Run(const Assignment& start, std::size_t workBudget) {
    std::vector<std::size_t> number(*std::max_element(start.begin(), start.end()) + 1, kNone);
    for (std::size_t item = 0; item < m_items.size(); ++item) {
      std::size_t& palette = number[start[item]];
      if (palette == kNone) {
        palette = m_palettes.size();
        m_palettes.emplace_back(m_words, 0);
        m_banned.emplace_back(m_colourCount, 0);
      }
      for (ColourId c : m_items[item]) Set(m_palettes[palette], c);
    }
    const std::size_t startCount = m_palettes.size();
    Assignment best;
    Recount();
    // Gives up when the fewest items left uncovered has not gone down for a while.
    std::size_t uncovered = 0, cursor = 0, fewest = 0, fewestStep = 0;
    for (std::size_t step = 1; m_work < workBudget; ++step) {
      if (uncovered == 0) {
        if (m_palettes.size() < startCount) best = Assignment(m_items.size(), 0), Assign(best);
        if (m_palettes.size() <= 1) break;
        DropLoneliest();
        uncovered = static_cast<std::size_t>(std::count(m_cover.begin(), m_cover.end(), 0u));
        fewest = uncovered, fewestStep = step;
        continue;
      }
      if (uncovered < fewest) fewest = uncovered, fewestStep = step;
      if (step - fewestStep > kRepairPatience + 2 * m_items.size()) break;
      while (m_cover[cursor] != 0) cursor = (cursor + 1) % m_items.size();
      const std::size_t item = cursor;
      cursor = (cursor + 1) % m_items.size();
      std::size_t bestPalette = kNone, bestAfter = 0;
      Bits bestBits;
      for (std::size_t palette = 0; palette < m_palettes.size(); ++palette) {
        Bits bits;
        if (!Refit(palette, item, step, bits)) continue;
        std::size_t after = uncovered;
        m_work += m_scan;
        for (std::size_t other = 0; other < m_items.size(); ++other) {
          if (m_cover[other] == 0 && Holds(bits, other)) --after;
          if (m_cover[other] == 1 && Holds(m_palettes[palette], other) && !Holds(bits, other)) ++after;
        }
        if (bestPalette == kNone || after < bestAfter)
          bestPalette = palette, bestAfter = after, bestBits = bits;
      }
      if (bestPalette == kNone) continue;
      Bits& old = m_palettes[bestPalette];
      for (ColourId c = 0; c < m_colourCount; ++c) {
        if (Has(old, c) && !Has(bestBits, c)) m_banned[bestPalette][c] = step + 7;
      }
      m_work += m_scan;
      for (std::size_t other = 0; other < m_items.size(); ++other) {
        const bool was = Holds(old, other), is = Holds(bestBits, other);
        if (was && !is) --m_cover[other];
        if (is && !was) ++m_cover[other];
      }
      old = bestBits;
      uncovered = bestAfter;
    }
    return best;
  }

 private:
  using Bits = std::vector<std::uint64_t>;
  static bool Has(const Bits& bits, ColourId c) { return (bits[c / 64] >> (c % 64) & 1) != 0; }
  static void Set(Bits& bits, ColourId c) { bits[c / 64] |= std::uint64_t{1} << (c % 64); }
  static std::size_t Count(const Bits& bits) {
    std::size_t count = 0;
    for (std::uint64_t word : bits) count += static_cast<std::size_t>(std::popcount(word));
    return count;
  }
  bool Holds(const Bits& bits, std::size_t item) const {
    return std::all_of(m_items[item].begin(), m_items[item].end(), [&](ColourId c) { return Has(bits, c); });
  }

  void Recount() {
    m_work += m_scan * m_palettes.size();
    for (std::size_t item = 0; item < m_items.size(); ++item) {
      m_cover[item] = 0;
      for (const Bits& bits : m_palettes) m_cover[item] += Holds(bits, item) ? 1u : 0u;
    }
  }

  // Every item to the first palette holding it.
  void Assign(Assignment& pageOf) const {
    for (std::size_t item = 0; item < m_items.size(); ++item) {
      pageOf[item] =
          static_cast<std::size_t>(std::find_if(m_palettes.begin(), m_palettes.end(),
                                                [&](const Bits& bits) { return Holds(bits, item); }) -
                                   m_palettes.begin());
    }
  }

  void DropLoneliest() {
    std::vector<std::size_t> alone(m_palettes.size(), 0);
    for (std::size_t item = 0; item < m_items.size(); ++item) {
      if (m_cover[item] != 1) continue;
      for (std::size_t palette = 0; palette < m_palettes.size(); ++palette) {
        if (Holds(m_palettes[palette], item)) ++alone[palette];
      }
    }
    const std::size_t drop =
        static_cast<std::size_t>(std::min_element(alone.begin(), alone.end()) - alone.begin());
    m_palettes.erase(m_palettes.begin() + static_cast<std::ptrdiff_t>(drop));
    m_banned.erase(m_banned.begin() + static_cast<std::ptrdiff_t>(drop));
    Recount();
  }

  // The palette with the item's missing colours added and, if that passes the size, the
  // cheapest colours dropped; false when a missing colour is banned there or room lacks.
  bool Refit(std::size_t palette, std::size_t item, std::size_t step, Bits& bits) {
    bits = m_palettes[palette];
    std::size_t missing = 0;
    for (ColourId c : m_items[item]) {
      if (Has(bits, c)) continue;
      if (m_banned[palette][c] > step) return false;
      Set(bits, c);
      ++missing;
    }
    const std::size_t colours = Count(bits);
    if (colours <= m_size) return true;
    const std::size_t drop = colours - m_size;
    const Bits& current = m_palettes[palette];
    m_work += m_scan;
    for (std::size_t other = 0; other < m_items.size(); ++other) {
      if (m_cover[other] != 1 || !Holds(current, other)) continue;
      for (ColourId c : m_items[other]) ++m_loss[c];
    }
    std::vector<std::pair<std::uint32_t, ColourId>> candidates;
    for (ColourId c = 0; c < m_colourCount; ++c) {
      if (Has(current, c) && !std::binary_search(m_items[item].begin(), m_items[item].end(), c))
        candidates.emplace_back(m_loss[c], c);
    }
    for (const Item& other : m_items) {
      for (ColourId c : other) m_loss[c] = 0;
    }
    if (candidates.size() < drop) return false;
    std::partial_sort(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(drop),
                      candidates.end());
    for (std::size_t k = 0; k < drop; ++k)
      bits[candidates[k].second / 64] &= ~(std::uint64_t{1} << (candidates[k].second % 64));
    return missing > 0;
  }

  const std::vector<Item>& m_items;
  std::size_t m_size, m_colourCount, m_words;
  std::vector<Bits> m_palettes;
  std::vector<std::vector<std::size_t>> m_banned;  // per palette and colour: the step it may come back
  std::vector<std::uint32_t> m_cover, m_loss;
  std::size_t m_work = 0, m_scan = 0;  // work done; one look at every item's colours
};

Assignment PagesOf(const Pages& pages, std::size_t itemCount) {
  Assignment pageOf(itemCount);
  for (std::size_t item = 0; item < itemCount; ++item) pageOf[item] = pages.PageOf(item);
  return pageOf;
}

// Branch and bound, one palette at a time: the first item not yet placed opens a palette,
// which is then completed with a choice of the later items that fit, every item it could
// still take taken (a palette with room for one more item can take it from wherever it
// went, at no cost, so only such full completions need be tried). An item lying wholly in
// the palette so far is always taken. A node is cut when the palettes closed plus the
// colours of the items left over the size reach the best count known: the items left can
// only go to new palettes.
class ExactSearch {
 public:
  ExactSearch(const std::vector<Item>& items, std::size_t colourCount, std::size_t size)
      : m_size(size),
        m_words((colourCount + 63) / 64),
        m_itemBits(items.size() * m_words, 0),
        m_pageOf(items.size(), kNone) {
    for (std::size_t item = 0; item < items.size(); ++item) {
      for (ColourId colour : items[item])
        m_itemBits[item * m_words + colour / 64] |= std::uint64_t{1} << (colour % 64);
    }
  }

  // Looks for a packing in fewer than `upper` palettes, stopping early at `lower`.
  std::optional<Assignment> Solve(std::size_t upper, std::size_t lower, std::size_t budget) {
    m_budget = budget;
    m_best = upper;
    m_lower = lower;
    OpenPage(0);
    return m_found;
  }

 private:
  using Bits = std::vector<std::uint64_t>;

  bool Stopped() const { return m_best <= m_lower || m_nodes > m_budget; }
  const std::uint64_t* ItemBits(std::size_t item) const { return &m_itemBits[item * m_words]; }
  std::size_t UnionCount(const Bits& page, std::size_t item) const {
    std::size_t count = 0;
    for (std::size_t w = 0; w < m_words; ++w)
      count += static_cast<std::size_t>(std::popcount(page[w] | ItemBits(item)[w]));
    return count;
  }
  bool Holds(const Bits& page, std::size_t item) const {
    for (std::size_t w = 0; w < m_words; ++w) {
      if ((ItemBits(item)[w] & ~page[w]) != 0) return false;
    }
    return true;
  }

  void OpenPage(std::size_t page) {
    if (Stopped()) return;
    ++m_nodes;
    std::size_t first = 0;
    while (first < m_pageOf.size() && m_pageOf[first] != kNone) ++first;
    if (first == m_pageOf.size()) {
      m_best = page;
      m_found = m_pageOf;
      return;
    }
    // The colours of the items left; those in every one of them (a backdrop) take an entry
    // in every palette still to come.
    Bits left(m_words, 0), everywhere(ItemBits(first), ItemBits(first) + m_words);
    for (std::size_t item = first; item < m_pageOf.size(); ++item) {
      if (m_pageOf[item] != kNone) continue;
      for (std::size_t w = 0; w < m_words; ++w)
        left[w] |= ItemBits(item)[w], everywhere[w] &= ItemBits(item)[w];
    }
    std::size_t colours = 0, common = 0;
    for (std::size_t w = 0; w < m_words; ++w) {
      colours += static_cast<std::size_t>(std::popcount(left[w]));
      common += static_cast<std::size_t>(std::popcount(everywhere[w]));
    }
    const std::size_t needed = common < m_size ? CeilDiv(colours - common, m_size - common) : 1;
    if (page + std::max<std::size_t>(1, needed) >= m_best) return;
    m_pageOf[first] = page;
    Complete(page, first + 1, Bits(ItemBits(first), ItemBits(first) + m_words));
    m_pageOf[first] = kNone;
  }

  void Complete(std::size_t page, std::size_t from, const Bits& bits) {
    if (Stopped()) return;
    ++m_nodes;
    std::size_t next = from;
    while (next < m_pageOf.size() && (m_pageOf[next] != kNone || UnionCount(bits, next) > m_size)) ++next;
    if (next == m_pageOf.size()) {
      for (std::size_t item = 0; item < m_pageOf.size(); ++item) {
        if (m_pageOf[item] == kNone && UnionCount(bits, item) <= m_size) return;  // room left for it
      }
      OpenPage(page + 1);
      return;
    }
    m_pageOf[next] = page;
    if (Holds(bits, next)) {
      Complete(page, next + 1, bits);
      m_pageOf[next] = kNone;
      return;
    }
    Bits with(bits);
    for (std::size_t w = 0; w < m_words; ++w) with[w] |= ItemBits(next)[w];
    Complete(page, next + 1, with);
    m_pageOf[next] = kNone;
    Complete(page, next + 1, bits);
  }

  std::size_t m_size, m_words;
  std::vector<std::uint64_t> m_itemBits;
  Assignment m_pageOf;
  std::optional<Assignment> m_found;
  std::size_t m_best = 0, m_lower = 0, m_nodes = 0, m_budget = 0;
};

// The packing of the sets given, from the page of each: palettes numbered in the order of
// the first set using them, each the union of its sets' colours.
Packing MakePacking(const Instance& in, const Assignment& pageOfSet) {
  Packing packing;
  packing.paletteOf.assign(pageOfSet.size(), 0);
  std::vector<std::size_t> number(
      pageOfSet.empty() ? 0 : *std::max_element(pageOfSet.begin(), pageOfSet.end()) + 1, kNone);
  std::vector<Item> colours;
  for (std::size_t set = 0; set < pageOfSet.size(); ++set) {
    std::size_t& palette = number[pageOfSet[set]];
    if (palette == kNone) {
      palette = colours.size();
      colours.emplace_back();
    }
    packing.paletteOf[set] = palette;
    colours[palette].insert(colours[palette].end(), in.sets[set].begin(), in.sets[set].end());
  }
  for (Item& ids : colours) {
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    ColourSet& palette = packing.palettes.emplace_back();
    palette.reserve(ids.size());
    for (ColourId id : ids) palette.push_back(in.colours[id]);
  }
  return packing;
}

Assignment SetsFromItems(const Instance& in, const Assignment& pageOfItem) {
  Assignment pageOfSet(in.sets.size());
  for (std::size_t set = 0; set < in.sets.size(); ++set) pageOfSet[set] = pageOfItem[in.itemOf[set]];
  return pageOfSet;
}

}  // namespace

Packing PackFirstFitDecreasing(std::span<const ColourSet> sets, std::size_t paletteSize) {
  const Instance in = Prepare(sets);
  return MakePacking(in, FirstFitDecreasing(in.sets, in.colours.size(), paletteSize));
}

std::size_t PalettesNeededAtLeast(std::span<const ColourSet> sets, std::size_t paletteSize) {
  return LowerBound(Prepare(sets), paletteSize);
}

// The packings tried, best kept (the first of equals): first-fit decreasing over the sets
// as given; then over the items, best-fit decreasing, overload-and-remove, minimum slack and
// greedy cover, each followed by palette elimination; then, for few items, the exact search
// under the best count found. Each later step runs only while the best count is above the
// lower bound.
Packing PackColourSets(std::span<const ColourSet> sets, std::size_t paletteSize) {
  const Instance in = Prepare(sets);
  if (in.sets.empty()) return {};
  Assignment best = FirstFitDecreasing(in.sets, in.colours.size(), paletteSize);
  std::size_t bestCount = PagesUsed(best);
  const std::size_t lower = LowerBound(in, paletteSize);
  const auto consider = [&](const Assignment& pageOfItem) {
    const std::size_t count = PagesUsed(pageOfItem);
    if (count < bestCount) {
      bestCount = count;
      best = SetsFromItems(in, pageOfItem);
    }
  };
  const std::size_t itemCount = in.items.size();
  if (bestCount > lower) {
    Pages pages(in.items, in.colours.size());
    BestFitDecreasing(pages, itemCount, paletteSize);
    EliminatePages(pages, in.items, paletteSize);
    consider(PagesOf(pages, itemCount));
  }
  if (bestCount > lower) {
    Pages pages(in.items, in.colours.size());
    OverloadAndRemove(pages, in.items, paletteSize);
    EliminatePages(pages, in.items, paletteSize);
    consider(PagesOf(pages, itemCount));
  }
  if (bestCount > lower) {
    const Assignment filled =
        MinimumSlack(in.items, in.colours.size(), paletteSize).Run(kSlackBacktracks, kSlackWork);
    Pages pages(in.items, in.colours.size());
    for (std::size_t item = 0; item < itemCount; ++item) pages.Add(item, filled[item]);
    EliminatePages(pages, in.items, paletteSize);
    consider(PagesOf(pages, itemCount));
  }
  if (bestCount > lower) {
    // Greedy cover in the items' order, then in shuffled orders while its budget lasts and
    // until two runs in a row bring no fewer palettes; the fewest found go on to elimination.
    // Each of at least `lower` palettes scans the items left at least once a try: skip it
    // where that alone would pass the budget.
    Assignment covered;
    std::size_t coveredCount = kNone, stale = 0, work = lower * 2 * kCoverSeeds * itemCount / 2;
    for (std::uint32_t shuffle = 0; shuffle < kCoverRuns && work < kCoverWork; ++shuffle) {
      const Assignment run =
          GreedyCover(in.items, in.colours.size(), paletteSize, kCoverSeeds, shuffle, work, kCoverWork);
      if (run.empty()) break;
      const std::size_t count = PagesUsed(run);
      if (count < coveredCount) {
        coveredCount = count, covered = run, stale = 0;
      } else if (++stale == 2) {
        break;
      }
      if (count <= lower) break;
    }
    if (!covered.empty()) {
      Pages pages(in.items, in.colours.size());
      std::vector<std::size_t> order(itemCount);
      std::iota(order.begin(), order.end(), std::size_t{0});
      std::stable_sort(order.begin(), order.end(),
                       [&](std::size_t a, std::size_t b) { return covered[a] < covered[b]; });
      for (std::size_t item : order) pages.Add(item, covered[item]);
      EliminatePages(pages, in.items, paletteSize);
      consider(PagesOf(pages, itemCount));
    }
  }
  if (bestCount > lower && itemCount > kExactItems && bestCount * itemCount <= kRepairSize &&
      in.colours.size() <= kRepairColours) {
    Assignment pageOfItem(itemCount);
    for (std::size_t item = 0; item < itemCount; ++item) pageOfItem[item] = best[in.setOf[item]];
    const Assignment repaired =
        PaletteRepair(in.items, in.colours.size(), paletteSize).Run(pageOfItem, kRepairWork);
    if (!repaired.empty()) consider(repaired);
  }
  if (bestCount > lower && itemCount <= kExactItems) {
    ExactSearch search(in.items, in.colours.size(), paletteSize);
    if (const std::optional<Assignment> found = search.Solve(bestCount, lower, kExactNodes)) consider(*found);
  }
  return MakePacking(in, best);
}

}  // namespace glyphon::palette
