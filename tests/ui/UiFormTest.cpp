// Forms, modal runs, message boxes, the error display, file dialogs and
// menus through the in-memory backend.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "UiApplication.h"
#include "SpinFields.h"
#include "UiControls.h"
#include "UiMemory.h"

namespace qv::ui {
namespace {

constexpr char kAppTitle[] = "\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA";  // 分布概率

// A small dialog in the style of the real ones: OK closes only with a text.
class TfrmSample : public Form {
 public:
  TfrmSample() : Form("frmSample") {
    SetClientSize(286, 190);
    panel = Make<Panel>(*this, "RzPanel1");
    edt = testing::MakeSpin(*this, *panel, "edtShot5a");
    name = Make<Edit>(*panel, "edtName");
    chk = Make<CheckBox>(*panel, "chkShot5");
    ok = Make<Button>(*this, "btnOK");
    cancel = Make<Button>(*this, "btnCancel");
    cancel->SetModalResult(ModalResult::Cancel);
    SetDefaultButton(ok);
    SetCancelButton(cancel);
    ok->OnClick = [this](Button&) {
      if (name->Text().empty()) {
        ShowMessage("empty");
        return;
      }
      cancelFlag = 0;
      SetModalResult(ModalResult::Ok);
    };
  }
  Panel* panel;
  SpinEdit* edt;
  Edit* name;
  CheckBox* chk;
  Button* ok;
  Button* cancel;
  int cancelFlag = 1;
};

class FormFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    mem = &UseMemoryBackend();
    SetAppTitle(kAppTitle, Cp::Gb2312);
  }
  MemoryBackend* mem = nullptr;
};

// --- lookup and order ------------------------------------------------------------

using FormTest = FormFixture;

TEST_F(FormTest, FindComponentIsTypedAndByExactName) {
  TfrmSample f;
  EXPECT_EQ(f.Find<SpinEdit>("edtShot5a"), f.edt);
  EXPECT_EQ(f.Find<Edit>("edtShot5a"), f.edt);        // a spin edit is an edit
  EXPECT_EQ(f.Find<CheckBox>("edtShot5a"), nullptr);  // wrong kind
  EXPECT_EQ(f.FindComponent("edtShot5"), nullptr);
  EXPECT_EQ(f.FindComponent("EDTSHOT5A"), nullptr);
  auto* menu = f.Make<PopupMenu>(f, "PopupMenu1");
  menu->AddItem("mnuSaveFlt", "save", Cp::System);
  EXPECT_NE(f.Find<MenuItem>("mnuSaveFlt"), nullptr);
}

TEST_F(FormTest, ControlOrderIsCreationOrderTabOrderCanMove) {
  TfrmSample f;
  const std::vector<Control*> created{f.edt, f.name, f.chk};
  EXPECT_EQ(f.panel->Controls(), created);
  f.chk->SetTabOrder(0);
  EXPECT_EQ(f.panel->TabOrderList(), (std::vector<Control*>{f.chk, f.edt, f.name}));
  EXPECT_EQ(f.panel->Controls(), created);  // control order unchanged
  EXPECT_EQ(f.edt->TabOrder(), 1);
}

TEST_F(FormTest, FontsAreInheritedUnlessOwn) {
  TfrmSample f;
  Font setup{"SimSun", 12, false, std::nullopt, Charset::Gb2312};
  f.SetFont(setup);
  EXPECT_EQ(f.edt->EffectiveFont(), setup);
  Font input{"MS Sans Serif", 16, true, kRed, Charset::Default};
  f.name->SetFont(input);
  EXPECT_EQ(f.name->EffectiveFont(), input);
  EXPECT_EQ(f.chk->EffectiveFont(), setup);
}

TEST_F(FormTest, PageControlShowsItsFirstPageAndKeepsHiddenTabs) {
  Form f("frmFltSetup");
  auto* pc = f.Make<PageControl>(f, "RzPageControl1");
  auto* t1 = f.Make<TabSheet>(*pc, "TabSheet1");
  auto* t2 = f.Make<TabSheet>(*pc, "TabSheet2");
  t2->SetTabVisible(false);
  EXPECT_EQ(pc->ActivePage(), t1);
  EXPECT_EQ(pc->PagesList(), (std::vector<TabSheet*>{t1, t2}));
  auto* chk = f.Make<CheckBox>(*t1, "chkShot7");
  // The first focus goes into the active page.
  mem->WhenShown("frmFltSetup", [&](Form& form) { EXPECT_EQ(form.ActiveControl(), chk); });
  f.ShowModal();
}

// --- modal runs ---------------------------------------------------------------------

using ModalTest = FormFixture;

TEST_F(ModalTest, ScriptedRunEndsWithTheResultItSets) {
  TfrmSample f;
  mem->WhenShown("frmSample", [](Form& form) {
    auto& s = static_cast<TfrmSample&>(form);
    EXPECT_TRUE(s.Showing());
    s.ok->Click();  // empty: message, stays open
    EXPECT_EQ(s.GetModalResult(), ModalResult::None);
    s.name->TypeText("x");
    s.ok->Click();
  });
  EXPECT_EQ(f.ShowModal(), ModalResult::Ok);
  EXPECT_FALSE(f.Showing());
  EXPECT_EQ(f.cancelFlag, 0);
  ASSERT_EQ(mem->Messages().size(), 1u);
  EXPECT_EQ(mem->Messages()[0].text, "empty");
  EXPECT_EQ(mem->Messages()[0].caption, kAppTitle);
  EXPECT_EQ(mem->Messages()[0].icon, MessageIcon::None);
}

TEST_F(ModalTest, RunWithoutResultOrScriptIsACancel) {
  TfrmSample f;
  EXPECT_EQ(f.ShowModal(), ModalResult::Cancel);  // no script at all
  mem->WhenShown("frmSample", [](Form& form) { static_cast<TfrmSample&>(form).name->SetText("x"); });
  EXPECT_EQ(f.ShowModal(), ModalResult::Cancel);
  EXPECT_EQ(f.cancelFlag, 1);
  EXPECT_EQ(mem->ModalRuns(), (std::vector<std::string>{"frmSample", "frmSample"}));
}

TEST_F(ModalTest, EnterClicksDefaultOrFocusedButtonEscClicksCancel) {
  TfrmSample f;
  mem->WhenShown("frmSample", [](Form& form) {
    auto& s = static_cast<TfrmSample&>(form);
    s.name->SetFocus();
    s.name->TypeText("a");
    s.cancel->SetFocus();
    s.PressEnter();  // the focused push button, not the default one
  });
  EXPECT_EQ(f.ShowModal(), ModalResult::Cancel);
  EXPECT_EQ(f.cancelFlag, 1);

  mem->WhenShown("frmSample", [](Form& form) {
    auto& s = static_cast<TfrmSample&>(form);
    s.name->SetFocus();
    s.PressEnter();  // default button
  });
  EXPECT_EQ(f.ShowModal(), ModalResult::Ok);

  TfrmSample g;
  g.cancelFlag = 1;
  mem->WhenShown("frmSample", [](Form& form) { form.PressEscape(); });
  EXPECT_EQ(g.ShowModal(), ModalResult::Cancel);
  EXPECT_EQ(g.cancelFlag, 1);
}

TEST_F(ModalTest, EscWithoutCancelButtonDoesNothing) {
  TfrmSample f;
  f.SetCancelButton(nullptr);
  mem->WhenShown("frmSample", [](Form& form) {
    form.PressEscape();
    EXPECT_EQ(form.GetModalResult(), ModalResult::None);
  });
  f.ShowModal();
}

TEST_F(ModalTest, FocusStartsOnTheFirstTabStopAndMouseClickClampsTheSpinEdit) {
  TfrmSample f;
  f.edt->SetEnabled(false);  // skipped
  mem->WhenShown("frmSample", [](Form& form) {
    auto& s = static_cast<TfrmSample&>(form);
    EXPECT_EQ(s.ActiveControl(), s.name);
    s.edt->SetEnabled(true);
    s.edt->SetFocus();
    s.edt->SetText("");
    s.edt->TypeText("300");
    s.PressEnter();  // Enter keeps the typed text
    EXPECT_EQ(s.edt->Text(), "300");
  });
  f.ShowModal();

  f.name->SetText("x");
  mem->WhenShown("frmSample", [](Form& form) {
    auto& s = static_cast<TfrmSample&>(form);
    s.edt->SetFocus();
    s.edt->SetText("300");
    s.ok->Click();  // the mouse takes the focus first
    EXPECT_EQ(s.edt->Text(), "100");
  });
  EXPECT_EQ(f.ShowModal(), ModalResult::Ok);
}

TEST_F(ModalTest, NestedRunsSeeTheirOwnerAndTheOwnerScopeRestores) {
  int hostWindow = 0;
  {
    OwnerWindowScope scope(&hostWindow);
    TfrmSample outer;
    mem->WhenShown("frmSample", [](Form&) {
      Form inner("frmInputMDChip");
      inner.ShowModal();
    });
    outer.ShowModal();
    EXPECT_EQ(OwnerWindow(), &hostWindow);
    ASSERT_EQ(mem->ModalOwners().size(), 2u);
    EXPECT_EQ(mem->ModalOwners()[0], &hostWindow);
    EXPECT_EQ(mem->ModalOwners()[1], static_cast<void*>(&outer));
  }
  EXPECT_EQ(OwnerWindow(), nullptr);
}

TEST_F(ModalTest, ShowingTwiceIsRefused) {
  TfrmSample f;
  bool refused = false;
  mem->WhenShown("frmSample", [&](Form& form) {
    try {
      form.ShowModal();
    } catch (const std::logic_error&) {
      refused = true;
    }
  });
  f.ShowModal();
  EXPECT_TRUE(refused);
}

// --- the error display ------------------------------------------------------------

using ErrorDisplayTest = FormFixture;

TEST_F(ErrorDisplayTest, FullStopRuleComparesBytes) {
  EXPECT_EQ(ExceptionDisplayText("Stream read error"), "Stream read error.");
  EXPECT_EQ(ExceptionDisplayText("Cannot open file a.szc"), "Cannot open file a.szc.");
  EXPECT_EQ(ExceptionDisplayText("done."), "done.");
  EXPECT_EQ(ExceptionDisplayText("what!"), "what!");    // '!' sorts before '.'
  EXPECT_EQ(ExceptionDisplayText("c:\\x-"), "c:\\x-");  // '-' too
  EXPECT_EQ(ExceptionDisplayText("dir/"), "dir/.");     // '/' after
  EXPECT_EQ(ExceptionDisplayText("12"), "12.");
  EXPECT_EQ(ExceptionDisplayText("\xCE\xC4"), "\xCE\xC4.");  // high bytes sort after
  EXPECT_EQ(ExceptionDisplayText(""), "");
}

TEST_F(ErrorDisplayTest, EscapingErrorIsShownAndTheDialogStaysOpen) {
  TfrmSample f;
  f.ok->OnClick = [](Button&) { throw std::runtime_error("Stream read error"); };
  f.ok->SetModalResult(ModalResult::None);
  mem->WhenShown("frmSample", [](Form& form) {
    static_cast<TfrmSample&>(form).ok->Click();
    EXPECT_EQ(form.GetModalResult(), ModalResult::None);
    EXPECT_TRUE(form.Showing());
  });
  EXPECT_EQ(f.ShowModal(), ModalResult::Cancel);
  ASSERT_EQ(mem->Messages().size(), 1u);
  const MessageBoxArgs& m = mem->Messages()[0];
  EXPECT_EQ(m.text, "Stream read error.");
  EXPECT_EQ(m.textCp, Cp::System);
  EXPECT_EQ(m.caption, "\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA");  // 分布概率
  EXPECT_EQ(m.icon, MessageIcon::Error);
}

TEST_F(ErrorDisplayTest, ErrorsFromEveryKindOfHandlerAreCaught) {
  Form f("frmX");
  auto* chk = f.Make<CheckBox>(f, "chk");
  auto* lb = f.Make<ListBox>(f, "lb");
  auto* e = f.Make<Edit>(f, "edt");
  auto* menu = f.Make<PopupMenu>(f, "PopupMenu1");
  auto& item = menu->AddItem("mnuLoadFlt", "load", Cp::System);
  chk->OnClick = [](CheckBox&) { throw std::runtime_error("a"); };
  lb->OnClick = [](ListBox&) { throw std::runtime_error("b"); };
  e->OnKeyPress = [](Edit&, char&) { throw std::runtime_error("c"); };
  item.OnClick = [](MenuItem&) { throw 42; };
  lb->AddItem("1");
  chk->SetChecked(true);
  lb->ClickItem(0);
  e->TypeChar('1');
  item.Click();
  ASSERT_EQ(mem->Messages().size(), 4u);
  EXPECT_EQ(mem->Messages()[0].text, "a.");
  EXPECT_EQ(mem->Messages()[1].text, "b.");
  EXPECT_EQ(mem->Messages()[2].text, "c.");
  EXPECT_EQ(mem->Messages()[3].icon, MessageIcon::Error);
  EXPECT_TRUE(chk->Checked());
  EXPECT_EQ(e->Text(), "1");  // the character still reaches the box
}

// --- file dialogs and menus -------------------------------------------------------------

using FileDialogTest = FormFixture;

TEST_F(FileDialogTest, AnswersAreTakenInOrderAndTheFilterStays) {
  Form f("frmFltSetup");
  auto* open = f.Make<OpenDialog>(f, "fdlgOpen");
  auto* save = f.Make<SaveDialog>(f, "fdlgSave");
  EXPECT_EQ(open->Filter(), "");
  mem->QueueFileAnswer(std::filesystem::path("bets.szc"));
  mem->QueueFileAnswer(std::nullopt);
  open->SetFilter("x(*.szc)|*.szc", Cp::Gb2312);
  EXPECT_TRUE(open->Execute());
  EXPECT_EQ(open->FileNameBytes(), "bets.szc");
  EXPECT_FALSE(open->Execute());  // cancelled
  EXPECT_FALSE(save->Execute());  // nothing queued: cancelled
  ASSERT_EQ(mem->FileDialogs().size(), 3u);
  EXPECT_EQ(mem->FileDialogs()[1].filter, "x(*.szc)|*.szc");
  EXPECT_FALSE(mem->FileDialogs()[1].answer.has_value());
  EXPECT_TRUE(mem->FileDialogs()[2].save);
  EXPECT_EQ(mem->FileDialogs()[2].filter, "");
}

TEST_F(FileDialogTest, MenuButtonRunsTheChosenEntry) {
  Form f("frmFltSetup");
  auto* btn = f.Make<MenuButton>(f, "RzMenuButton1");
  auto* menu = f.Make<PopupMenu>(f, "PopupMenu1");
  std::vector<std::string> ran;
  menu->AddItem("mnuSaveFlt", "s", Cp::System).OnClick = [&](MenuItem& m) { ran.push_back(m.Name()); };
  menu->AddItem("mnuLoadFlt", "l", Cp::System).OnClick = [&](MenuItem& m) { ran.push_back(m.Name()); };
  btn->SetMenu(menu);
  mem->QueueMenuChoice("mnuLoadFlt");
  mem->QueueMenuChoice("");  // dismissed
  btn->Click();
  btn->Click();
  btn->Click();  // nothing queued: dismissed
  EXPECT_EQ(ran, (std::vector<std::string>{"mnuLoadFlt"}));
}

}  // namespace
}  // namespace qv::ui
