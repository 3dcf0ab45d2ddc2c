// The settings stores under the same contract: the portable IniFileStore and the Windows
// PrivateProfileStore over GetPrivateProfileStringW / WritePrivateProfileStringW; then what only
// the private-profile store does (its files' encoding).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/settings.h"
#include "app/win32/private_profile_store.h"
#include "app/win32/wide_text.h"
#include "tests/app/app_fixture.h"
#include "tests/win32/settings_store_contract.h"

namespace trivane::app::testing {
namespace {

using win32::PrivateProfileStore;

std::string Utf16LeWithMark(const std::string& utf8) {
  const std::wstring wide = win32::Widen(utf8);
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : wide) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
  return bytes;
}

const StoreKind kIniFileStore{
    "IniFileStore",
    [](const std::filesystem::path& p) { return std::make_unique<IniFileStore>(p); },
    [](const std::filesystem::path& p, const std::string& text) { WriteBytes(p, text); }};

// Its own files are UTF-16LE with a byte-order mark (the store makes them so).
const StoreKind kPrivateProfileStore{
    "PrivateProfileStore",
    [](const std::filesystem::path& p) { return std::make_unique<PrivateProfileStore>(p); },
    [](const std::filesystem::path& p, const std::string& text) {
      WriteBytes(p, Utf16LeWithMark(text));
    }};

INSTANTIATE_TEST_SUITE_P(Stores, SettingsStoreContract,
                         ::testing::Values(kIniFileStore, kPrivateProfileStore), StoreKindName);

TEST(PrivateProfileStoreTest, NewFileIsUtf16SoJapaneseSurvivesAnyCodePage) {
  TestFolder folder;
  const std::filesystem::path path = folder / "n.ini";
  {
    PrivateProfileStore store(path);
    store.WriteString("LT_Trivane", "cadName", "図研 ﾍﾛﾝ");
    store.Flush();
  }
  const std::string bytes = ReadBytes(path);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  const std::string value = Utf16LeWithMark("図研 ﾍﾛﾝ").substr(2);
  EXPECT_NE(bytes.find(value), std::string::npos);
  EXPECT_EQ(PrivateProfileStore(path).ReadString("LT_Trivane", "cadName", ""), "図研 ﾍﾛﾝ");
}

// A settings file written by hand or by an older program is ANSI: it is read in the system's code
// page, and written back in it.
TEST(PrivateProfileStoreTest, AnsiFileIsReadInTheSystemCodePage) {
  TestFolder folder;
  const std::filesystem::path path = folder / "a.ini";
  const std::string text = GetACP() == 932 ? "画層" : "Größe";
  const std::optional<std::string> ansi =
      win32::Utf8ToCodePage("[S]\r\nK=" + text + "\r\n", CP_ACP);
  ASSERT_TRUE(ansi.has_value()) << "code page " << GetACP();
  WriteBytes(path, *ansi);
  PrivateProfileStore store(path);
  EXPECT_EQ(store.ReadString("S", "K", ""), text);
  store.WriteString("S", "L", "plain");
  store.Flush();
  EXPECT_EQ(ReadBytes(path).substr(0, 3), "[S]");  // still ANSI, no mark added
  EXPECT_EQ(PrivateProfileStore(path).ReadString("S", "K", ""), text);
}

TEST(PrivateProfileStoreTest, ExistsOnlyForAFile) {
  TestFolder folder;
  EXPECT_FALSE(PrivateProfileStore(folder / "missing.ini").Exists());
  EXPECT_FALSE(PrivateProfileStore(folder.path()).Exists());  // a folder is no settings file
  EXPECT_EQ(PrivateProfileStore(folder.path()).ReadString("S", "K", "(d)"), "(d)");
}

}  // namespace
}  // namespace trivane::app::testing
