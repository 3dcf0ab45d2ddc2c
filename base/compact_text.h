// A text in 24 bytes, for the values a drawing holds by the hundred thousand (a DXF file's tags,
// the groups an entity carries through unmodelled). Nearly all of them are short (coordinates,
// handles, names), so a text of up to 23 bytes is kept inside the object: reading, copying and
// freeing a drawing then costs no allocation per value. A longer text lives on the heap.
//
// A text read from a file whose bytes differ from it (another code page, "\U+XXXX" escapes) may
// keep those bytes too, its source, so that an untouched value is written back as it was. Setting
// a new text drops the source.
#pragma once

#include <concepts>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace trivane {

class CompactText {
 public:
  CompactText() noexcept { SetInlineSize(0); }
  CompactText(std::string_view text) { Assign(text, {}); }  // NOLINT: converts as a string does
  CompactText(const char* text) : CompactText(std::string_view(text)) {}         // NOLINT
  CompactText(const std::string& text) : CompactText(std::string_view(text)) {}  // NOLINT
  // A value with the bytes the file had for it (kept only when they differ from it).
  CompactText(std::string_view text, std::string_view source) {
    Assign(text, source == text ? std::string_view() : source);
  }

  CompactText(const CompactText& other) {
    if (other.IsInline())
      std::memcpy(raw_, other.raw_, sizeof raw_);
    else
      Assign(other.view(), other.source());
  }
  CompactText(CompactText&& other) noexcept {
    std::memcpy(raw_, other.raw_, sizeof raw_);
    other.SetInlineSize(0);
  }
  CompactText& operator=(const CompactText& other) {
    if (this != &other) {
      CompactText copy(other);
      *this = std::move(copy);
    }
    return *this;
  }
  CompactText& operator=(CompactText&& other) noexcept {
    if (this != &other) {
      Release();
      std::memcpy(raw_, other.raw_, sizeof raw_);
      other.SetInlineSize(0);
    }
    return *this;
  }
  CompactText& operator=(std::string_view text) {
    CompactText fresh(text);
    return *this = std::move(fresh);
  }
  CompactText& operator=(const char* text) { return *this = std::string_view(text); }
  CompactText& operator=(const std::string& text) { return *this = std::string_view(text); }
  ~CompactText() { Release(); }

  const char* data() const noexcept { return IsInline() ? raw_ : HeapBytes(); }
  std::size_t size() const noexcept {
    return IsInline() ? static_cast<unsigned char>(raw_[kFlag]) : HeapField(kSizeAt);
  }
  bool empty() const noexcept { return size() == 0; }
  char front() const { return data()[0]; }
  std::string_view view() const noexcept { return {data(), size()}; }
  operator std::string_view() const noexcept { return view(); }  // NOLINT
  operator std::string() const { return std::string(view()); }   // NOLINT
  std::string str() const { return std::string(view()); }

  // The file's bytes for this value when they differ from it; empty otherwise.
  std::string_view source() const noexcept {
    if (IsInline())
      return {};
    return {HeapBytes() + HeapField(kSizeAt), HeapField(kSourceSizeAt)};
  }

  friend bool operator==(const CompactText& a, std::string_view b) noexcept {
    return a.view() == b;
  }
  // Two texts compare by what they say, not by the bytes a file had for them. A template, so
  // that a literal compares as a view without a choice of conversions.
  template <typename T>
  requires std::same_as<T, CompactText>
  friend bool operator==(const CompactText& a, const T& b) noexcept { return a.view() == b.view(); }

 private:
  // Inline: the text in raw_[0..22], its size in raw_[23]. On the heap: raw_[23] is kHeap, the
  // pointer (to the value, then its source) at 0, the value's size at 8 and the source's at 12.
  static constexpr std::size_t kInline = 23;
  static constexpr std::size_t kFlag = 23;
  static constexpr std::size_t kSizeAt = 8;
  static constexpr std::size_t kSourceSizeAt = 12;
  static constexpr char kHeap = static_cast<char>(0xFF);

  bool IsInline() const noexcept { return raw_[kFlag] != kHeap; }
  char* HeapBytes() const noexcept {
    char* bytes;
    std::memcpy(&bytes, raw_, sizeof bytes);
    return bytes;
  }
  std::size_t HeapField(std::size_t at) const noexcept {
    std::uint32_t v;
    std::memcpy(&v, raw_ + at, sizeof v);
    return v;
  }
  void SetInlineSize(std::size_t n) noexcept {
    raw_[kFlag] = static_cast<char>(n);
    if (n < kInline)
      raw_[n] = '\0';
  }
  void Assign(std::string_view text, std::string_view source) {
    if (source.empty() && text.size() <= kInline) {
      if (!text.empty())  // an empty view may have no bytes at all
        std::memcpy(raw_, text.data(), text.size());
      SetInlineSize(text.size());
      return;
    }
    if (text.size() > UINT32_MAX || source.size() > UINT32_MAX)
      throw std::length_error("a text of 4 GiB or more");
    char* bytes = new char[text.size() + source.size()];
    if (!text.empty())
      std::memcpy(bytes, text.data(), text.size());
    if (!source.empty())
      std::memcpy(bytes + text.size(), source.data(), source.size());
    const auto size = static_cast<std::uint32_t>(text.size());
    const auto sourceSize = static_cast<std::uint32_t>(source.size());
    std::memcpy(raw_, &bytes, sizeof bytes);
    std::memcpy(raw_ + kSizeAt, &size, sizeof size);
    std::memcpy(raw_ + kSourceSizeAt, &sourceSize, sizeof sourceSize);
    raw_[kFlag] = kHeap;
  }
  void Release() noexcept {
    if (!IsInline())
      delete[] HeapBytes();
    SetInlineSize(0);
  }

  alignas(8) char raw_[24];
};

static_assert(sizeof(CompactText) == 24);

}  // namespace trivane
