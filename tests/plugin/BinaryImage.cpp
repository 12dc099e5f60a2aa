#include "BinaryImage.h"

#include <cstdio>

namespace qvtest {
namespace {

// Bounds-checked little-endian reads over the file.
class Bytes {
 public:
  explicit Bytes(const std::vector<uint8_t>& b) : b_(b) {}
  size_t size() const { return b_.size(); }
  bool has(uint64_t off, uint64_t n) const { return off <= b_.size() && n <= b_.size() - off; }
  uint64_t u(uint64_t off, int n) const {
    if (!has(off, static_cast<uint64_t>(n))) {
      bad_ = true;
      return 0;
    }
    uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | b_[off + static_cast<uint64_t>(i)];
    return v;
  }
  uint32_t u16(uint64_t off) const { return static_cast<uint32_t>(u(off, 2)); }
  uint32_t u32(uint64_t off) const { return static_cast<uint32_t>(u(off, 4)); }
  uint64_t u64(uint64_t off) const { return u(off, 8); }
  // A zero-terminated 8-bit string that must end inside [off, limit).
  bool cstr(uint64_t off, uint64_t limit, std::string& out) const {
    if (limit > b_.size()) limit = b_.size();
    out.clear();
    for (uint64_t i = off; i < limit; ++i) {
      if (b_[i] == 0) return true;
      out.push_back(static_cast<char>(b_[i]));
    }
    bad_ = true;
    return false;
  }
  bool bad() const { return bad_; }

 private:
  const std::vector<uint8_t>& b_;
  mutable bool bad_ = false;
};

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& out) {
  out.clear();
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

// ---------------------------------------------------------------- ELF

ElfSymbols ReadElfDynamicSymbols(const std::vector<uint8_t>& file) {
  ElfSymbols r;
  Bytes b(file);
  if (!b.has(0, 64) || b.u32(0) != 0x464C457Fu) {
    r.error = "not an ELF file";
    return r;
  }
  const uint32_t cls = file[4];
  if (file[5] != 1) {
    r.error = "not little-endian";
    return r;
  }
  if (cls != 1 && cls != 2) {
    r.error = "unknown ELF class";
    return r;
  }
  const bool is64 = cls == 2;
  const uint64_t shoff = is64 ? b.u64(0x28) : b.u32(0x20);
  const uint32_t shentsize = b.u16(is64 ? 0x3A : 0x2E);
  const uint32_t shnum = b.u16(is64 ? 0x3C : 0x30);
  if (shentsize < (is64 ? 64u : 40u) || !b.has(shoff, static_cast<uint64_t>(shentsize) * shnum)) {
    r.error = "section headers outside the file";
    return r;
  }
  struct Sec {
    uint32_t type, link;
    uint64_t offset, size, entsize;
  };
  auto sec = [&](uint32_t i) {
    uint64_t h = shoff + static_cast<uint64_t>(i) * shentsize;
    Sec s;
    s.type = b.u32(h + 4);
    if (is64) {
      s.offset = b.u64(h + 0x18);
      s.size = b.u64(h + 0x20);
      s.link = b.u32(h + 0x28);
      s.entsize = b.u64(h + 0x38);
    } else {
      s.offset = b.u32(h + 0x10);
      s.size = b.u32(h + 0x14);
      s.link = b.u32(h + 0x18);
      s.entsize = b.u32(h + 0x24);
    }
    return s;
  };
  bool found = false;
  for (uint32_t i = 0; i < shnum; ++i) {
    Sec s = sec(i);
    if (s.type != 11) continue;  // SHT_DYNSYM
    found = true;
    const uint64_t symsize = is64 ? 24 : 16;
    if (s.entsize != symsize || !b.has(s.offset, s.size) || s.link >= shnum) {
      r.error = "malformed .dynsym";
      return r;
    }
    Sec str = sec(s.link);
    if (!b.has(str.offset, str.size)) {
      r.error = "malformed dynamic string table";
      return r;
    }
    for (uint64_t off = s.offset + symsize; off + symsize <= s.offset + s.size; off += symsize) {
      uint32_t name = b.u32(off);
      uint32_t info = is64 ? file[off + 4] : file[off + 12];
      uint32_t shndx = b.u16(is64 ? off + 6 : off + 14);
      uint32_t bind = info >> 4;
      if (shndx == 0 || (bind != 1 && bind != 2)) continue;  // undefined or local
      std::string n;
      if (name >= str.size || !b.cstr(str.offset + name, str.offset + str.size, n)) {
        r.error = "symbol name outside the string table";
        return r;
      }
      r.defined.push_back(n);
    }
  }
  if (!found) {
    r.error = "no .dynsym section";
    return r;
  }
  r.ok = !b.bad();
  if (!r.ok) r.error = "read beyond the end of the file";
  return r;
}

// ---------------------------------------------------------------- PE

namespace {

struct PeSection {
  uint32_t va, vsize, raw, rawsize;
};

class PeReader {
 public:
  PeReader(const std::vector<uint8_t>& f, PeInfo& out) : b_(f), r_(out) {}

  bool Run() {
    if (!b_.has(0, 64) || b_.u16(0) != 0x5A4D) return Fail("no MZ header");
    const uint32_t pe = b_.u32(0x3C);
    if (!b_.has(pe, 24) || b_.u32(pe) != 0x00004550u) return Fail("no PE signature");
    const uint64_t coff = pe + 4;
    r_.machine = static_cast<uint16_t>(b_.u16(coff));
    const uint32_t nsec = b_.u16(coff + 2);
    const uint32_t optsize = b_.u16(coff + 16);
    r_.isDll = (b_.u16(coff + 18) & 0x2000) != 0;
    const uint64_t opt = coff + 20;
    const uint32_t magic = b_.u16(opt);
    if (magic != 0x10B && magic != 0x20B) return Fail("unknown optional header");
    r_.pe32plus = magic == 0x20B;
    const uint64_t ndirOff = opt + (r_.pe32plus ? 108 : 92);
    const uint64_t dirs = opt + (r_.pe32plus ? 112 : 96);
    const uint32_t ndir = b_.u32(ndirOff);
    if (dirs + 8ull * ndir > opt + optsize) return Fail("data directories beyond the optional header");
    auto dir = [&](uint32_t i, uint32_t& rva, uint32_t& size) {
      rva = size = 0;
      if (i < ndir) {
        rva = b_.u32(dirs + 8ull * i);
        size = b_.u32(dirs + 8ull * i + 4);
      }
    };
    const uint64_t sh = opt + optsize;
    if (!b_.has(sh, 40ull * nsec)) return Fail("section table outside the file");
    for (uint32_t i = 0; i < nsec; ++i) {
      uint64_t h = sh + 40ull * i;
      secs_.push_back({b_.u32(h + 12), b_.u32(h + 8), b_.u32(h + 20), b_.u32(h + 16)});
    }
    uint32_t rva, size;
    dir(0, rva, size);
    if (rva && !Exports(rva)) return false;
    dir(1, rva, size);
    if (rva && !Imports(rva)) return false;
    dir(13, rva, size);
    if (rva && !DelayImports(rva)) return false;
    dir(2, rva, size);
    if (rva && !Resources(rva)) return false;
    if (b_.bad()) return Fail("read beyond the end of the file");
    r_.ok = true;
    return true;
  }

 private:
  bool Fail(const std::string& why) {
    if (r_.error.empty()) r_.error = why;
    return false;
  }

  // File offset of an RVA with n bytes readable there, or false.
  bool Off(uint32_t rva, uint64_t n, uint64_t& off) const {
    for (const PeSection& s : secs_) {
      uint64_t span = s.rawsize;
      if (rva >= s.va && rva - s.va < span) {
        uint64_t d = rva - s.va;
        if (n > span - d) return false;
        off = s.raw + d;
        return b_.has(off, n);
      }
    }
    return false;
  }
  // A zero-terminated string at an RVA, inside its section.
  bool Str(uint32_t rva, std::string& out) {
    for (const PeSection& s : secs_) {
      if (rva >= s.va && rva - s.va < s.rawsize) {
        uint64_t off = s.raw + (rva - s.va);
        return b_.cstr(off, static_cast<uint64_t>(s.raw) + s.rawsize, out);
      }
    }
    return false;
  }

  bool Exports(uint32_t rva) {
    uint64_t e;
    if (!Off(rva, 40, e)) return Fail("export directory outside the file");
    if (!Str(b_.u32(e + 12), r_.exportDllName)) return Fail("export DLL name unreadable");
    r_.exportFunctionCount = b_.u32(e + 20);
    const uint32_t nnames = b_.u32(e + 24);
    const uint32_t names = b_.u32(e + 32);
    uint64_t t;
    if (nnames > 65536 || (nnames && !Off(names, 4ull * nnames, t))) return Fail("export name table outside the file");
    for (uint32_t i = 0; i < nnames; ++i) {
      std::string n;
      if (!Str(b_.u32(t + 4ull * i), n)) return Fail("export name unreadable");
      r_.exportNames.push_back(n);
    }
    return true;
  }

  bool Imports(uint32_t rva) {
    for (uint32_t i = 0; i < 4096; ++i) {
      uint64_t d;
      if (!Off(rva + 20 * i, 20, d)) return Fail("import descriptor outside the file");
      bool zero = true;
      for (int k = 0; k < 20; k += 4) zero = zero && b_.u32(d + k) == 0;
      if (zero) return true;
      std::string n;
      if (!Str(b_.u32(d + 12), n)) return Fail("import DLL name unreadable");
      r_.importDlls.push_back(n);
    }
    return Fail("import directory without end");
  }

  bool DelayImports(uint32_t rva) {
    for (uint32_t i = 0; i < 4096; ++i) {
      uint64_t d;
      if (!Off(rva + 32 * i, 32, d)) return Fail("delay import descriptor outside the file");
      uint32_t name = b_.u32(d + 4);
      if (name == 0) return true;
      std::string n;
      if (!Str(name, n)) return Fail("delay import DLL name unreadable");
      r_.delayImportDlls.push_back(n);
    }
    return Fail("delay import directory without end");
  }

  // The first entry of a resource directory whose id matches (any when
  // id < 0); returns its OffsetToData field.
  bool ResEntry(uint64_t base, uint32_t dirOff, int64_t id, uint32_t& target) {
    uint64_t d = base + dirOff;
    if (!b_.has(d, 16)) return false;
    uint32_t n = b_.u16(d + 12) + b_.u16(d + 14);
    for (uint32_t i = 0; i < n; ++i) {
      uint64_t e = d + 16 + 8ull * i;
      if (!b_.has(e, 8)) return false;
      uint32_t name = b_.u32(e);
      if (id < 0 || (!(name & 0x80000000u) && name == id)) {
        target = b_.u32(e + 4);
        return true;
      }
    }
    return false;
  }

  bool Resources(uint32_t rva) {
    uint64_t base;
    if (!Off(rva, 16, base)) return Fail("resource directory outside the file");
    uint32_t t1, t2, t3;
    if (!ResEntry(base, 0, 16, t1)) return true;  // no RT_VERSION
    if (!(t1 & 0x80000000u) || !ResEntry(base, t1 & 0x7FFFFFFFu, -1, t2)) return Fail("malformed version resource");
    if (!(t2 & 0x80000000u) || !ResEntry(base, t2 & 0x7FFFFFFFu, -1, t3)) return Fail("malformed version resource");
    if (t3 & 0x80000000u) return Fail("malformed version resource");
    uint64_t de = base + t3;
    if (!b_.has(de, 16)) return Fail("version resource entry outside the file");
    uint32_t drva = b_.u32(de), dsize = b_.u32(de + 4);
    uint64_t off;
    if (!Off(drva, dsize, off)) return Fail("version resource data outside the file");
    r_.hasVersionResource = true;
    return VersionNode(off, off + dsize, 0, "");
  }

  // One node of the VS_VERSIONINFO tree (offsets relative to the file,
  // alignment relative to the block, which starts 4-aligned).
  bool VersionNode(uint64_t p, uint64_t end, int depth, const std::string& parent) {
    if (depth > 8) return Fail("version tree too deep");
    if (!b_.has(p, 6)) return Fail("version node outside the file");
    uint32_t len = b_.u16(p), vlen = b_.u16(p + 2), type = b_.u16(p + 4);
    if (len < 6 || p + len > end) return Fail("version node length out of range");
    uint64_t nodeEnd = p + len;
    std::string key;
    uint64_t q = p + 6;
    for (;; q += 2) {
      if (q + 2 > nodeEnd) return Fail("version key without end");
      uint32_t c = b_.u16(q);
      if (c == 0) break;
      AppendUtf8(key, c);
    }
    q = (q + 2 + 3) & ~uint64_t(3);
    uint64_t vbytes = type == 1 ? 2ull * vlen : vlen;
    if (q + vbytes > nodeEnd) vbytes = nodeEnd > q ? nodeEnd - q : 0;
    if (depth == 0) {
      if (key != "VS_VERSION_INFO") return Fail("version resource root is not VS_VERSION_INFO");
      if (vbytes >= 52 && b_.u32(q) == 0xFEEF04BDu) {
        r_.fileVersionMS = b_.u32(q + 8);
        r_.fileVersionLS = b_.u32(q + 12);
      }
    }
    if (depth == 3 && parent == "StringFileInfo") {
      std::string value;
      for (uint64_t v = q; v + 2 <= q + vbytes; v += 2) {
        uint32_t c = b_.u16(v);
        if (c == 0) break;
        AppendUtf8(value, c);
      }
      r_.versionStrings[key] = value;
      return true;
    }
    uint64_t c = (q + vbytes + 3) & ~uint64_t(3);
    // The string table sits one level below StringFileInfo: pass the name on.
    std::string next = depth == 1 ? key : (depth == 2 ? parent : std::string());
    while (c + 6 <= nodeEnd) {
      uint32_t clen = b_.u16(c);
      if (clen == 0) break;
      if (!VersionNode(c, nodeEnd, depth + 1, next)) return false;
      c = (c + clen + 3) & ~uint64_t(3);
    }
    return true;
  }

  Bytes b_;
  PeInfo& r_;
  std::vector<PeSection> secs_;
};

}  // namespace

PeInfo ReadPeImage(const std::vector<uint8_t>& file) {
  PeInfo r;
  PeReader(file, r).Run();
  return r;
}

}  // namespace qvtest
