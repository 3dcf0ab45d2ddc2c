// A map from object IDs to values, for IDs handed out in turn: what the drawing keeps its entities
// in. It has the interface of std::map<ObjectId, T> that the host uses (iteration in ID order with
// `[id, value]` pairs, find, upper_bound, emplace, erase, insert_or_assign), but the values stand
// in slots indexed by the ID itself, in chunks of consecutive IDs: finding one is an index, not a
// search, walking them all reads memory in order, and adding one allocates nothing but, once per
// 256 IDs, a chunk. Chunks never move, so a reference to a value stays valid until that value is
// erased, as with a map.
//
// IDs below kFirstObjectId have no slot: finding one finds nothing, adding one throws. The slots
// of erased values stay (an undone step puts its values back into them); walking skips them, and
// skips a chunk that holds none at a time.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

namespace trivane::host {

// Object IDs are 64-bit, unique within a drawing, never reused. They start above 2^32 on purpose,
// so that code which narrows an ID to 32 bits fails in the tests.
using ObjectId = std::int64_t;
inline constexpr ObjectId kFirstObjectId = 0x1'0000'0010;

template <typename T>
class IdTable {
 public:
  using key_type = ObjectId;
  using mapped_type = T;
  using value_type = std::pair<const ObjectId, T>;

 private:
  static constexpr std::size_t kChunkBits = 8;
  static constexpr std::size_t kChunkSize = std::size_t{1} << kChunkBits;
  // kChunkSize slots, built only where they hold a value (so a new chunk costs no pass over its
  // memory).
  class Chunk {
   public:
    Chunk() {}  // NOLINT(modernize-use-equals-default): "= default" would zero the slots first
    Chunk(const Chunk& other) {
      try {
        for (std::size_t i = 0; i < kChunkSize; ++i) {
          if (const value_type* v = other.At(i))
            Emplace(i, v->first, v->second);
        }
      } catch (...) {
        Clear();
        throw;
      }
    }
    Chunk& operator=(const Chunk&) = delete;
    ~Chunk() { Clear(); }

    std::size_t Count() const { return count_; }
    value_type* At(std::size_t i) { return engaged_[i] ? Storage(i) : nullptr; }
    const value_type* At(std::size_t i) const { return engaged_[i] ? Storage(i) : nullptr; }
    template <typename V>
    value_type& Emplace(std::size_t i, ObjectId id, V&& value) {
      value_type* v =
          std::construct_at(reinterpret_cast<value_type*>(Raw(i)), id, std::forward<V>(value));
      engaged_[i] = true;
      ++count_;
      return *v;
    }
    void Erase(std::size_t i) {
      std::destroy_at(Storage(i));
      engaged_[i] = false;
      --count_;
    }

   private:
    std::byte* Raw(std::size_t i) { return &storage_[i * sizeof(value_type)]; }
    value_type* Storage(std::size_t i) {
      return std::launder(reinterpret_cast<value_type*>(Raw(i)));
    }
    const value_type* Storage(std::size_t i) const {
      return std::launder(reinterpret_cast<const value_type*>(&storage_[i * sizeof(value_type)]));
    }
    void Clear() {
      for (std::size_t i = 0; i < kChunkSize && count_ > 0; ++i) {
        if (engaged_[i])
          Erase(i);
      }
    }

    std::bitset<kChunkSize> engaged_;
    std::size_t count_ = 0;
    alignas(value_type) std::byte storage_[kChunkSize * sizeof(value_type)];
  };

 public:
  template <bool Const>
  class Iterator {
   public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = IdTable::value_type;
    using difference_type = std::ptrdiff_t;
    using pointer = std::conditional_t<Const, const value_type*, value_type*>;
    using reference = std::conditional_t<Const, const value_type&, value_type&>;
    using Table = std::conditional_t<Const, const IdTable, IdTable>;

    Iterator() = default;
    Iterator(Table* table, std::size_t k) : table_(table), k_(k) {}
    template <bool OtherConst>
    requires(Const && !OtherConst) Iterator(const Iterator<OtherConst>& other)
        : table_(other.table_), k_(other.k_) {}

    reference operator*() const { return *table_->Slot(k_); }
    pointer operator->() const { return table_->Slot(k_); }
    Iterator& operator++() {
      k_ = table_->NextUsed(k_ + 1);
      return *this;
    }
    Iterator operator++(int) {
      Iterator before = *this;
      ++*this;
      return before;
    }
    Iterator& operator--() {
      k_ = table_->PreviousUsed(k_);
      return *this;
    }
    Iterator operator--(int) {
      Iterator before = *this;
      --*this;
      return before;
    }
    friend bool operator==(const Iterator& a, const Iterator& b) { return a.k_ == b.k_; }

   private:
    friend class IdTable;
    template <bool>
    friend class Iterator;
    Table* table_ = nullptr;
    std::size_t k_ = 0;
  };
  using iterator = Iterator<false>;
  using const_iterator = Iterator<true>;
  using reverse_iterator = std::reverse_iterator<iterator>;
  using const_reverse_iterator = std::reverse_iterator<const_iterator>;

  IdTable() = default;
  IdTable(const IdTable& other) { CopyFrom(other); }
  IdTable& operator=(const IdTable& other) {
    if (this != &other) {
      clear();
      CopyFrom(other);
    }
    return *this;
  }
  // A table moved from is empty.
  IdTable(IdTable&& other) noexcept
      : chunks_(std::move(other.chunks_)), size_(std::exchange(other.size_, 0)) {
    other.chunks_.clear();
  }
  IdTable& operator=(IdTable&& other) noexcept {
    chunks_ = std::move(other.chunks_);
    size_ = std::exchange(other.size_, 0);
    other.chunks_.clear();
    return *this;
  }

  iterator begin() { return {this, NextUsed(0)}; }
  iterator end() { return {this, Limit()}; }
  const_iterator begin() const { return {this, NextUsed(0)}; }
  const_iterator end() const { return {this, Limit()}; }
  reverse_iterator rbegin() { return reverse_iterator(end()); }
  reverse_iterator rend() { return reverse_iterator(begin()); }
  const_reverse_iterator rbegin() const { return const_reverse_iterator(end()); }
  const_reverse_iterator rend() const { return const_reverse_iterator(begin()); }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  iterator find(ObjectId id) { return {this, Found(id)}; }
  const_iterator find(ObjectId id) const { return {this, Found(id)}; }
  bool contains(ObjectId id) const { return Found(id) != Limit(); }
  std::size_t count(ObjectId id) const { return contains(id) ? 1 : 0; }
  // The first value whose ID is greater than `id`.
  iterator upper_bound(ObjectId id) { return {this, NextUsed(After(id))}; }
  const_iterator upper_bound(ObjectId id) const { return {this, NextUsed(After(id))}; }

  template <typename V>
  std::pair<iterator, bool> emplace(ObjectId id, V&& value) {
    const std::size_t k = SlotOf(id);
    Chunk& chunk = ChunkFor(k);
    if (chunk.At(k & (kChunkSize - 1)))
      return {iterator(this, k), false};
    chunk.Emplace(k & (kChunkSize - 1), id, std::forward<V>(value));
    ++size_;
    return {iterator(this, k), true};
  }
  template <typename V>
  std::pair<iterator, bool> insert_or_assign(ObjectId id, V&& value) {
    if (const auto it = find(id); it != end()) {
      it->second = std::forward<V>(value);
      return {it, false};
    }
    return emplace(id, std::forward<V>(value));
  }

  std::size_t erase(ObjectId id) {
    const std::size_t k = Found(id);
    if (k == Limit())
      return 0;
    chunks_[k >> kChunkBits]->Erase(k & (kChunkSize - 1));
    --size_;
    return 1;
  }
  // Erases the values for which pred(entry) holds; the number erased.
  template <typename Pred>
  friend std::size_t erase_if(IdTable& table, Pred pred) {
    std::size_t erased = 0;
    for (auto it = table.begin(); it != table.end();) {
      const ObjectId id = it->first;
      const bool go = pred(*it);
      ++it;
      if (go)
        erased += table.erase(id);
    }
    return erased;
  }
  void clear() {
    chunks_.clear();
    size_ = 0;
  }

 private:
  std::size_t Limit() const { return chunks_.size() << kChunkBits; }

  static std::size_t SlotOf(ObjectId id) {
    if (id < kFirstObjectId)
      throw std::out_of_range("object ID below the first one");
    return static_cast<std::size_t>(id - kFirstObjectId);
  }
  // The slot of `id` when it holds a value, else Limit().
  std::size_t Found(ObjectId id) const {
    if (id < kFirstObjectId)
      return Limit();
    const auto k = static_cast<std::size_t>(id - kFirstObjectId);
    return k < Limit() && Slot(k) ? k : Limit();
  }
  // The first slot after the one of `id`.
  std::size_t After(ObjectId id) const {
    if (id < kFirstObjectId)
      return 0;
    const auto k = static_cast<std::size_t>(id - kFirstObjectId);
    return k < Limit() ? k + 1 : Limit();
  }

  // The value in slot k (< Limit()), or null.
  const value_type* Slot(std::size_t k) const {
    const Chunk* chunk = chunks_[k >> kChunkBits].get();
    return chunk ? chunk->At(k & (kChunkSize - 1)) : nullptr;
  }
  value_type* Slot(std::size_t k) {
    Chunk* chunk = chunks_[k >> kChunkBits].get();
    return chunk ? chunk->At(k & (kChunkSize - 1)) : nullptr;
  }

  // The first slot at or after k that holds a value, else Limit().
  std::size_t NextUsed(std::size_t k) const {
    while (k < Limit()) {
      const Chunk* chunk = chunks_[k >> kChunkBits].get();
      if (!chunk || chunk->Count() == 0) {
        k = ((k >> kChunkBits) + 1) << kChunkBits;
        continue;
      }
      if (chunk->At(k & (kChunkSize - 1)))
        return k;
      ++k;
    }
    return Limit();
  }
  // The last slot before k that holds a value (there must be one).
  std::size_t PreviousUsed(std::size_t k) const {
    do {
      --k;
    } while (!Slot(k));
    return k;
  }

  Chunk& ChunkFor(std::size_t k) {
    const std::size_t c = k >> kChunkBits;
    if (c >= chunks_.size())
      chunks_.resize(c + 1);
    if (!chunks_[c])
      chunks_[c] = std::make_unique<Chunk>();
    return *chunks_[c];
  }

  void CopyFrom(const IdTable& other) {
    chunks_.resize(other.chunks_.size());
    for (std::size_t c = 0; c < other.chunks_.size(); ++c) {
      if (other.chunks_[c] && other.chunks_[c]->Count() > 0)
        chunks_[c] = std::make_unique<Chunk>(*other.chunks_[c]);
    }
    size_ = other.size_;
  }

  std::vector<std::unique_ptr<Chunk>> chunks_;
  std::size_t size_ = 0;
};

}  // namespace trivane::host
