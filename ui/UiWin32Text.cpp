// Text for the windows: 8-bit bytes in a code page to UTF-16 and back, and
// the little conversions the peers share.
#include <windows.h>

#include <algorithm>

#include "UiWin32Window.h"

namespace qv::ui {

namespace {

UINT CodePageOf(Cp cp) {
  if (cp == Cp::Gb2312 && IsValidCodePage(936)) return 936;
  return CP_ACP;
}

}  // namespace

std::wstring ToWide(std::string_view bytes, Cp cp) {
  if (bytes.empty()) return {};
  const UINT page = CodePageOf(cp);
  const int n = MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return std::wstring(bytes.begin(), bytes.end());
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), w.data(), n);
  return w;
}

std::string FromWide(std::wstring_view text, Cp cp) {
  if (text.empty()) return {};
  const UINT page = CodePageOf(cp);
  const int n = WideCharToMultiByte(page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  if (n <= 0) return {};
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(page, 0, text.data(), static_cast<int>(text.size()), s.data(), n, nullptr, nullptr);
  return s;
}
namespace win32 {

std::wstring DisplayLines(std::wstring w) {
  std::wstring out;
  out.reserve(w.size() + 8);
  for (size_t i = 0; i < w.size(); ++i) {
    out += w[i];
    if (w[i] == L'\r' && (i + 1 >= w.size() || w[i + 1] != L'\n')) out += L'\n';
  }
  return out;
}

std::wstring WindowText(HWND h) {
  const int n = GetWindowTextLengthW(h);
  std::wstring w(static_cast<size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(h, w.data(), n + 1);
  w.resize(static_cast<size_t>(std::max(got, 0)));
  return w;
}

std::optional<Key> KeyOf(WPARAM vk) {
  for (size_t i = 0; i < std::size(kVirtualKeys); ++i) {
    if (kVirtualKeys[i] == vk) return static_cast<Key>(i);
  }
  return std::nullopt;
}

}  // namespace win32
}  // namespace qv::ui
