// quelvor info: the plug-in's name, version and author.
#include <cstdio>
#include <memory>
#include <string>

#include "Commands.h"
#include "Console.h"
#include "ExitCodes.h"
#include "FilterOptions.h"
#include "TextDecode.h"

namespace qv::host {
namespace {

struct InfoArgs {
  PluginOption plugin;
};

std::string Text(const char* p) { return p ? DecodeToUtf8(p) : std::string(); }

int RunInfo(const InfoArgs& args) {
  PluginLibrary lib;
  if (!args.plugin.Load(lib)) return kExitUsage;
  const PluginExports& fn = lib.Fn();
  const std::string out = "Name:    " + Text(fn.GetFilterName()) + "\n" +
                          "Version: " + Text(fn.GetVersion()) + "\n" +
                          "Author:  " + Text(fn.GetAuthor()) + "\n" +
                          "Library: " + PathText(lib.Path()) + "\n";
  return WriteOut(out) ? kExitOk : kExitUsage;
}

}  // namespace

void AddInfoCommand(CLI::App& root, CommandList& commands) {
  auto [cmd, args] = NewCommand<InfoArgs>(root, commands, "info",
                                          "Show the plug-in's name, version and author", RunInfo);
  args->plugin.AddTo(*cmd);
}

}  // namespace qv::host
