// quelvor setup [filter options]: the plug-in's setup dialog over a window
// of quelvor's own, through ZcOpen, as a host shows it; prints the filter
// string that results (unchanged when the dialog is cancelled).  Windows
// build only.
// The system's GetVersion would clash with the plug-in export of that name.
#define GetVersion Win32GetVersion
#include <windows.h>
#undef GetVersion

#include <cstdio>
#include <memory>
#include <string>

#include "Commands.h"
#include "Console.h"
#include "ExitCodes.h"
#include "FilterOptions.h"

namespace qv::host {
namespace {

struct SetupArgs {
  FilterOptions filter;
};

HWND MakeOwnerWindow() {
  static const wchar_t kClass[] = L"QuelvorSetupHost";
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kClass;
  RegisterClassW(&wc);
  HWND w = CreateWindowExW(0, kClass, L"quelvor setup", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                           CW_USEDEFAULT, 420, 240, nullptr, nullptr, wc.hInstance, nullptr);
  if (w) ShowWindow(w, SW_SHOWNORMAL);
  return w;
}

int RunSetup(const SetupArgs& args) {
  std::string filterStr;
  if (!args.filter.CheckedFilterString(filterStr)) return kExitUsage;
  PluginLibrary lib;
  if (!args.filter.Plugin().Load(lib)) return kExitUsage;
  const PluginExports& fn = lib.Fn();
  fn.SetFilterStr(filterStr.c_str());

  HWND owner = MakeOwnerWindow();
  if (!owner) {
    PrintError("cannot create a window for the setup dialog");
    return kExitUsage;
  }
  fn.ZcOpen(owner);
  DestroyWindow(owner);

  std::string out = fn.GetFilterStr();
  out += '\n';
  SetBinary(stdout);
  return WriteOut(out) ? kExitOk : kExitUsage;
}

}  // namespace

void AddSetupCommand(CLI::App& root, CommandList& commands) {
  auto [cmd, args] = NewCommand<SetupArgs>(
      root, commands, "setup",
      "Show the plug-in's setup dialog and print the filter string it gives", RunSetup);
  args->filter.AddTo(*cmd);
}

}  // namespace qv::host
