// A scratch folder per test and whole-file access, for every suite that
// writes files.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace qv::testing {

// A scratch folder, removed with all it holds when the object goes.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      auto candidate = base / ("qvfiles-" + std::to_string(rd()) + "-" + std::to_string(attempt));
      std::error_code ec;
      if (std::filesystem::create_directory(candidate, ec)) {
        dir_ = candidate;
        break;
      }
    }
  }
  ~ScratchFolder() { Remove(); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  void Remove() {
    if (dir_.empty()) return;
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(dir_, ec);
  }

  // A name in the scratch folder, 8-bit as the file functions take it.
  // Joined as bytes: a path object would reinterpret code page bytes.
  std::string Name(const std::string& leaf) const {
#ifdef _WIN32
    return dir_.string() + "\\" + leaf;
#else
    return dir_.string() + "/" + leaf;
#endif
  }

  static void Put(const std::string& name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << name;
  }
  static std::string Get(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // Names of the entries of the scratch folder, to catch leftovers.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::filesystem::path dir_;
};

// The same, one per test.
class ScratchDir : public ::testing::Test, public ScratchFolder {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()); }
  void TearDown() override { Remove(); }
};

}  // namespace qv::testing
