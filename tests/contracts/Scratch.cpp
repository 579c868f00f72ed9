#include <algorithm>
#include <atomic>
#include <fstream>
#include <random>
#include <sstream>

#include "contracts/Contracts.h"

namespace tavrel::contract {

Scratch::Scratch() {
  static std::atomic<unsigned> counter{0};
  const auto name = "tavrel-contract-" + std::to_string(std::random_device{}()) + "-" + std::to_string(counter++);
  const auto candidate = std::filesystem::temp_directory_path() / name;
  std::error_code ec;
  if (!std::filesystem::create_directory(candidate, ec)) return;  // left empty: the tests that need it stop
  std::filesystem::permissions(candidate, std::filesystem::perms::owner_all, ec);  // the user's alone
  path_ = candidate;
}

Scratch::~Scratch() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

std::optional<std::string> Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool Spit(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  return static_cast<bool>(out.flush());
}

std::vector<std::string> Names(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace tavrel::contract
