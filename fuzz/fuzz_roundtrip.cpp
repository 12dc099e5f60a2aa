// The setup dialog on the in-memory toolkit: controls set the way a user
// can (clicks, typed and pasted texts, spin buttons, bets from the entry
// dialog's check and from imported records, deletions).  Whenever OK accepts
// the dialog, the string it writes, applied to a new dialog and built again,
// must come back unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FilterString.h"
#include "FltSetup.h"
#include "FuzzCheck.h"
#include "MediaBetInput.h"
#include "UiMemory.h"

namespace {

std::string Shown(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7F && c != '\\') out += static_cast<char>(c);
    else {
      char b[8];
      std::snprintf(b, sizeof b, "\\x%02X", c);
      out += b;
    }
  }
  return out;
}

qv::ui::SpinEdit* Spin(qv::TfrmFltSetup& f, uint8_t which) {
  const int d = which % 8;
  switch ((which / 8) % 6) {
    case 0: return f.edtShotA[d];
    case 1: return f.edtShotB[d];
    case 2: return f.edtCanErrA[d];
    case 3: return f.edtCanErrB[d];
    case 4: return (which & 0x40) ? f.edtCanErr2 : f.edtCanErr1;
    default: return (which & 0x40) ? f.edtCanSupErr2 : f.edtCanSupErr1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static qv::ui::MemoryBackend& mem = qv::ui::UseMemoryBackend();
  mem.ClearMessages();
  FuzzedDataProvider in(data, size);
  qv::TfrmFltSetup dlg;

  for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) {
    const uint8_t op = in.ConsumeIntegral<uint8_t>();
    const uint8_t arg = in.ConsumeIntegral<uint8_t>();
    switch (op % 12) {
      case 0: dlg.chkShot[arg % 8]->Click(); break;
      case 1: (arg & 1 ? dlg.chkCanSupErr : dlg.chkCanErr)->Click(); break;
      case 2: Spin(dlg, arg)->TypeText(in.ConsumeRandomLengthString(12)); break;
      case 3: Spin(dlg, arg)->Paste(in.ConsumeRandomLengthString(12)); break;
      case 4: Spin(dlg, arg)->ClickUp(in.ConsumeIntegralInRange<int>(1, 200)); break;
      case 5: Spin(dlg, arg)->ClickDown(in.ConsumeIntegralInRange<int>(1, 200)); break;
      case 6: Spin(dlg, arg)->DoExit(); break;
      case 7: Spin(dlg, arg)->SetText(""); break;
      case 8: {  // a bet through the entry dialog's OK check
        const qv::BetCheck c = qv::CheckBetInput(in.ConsumeRandomLengthString(40));
        if (c.kind == qv::BetCheck::Kind::Accepted) dlg.lbMVDChip->AddItem(c.text);
        break;
      }
      case 9: {  // an imported record
        const std::string rec = in.ConsumeRandomLengthString(40);
        if (qv::CanCarryMediaBet(rec)) dlg.lbMVDChip->AddItem(rec);
        break;
      }
      case 10:
        if (dlg.lbMVDChip->Count() > 0) {
          dlg.lbMVDChip->SetItemIndex(arg % dlg.lbMVDChip->Count());
          dlg.btnDeleteClick();
        }
        break;
      default:
        if (arg == 0) dlg.btnClearClick();
        break;
    }
  }

  dlg.btnOKClick();
  static const bool verbose = std::getenv("QUELVOR_FUZZ_VERBOSE") != nullptr;
  if (verbose)
    std::fprintf(stderr, "OK %s: %s\n", dlg.CancelFlag ? "refused" : "accepted",
                 Shown(dlg.BuildFilterStr()).c_str());
  if (dlg.CancelFlag != 0) return 0;  // OK refused the dialog's state

  const std::string s1 = dlg.BuildFilterStr();
  qv::TfrmFltSetup again;
  QV_CHECK(again.ApplyFilterStr(s1), "the dialog reads what it wrote");
  const std::string s2 = again.BuildFilterStr();
  if (s1 != s2) {
    std::fprintf(stderr, "written: %s\nread back: %s\n", Shown(s1).c_str(), Shown(s2).c_str());
    QV_CHECK(s1 == s2, "round trip");
  }
  return 0;
}
