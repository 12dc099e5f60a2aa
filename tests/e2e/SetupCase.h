// The setup dialog of the real plug-in library, reached as a host reaches
// it: ZcOpen over an owner window of the test's own, on the main thread,
// while a script on a second thread finds the windows and drives them.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "ControlIds.h"
#include "FltSetup.h"
#include "Texts.h"
#include "WinDriver.h"

namespace e2e {

inline constexpr char kExample[] =
    "M7(0-0|0-5)M5(10-30|5-40)M0(20-60|10-70)E0-1S1-2TJ1234567|024,3468,5,2347,05,268,79|";
inline constexpr DWORD kWait = 30000;  // emulated machines are slow; a stuck case still ends

// The exports used here (the plug-in's header would clash with the system's
// GetVersion).
using QvBool = unsigned char;
using QvZcOpenFn = QvBool(__stdcall*)(void*);
using QvSetFilterStrFn = void(__stdcall*)(const char*);
using QvGetTextFn = const char*(__stdcall*)();

struct Plugin {
  HMODULE dll = nullptr;
  QvZcOpenFn ZcOpen = nullptr;
  QvSetFilterStrFn SetFilterStr = nullptr;
  QvGetTextFn GetFilterStr = nullptr;
};

// Loads the library next to the test and resolves the exports used here.
inline Plugin LoadPlugin() {
  Plugin q;
  q.dll = LoadLibraryW(L"Quelvor.dll");
  if (q.dll) {
    q.ZcOpen = reinterpret_cast<QvZcOpenFn>(reinterpret_cast<void*>(GetProcAddress(q.dll, "ZcOpen")));
    q.SetFilterStr = reinterpret_cast<QvSetFilterStrFn>(reinterpret_cast<void*>(GetProcAddress(q.dll, "SetFilterStr")));
    q.GetFilterStr = reinterpret_cast<QvGetTextFn>(reinterpret_cast<void*>(GetProcAddress(q.dll, "GetFilterStr")));
  }
  return q;
}

// The library as most cases use it: loaded once for the whole run.
inline Plugin& Lib() {
  static Plugin p = LoadPlugin();
  return p;
}

// A shown top-level window of a class of the test's own (registered once a
// class name), to own the dialogs as a host's window does.
inline HWND MakeHostWindow(const wchar_t* cls, WNDPROC proc, const wchar_t* title) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = cls;
  RegisterClassW(&wc);  // fails harmlessly when the class is there already
  HWND w = CreateWindowExW(0, cls, title, WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  ShowWindow(w, SW_SHOW);
  return w;
}

inline HWND MakeOwner() { return MakeHostWindow(L"QuelvorE2EHost", DefWindowProcW, L"Quelvor test host"); }

// A setup dialog that is never shown: the controls' names, IDs and texts.
inline const qv::TfrmFltSetup& Model() {
  static qv::TfrmFltSetup model;
  return model;
}

struct SetupWindows {
  HWND form = nullptr;

  // The window of a control of the setup dialog, by its name (through its
  // fixed ID).
  HWND operator[](const char* name) const {
    auto* c = Model().Find<qv::ui::Control>(name);
    return c ? ChildById(form, c->Id()) : nullptr;
  }
  HWND operator[](int id) const { return ChildById(form, id); }
};

inline std::wstring Gb(const char* s) { return FromGb(s); }

inline bool IsSetup(HWND w) { return TextOf(w) == Gb(qv::texts::kSetupCaption); }

// One ZcOpen call driven by script on a second thread.  Whatever the script
// leaves open is closed afterwards, so a failing case cannot hang the run.
class ZcOpenCase {
 public:
  explicit ZcOpenCase(const std::string& filterStr, Plugin& lib = Lib()) : lib_(lib) {
    lib_.SetFilterStr(filterStr.c_str());
    owner_ = MakeOwner();
  }
  ~ZcOpenCase() { DestroyWindow(owner_); }

  HWND owner() const { return owner_; }
  DWORD tid() const { return tid_; }

  void Run(const std::function<void(ZcOpenCase&)>& script) {
    std::atomic<bool> done{false};
    std::thread driver([&] {
      script(*this);
      // Close whatever is still open: popup menus, file dialogs, message
      // boxes, the entry dialog, the setup dialog (its close box leaves the filter string alone).
      WaitUntil(
          [&] {
            if (done) return true;
            for (HWND w : ThreadWindows(tid_)) {
              if (ClassOf(w) == L"#32768") {
                PressKey(w, VK_ESCAPE);
              } else if (IsFileDialog(w)) {
                PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
              } else if (ClassOf(w) == L"#32770") {
                PostMessageW(w, WM_COMMAND, IDOK, 0);
              } else if (IsEntry(w)) {
                Click(ChildById(w, qv::ids::kCancel));
              } else if (IsSetup(w) && IsWindowEnabled(w)) {
                PostMessageW(w, WM_CLOSE, 0, 0);
              }
            }
            Sleep(200);
            return done.load();
          },
          kWait);
    });
    result_ = lib_.ZcOpen(owner_);
    returnedAt_ = GetTickCount();
    done = true;
    driver.join();
  }

  SetupWindows WaitSetup() {
    SetupWindows s;
    s.form = WaitWindow(tid_, IsSetup, kWait);
    return s;
  }
  HWND WaitEntry() { return WaitWindow(tid_, IsEntry, kWait); }
  // Opens the analysis window through its menu command, as the menu sends
  // it; null when no window comes.
  HWND OpenAnalysis(HWND form) {
    SendMessageW(form, WM_COMMAND, qv::ids::kAnalysisMenu, 0);
    return WaitWindow(tid_, [](HWND w) { return TextOf(w) == Gb(qv::texts::kAnalysisCaption); }, kWait);
  }

  QvBool result_ = 0;
  DWORD returnedAt_ = 0;  // GetTickCount when ZcOpen returned

 private:
  Plugin& lib_;
  HWND owner_ = nullptr;
  DWORD tid_ = GetCurrentThreadId();
};

inline std::string FilterStr() { return Lib().GetFilterStr(); }

// The windows of the thread made from the plug-in's own classes.
inline int OwnWindows(DWORD tid) {
  int n = 0;
  for (HWND w : ThreadWindows(tid)) {
    const std::wstring cls = ClassOf(w);
    if (cls.rfind(L"Quelvor", 0) == 0 && cls != L"QuelvorE2EHost") ++n;
  }
  return n;
}

class SetupDialogE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(Lib().dll, nullptr) << "Quelvor.dll not found next to the test";
    ASSERT_TRUE(Lib().ZcOpen && Lib().SetFilterStr && Lib().GetFilterStr);
  }
};

// With QUELVOR_SNAP_DIR set, saves what the screen shows of a window (or of
// the rectangle around two) as <dir>/<name>.bmp (scripts/screenshot turns
// them into the pictures of the README).
inline void Snap(HWND w, const char* name, HWND beside = nullptr) {
  const char* dir = std::getenv("QUELVOR_SNAP_DIR");
  if (!dir || !*dir || !w) return;
  Sleep(1500);  // let it paint
  RECT r;
  GetWindowRect(w, &r);
  if (RECT b; beside && GetWindowRect(beside, &b)) UnionRect(&r, &r, &b);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(mem, old);
  BITMAPINFOHEADER bi{};
  bi.biSize = sizeof bi;
  bi.biWidth = width;
  bi.biHeight = height;
  bi.biPlanes = 1;
  bi.biBitCount = 24;
  const DWORD stride = ((width * 3 + 3) / 4) * 4;
  std::string pixels(stride * height, '\0');
  GetDIBits(mem, bmp, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi;
  fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size());
  const std::string path = std::string(dir) + "\\" + name + ".bmp";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&bi, sizeof bi, 1, f);
    std::fwrite(pixels.data(), 1, pixels.size(), f);
    std::fclose(f);
  }
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
}

// The user clicks one line of a list box.
inline void ClickListLine(HWND list, int line) {
  RECT item{};
  SendMessageW(list, LB_GETITEMRECT, line, reinterpret_cast<LPARAM>(&item));
  const LPARAM at = MAKELPARAM(item.left + 4, item.top + 2);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
}

// Adds a bet through the entry dialog, typing it character by character.
inline void AddBet(ZcOpenCase& c, const SetupWindows& s, const std::wstring& typed) {
  Click(s[qv::ids::kAdd]);
  HWND entry = c.WaitEntry();
  ASSERT_NE(entry, nullptr);
  HWND edit = EntryEdit(entry);
  ASSERT_NE(edit, nullptr);
  TypeChars(edit, typed);
  PressKey(edit, VK_RETURN);
  EXPECT_TRUE(WaitGone(entry, kWait));
}

}  // namespace e2e
