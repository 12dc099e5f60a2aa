// The media bets of a preparation: an ordered list of 8-bit texts, kept as
// one block of characters and one end offset per bet (a few bytes per bet
// beyond its text, where a list of strings costs 32 and more).
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class BetList {
 public:
  using value_type = std::string_view;
  using size_type = size_t;

  class const_iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::string_view;

    const_iterator() = default;
    std::string_view operator*() const { return (*list_)[i_]; }
    const_iterator& operator++() { ++i_; return *this; }
    const_iterator operator++(int) { const_iterator t = *this; ++i_; return t; }
    difference_type operator-(const const_iterator& o) const {
      return static_cast<difference_type>(i_) - static_cast<difference_type>(o.i_);
    }
    bool operator==(const const_iterator& o) const { return i_ == o.i_; }

   private:
    friend class BetList;
    const_iterator(const BetList* list, size_t i) : list_(list), i_(i) {}
    const BetList* list_ = nullptr;
    size_t i_ = 0;
  };
  using iterator = const_iterator;


  size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  std::string_view operator[](size_t i) const {
    const size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(text_).substr(begin, ends_[i] - begin);
  }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

  // Room for this many bets of this many characters in all.
  void reserve(size_t bets, size_t characters) {
    ends_.reserve(bets);
    text_.reserve(characters);
  }
  void push_back(std::string_view bet) {
    text_.append(bet);
    ends_.push_back(text_.size());
  }
  void clear() noexcept {
    ends_.clear();
    text_.clear();
  }
  void swap(BetList& o) noexcept {
    ends_.swap(o.ends_);
    text_.swap(o.text_);
  }
  // Bytes held (capacity of both buffers).
  size_t MemoryBytes() const { return ends_.capacity() * sizeof(size_t) + text_.capacity(); }

  std::vector<std::string> ToVector() const { return std::vector<std::string>(begin(), end()); }

  friend bool operator==(const BetList& a, const BetList& b) {
    return a.ends_ == b.ends_ && a.text_ == b.text_;
  }
  friend bool operator==(const BetList& a, const std::vector<std::string>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < b.size(); ++i)
      if (a[i] != b[i]) return false;
    return true;
  }

 private:
  std::vector<size_t> ends_;  // bet i is text_[ends_[i-1], ends_[i])
  std::string text_;
};

}  // namespace qv
