// Seven-digit candidates as zero-terminated text, without allocating per
// number: a filter pass over all of them or from any number on.
#pragma once

#include <cstdint>

namespace qv {

// 0000000, 0000001, ... 9999999: one 7-character buffer incremented in place.
class SevenDigitCounter {
 public:
  static constexpr uint32_t kDigits = 7;
  static constexpr uint32_t kCount = 10'000'000;

  explicit SevenDigitCounter(uint32_t start = 0) { Set(start); }
  void Reset() { Set(0); }
  // The number v (0 to 9999999).
  void Set(uint32_t v) {
    for (int i = kDigits - 1; i >= 0; --i, v /= 10) text_[i] = static_cast<char>('0' + v % 10);
    text_[kDigits] = '\0';
  }
  const char* c_str() const { return text_; }

  // The next number; 9999999 wraps to 0000000.
  void Next() {
    for (int i = kDigits - 1; i >= 0; --i) {
      if (text_[i] != '9') {
        ++text_[i];
        return;
      }
      text_[i] = '0';
    }
  }

 private:
  char text_[kDigits + 1];
};

}  // namespace qv
