// One suite, both toolkits: a test body runs while its form is on screen,
// on the in-memory toolkit everywhere and, in the Windows build, on the
// Win32 toolkit too, where every action the body takes goes through the
// real windows (and every state it reads comes from them).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "UiControls.h"
#include "UiMemory.h"
#ifdef QUELVOR_TEST_WIN32
#include "UiWin32.h"
#endif

namespace qv::ui::testing {

enum class Toolkit { Memory, Win32 };

inline std::string ToolkitName(const ::testing::TestParamInfo<Toolkit>& info) {
  return info.param == Toolkit::Memory ? "Memory" : "Win32";
}

// Installs the toolkit of the test's parameter and shows forms on it.
class ToolkitFixture : public ::testing::TestWithParam<Toolkit> {
 protected:
  void SetUp() override {
    if (GetParam() == Toolkit::Memory) {
      mem = &UseMemoryBackend();
      return;
    }
#ifdef QUELVOR_TEST_WIN32
    UseWin32Backend();
#else
    GTEST_SKIP() << "the Win32 toolkit exists only in the Windows build";
#endif
  }

  // Runs body while f is on screen, then closes it.
  void Showing(Form& f, const std::function<void()>& body) {
    if (GetParam() == Toolkit::Memory) {
      mem->WhenShown(f.Name(), [&](Form&) { body(); });
    } else {
      f.OnShow = [&](Form& shown) {
        body();
        shown.SetModalResult(ModalResult::Cancel);
      };
    }
    f.ShowModal();
    f.OnShow = nullptr;
  }

  MemoryBackend* mem = nullptr;  // the in-memory toolkit, when it is the one
};

// A form of the test's own.
class ToolkitTest : public ToolkitFixture {
 protected:
  ToolkitTest() {
    // The first control in keyboard order, so that none of the test's own
    // has the focus when the form comes up.
    auto* start = form.Make<Button>(form, "btnStart");
    start->SetBounds({0, 0, 60, 22});
    form.SetClientSize(320, 240);
  }
  using ToolkitFixture::Showing;
  void Showing(const std::function<void()>& body) { Showing(form, body); }

  Form form{"frmTest"};
};

// Instantiates a suite for the toolkits this build has.
#ifdef QUELVOR_TEST_WIN32
#define QV_TOOLKIT_SUITE(suite)                                                                  \
  INSTANTIATE_TEST_SUITE_P(Toolkits, suite,                                                      \
                           ::testing::Values(::qv::ui::testing::Toolkit::Memory,                 \
                                             ::qv::ui::testing::Toolkit::Win32),                 \
                           ::qv::ui::testing::ToolkitName)
#else
#define QV_TOOLKIT_SUITE(suite)                                                                  \
  INSTANTIATE_TEST_SUITE_P(Toolkits, suite, ::testing::Values(::qv::ui::testing::Toolkit::Memory), \
                           ::qv::ui::testing::ToolkitName)
#endif

}  // namespace qv::ui::testing
