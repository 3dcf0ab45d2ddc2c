// The contract every settings store keeps, as a test suite parameterised over the store: the
// reading rules of the private-profile functions, values that read back as written, updates that
// keep the rest of the file, write errors, and a whole run of the program's settings through it.
//
//   INSTANTIATE_TEST_SUITE_P(Portable, SettingsStoreContract,
//                            ::testing::Values(StoreKind{"IniFileStore", open, writeText}));
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/settings.h"

namespace trivane::app::testing {

struct StoreKind {
  std::string name;
  // The store for a settings file.
  std::function<std::unique_ptr<SettingsStore>(const std::filesystem::path&)> open;
  // Writes an INI text (UTF-8 here) the way this store's own files are encoded.
  std::function<void(const std::filesystem::path&, const std::string& text)> writeText;
};

class SettingsStoreContract : public ::testing::TestWithParam<StoreKind> {};

// "IniFileStore" -> the test name suffix.
inline std::string StoreKindName(const ::testing::TestParamInfo<StoreKind>& info) {
  return info.param.name;
}

}  // namespace trivane::app::testing
