#include "host/model/id_table.h"

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace trivane::host {
namespace {

using Entries = std::vector<std::pair<ObjectId, std::string>>;

template <typename Range>
Entries Walk(const Range& r) {
  Entries out;
  for (const auto& [id, value] : r)
    out.emplace_back(id, value);
  return out;
}

template <typename Range>
Entries WalkBack(const Range& r) {
  Entries out;
  for (auto it = r.rbegin(); it != r.rend(); ++it)
    out.emplace_back(it->first, it->second);
  return out;
}

// The table against a std::map under the drawing's use: IDs handed out in turn with gaps (IDs of
// layers and blocks), values erased and put back into their slots (undo), runs of erased chunks,
// lookups on both sides of the range. Every step both must agree.
TEST(IdTable, BehavesAsTheMapItReplaces) {
  std::mt19937 random(7);
  IdTable<std::string> table;
  std::map<ObjectId, std::string> model;
  ObjectId next = kFirstObjectId;
  const auto pick = [&]() -> ObjectId {
    if (model.empty())
      return next;
    auto it = model.begin();
    std::advance(it, static_cast<long>(random() % model.size()));
    return it->first;
  };
  for (int step = 0; step < 6000; ++step) {
    const unsigned op = random() % 10;
    if (op < 5) {
      const ObjectId id = next++;
      next += random() % 8 == 0 ? 3 : random() % 500 == 0 ? 600 : 0;  // whole chunks unused
      EXPECT_TRUE(table.emplace(id, std::to_string(id)).second);
      model.emplace(id, std::to_string(id));
    } else if (op < 7) {
      const ObjectId id = pick();
      EXPECT_EQ(table.erase(id), model.erase(id));
    } else if (op < 8) {
      const ObjectId id =
          kFirstObjectId + static_cast<ObjectId>(random() % (next - kFirstObjectId));
      table.insert_or_assign(id, "again");
      model.insert_or_assign(id, "again");
    } else if (op < 9 && step % 1000 == 999) {
      // A long run erased: whole chunks empty.
      for (const auto& [id, value] : Entries(model.begin(), model.end())) {
        if (id % 5 != 0) {
          table.erase(id);
          model.erase(id);
        }
      }
    } else {
      const ObjectId id = pick() + static_cast<ObjectId>(random() % 3) - 1;
      EXPECT_EQ(table.contains(id), model.contains(id));
      const auto a = table.upper_bound(id);
      const auto b = model.upper_bound(id);
      ASSERT_EQ(a == table.end(), b == model.end());
      if (b != model.end()) {
        EXPECT_EQ(a->first, b->first);
      }
    }
    ASSERT_EQ(table.size(), model.size());
  }
  EXPECT_EQ(Walk(table), Walk(model));
  EXPECT_EQ(WalkBack(table), WalkBack(model));
  EXPECT_FALSE(table.contains(0));
  EXPECT_FALSE(table.contains(next + 100000));
  EXPECT_EQ(table.erase(kFirstObjectId - 1), 0u);
  EXPECT_THROW(table.emplace(kFirstObjectId - 1, "x"), std::out_of_range);

  erase_if(table, [](const auto& e) { return e.first % 2 == 0; });
  std::erase_if(model, [](const auto& e) { return e.first % 2 == 0; });
  EXPECT_EQ(Walk(table), Walk(model));
}

// A value stays where it is while others come and go, as in a map; a copy is a table of its own.
TEST(IdTable, ValuesStayPutAndCopiesAreIndependent) {
  IdTable<std::string> table;
  const std::string& first = table.emplace(kFirstObjectId, "first").first->second;
  for (ObjectId id = kFirstObjectId + 1; id < kFirstObjectId + 5000; ++id)
    table.emplace(id, "x");
  for (ObjectId id = kFirstObjectId + 1; id < kFirstObjectId + 4000; ++id)
    table.erase(id);
  EXPECT_EQ(&first, &table.find(kFirstObjectId)->second);
  EXPECT_EQ(first, "first");

  IdTable<std::string> copy = table;
  copy.find(kFirstObjectId)->second = "changed";
  copy.erase(kFirstObjectId + 4500);
  EXPECT_EQ(first, "first");
  EXPECT_EQ(table.size(), 1001u);
  EXPECT_EQ(copy.size(), 1000u);
  IdTable<std::string> moved = std::move(table);
  EXPECT_EQ(moved.size(), 1001u);
  EXPECT_TRUE(table.empty());  // NOLINT(bugprone-use-after-move): a table moved from is empty
  EXPECT_EQ(table.begin(), table.end());
  moved.clear();
  EXPECT_TRUE(moved.empty());
  EXPECT_EQ(moved.begin(), moved.end());
  EXPECT_EQ(copy.begin()->second, "changed");
}

}  // namespace
}  // namespace trivane::host
