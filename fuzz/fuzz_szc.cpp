// The ".szc" bet result file import on arbitrary file content, against a
// literal reading of the header and the records.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "BetResultFile.h"
#include "FilterString.h"
#include "FuzzCheck.h"
#include "TempFile.h"

namespace {

int32_t Le32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + static_cast<size_t>(i)]);
  return static_cast<int32_t>(v);
}

bool Carriable(const std::string& t) {
  for (unsigned char c : t)
    if (c < 0x20) return false;
  return t.find_first_of("|MES") == std::string::npos && t.find("TJ") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  const auto& path = QvScratchFile("quelvor-fuzz-szc");
  QvWriteFile(path, file);
  const qv::BetResultBets got = qv::ReadBetResultFile(path);

  // The literal reading, all or nothing.
  bool ok = true;
  std::vector<std::string> items;
  size_t skipped = 0;
  if (file.size() < 12) {
    ok = false;  // RecordCount and RecordLength are not in the file
  } else {
    const int32_t count = Le32(file, 4);
    const int32_t length = Le32(file, 8);
    const size_t start = std::min<size_t>(file.size(), 32);
    if (count > 0) {
      if (length < 0 || count > qv::kMaxBetResultRecords) ok = false;
      // Records follow what the header read took: 32 bytes, or less when the
      // file is shorter.
      else if (static_cast<uint64_t>(count) * static_cast<uint64_t>(length) + start > file.size())
        ok = false;
      else
        for (int64_t i = 0; i < count; ++i) {
          const size_t at = start + static_cast<size_t>(i) * static_cast<size_t>(length);
          std::string rec = file.substr(at, static_cast<size_t>(length));
          if (const size_t z = rec.find('\0'); z != std::string::npos) rec.resize(z);
          if (Carriable(rec)) items.push_back(rec);
          else ++skipped;
        }
    }
  }
  if (ok) {
    QV_CHECK(got.status.kind == qv::FileStatus::Kind::Done, "accepted");
    QV_CHECK(got.bets == items, "items");
    QV_CHECK(got.status.skipped == skipped, "skipped");
    for (const std::string& it : got.bets) QV_CHECK(qv::CanCarryMediaBet(it), "carriable");
  } else {
    QV_CHECK(got.status.kind == qv::FileStatus::Kind::ReadError, "refused");
    QV_CHECK(got.bets.empty(), "no items from a refused file");
  }
  return 0;
}
