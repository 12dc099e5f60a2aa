#include "TextDecode.h"

#include <cstdio>

#if defined(_WIN32)
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace qv::host {
namespace {

void AppendEscaped(std::string& out, unsigned char byte) {
  char buf[5];
  std::snprintf(buf, sizeof buf, "\\x%02X", byte);
  out += buf;
}

#if defined(_WIN32)

class PairDecoder {
 public:
  // Appends the UTF-8 form of one double-byte character; false if the pair
  // is no character of code page 936.
  bool Decode(const char* pair, std::string& out) {
    wchar_t wide[2];
    int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, pair, 2, wide, 2);
    if (n != 1) return false;
    char utf8[8];
    int m = WideCharToMultiByte(CP_UTF8, 0, wide, 1, utf8, sizeof utf8, nullptr, nullptr);
    if (m <= 0) return false;
    out.append(utf8, static_cast<size_t>(m));
    return true;
  }
};

#else

class PairDecoder {
 public:
  PairDecoder() : cd_(iconv_open("UTF-8", "GBK")) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) cd_ = iconv_open("UTF-8", "GB2312");
  }
  ~PairDecoder() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  PairDecoder(const PairDecoder&) = delete;
  PairDecoder& operator=(const PairDecoder&) = delete;

  bool Decode(const char* pair, std::string& out) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    char in[2] = {pair[0], pair[1]};
    char utf8[8];
    char* inp = in;
    char* outp = utf8;
    size_t inLeft = 2;
    size_t outLeft = sizeof utf8;
    if (iconv(cd_, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
      return false;
    out.append(utf8, static_cast<size_t>(outp - utf8));
    return true;
  }

 private:
  iconv_t cd_;
};

#endif

}  // namespace

std::string DecodeToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  PairDecoder decoder;
  size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      out += static_cast<char>(byte);
      ++i;
      continue;
    }
    // Lead bytes of double-byte characters are 0x81..0xFE; the trail byte
    // must not be ASCII below 0x40, which keeps separators intact.
    if (byte >= 0x81 && byte <= 0xFE && i + 1 < text.size() &&
        static_cast<unsigned char>(text[i + 1]) >= 0x40 &&
        static_cast<unsigned char>(text[i + 1]) != 0x7F &&
        decoder.Decode(text.data() + i, out)) {
      i += 2;
      continue;
    }
    AppendEscaped(out, byte);
    ++i;
  }
  return out;
}

}  // namespace qv::host
