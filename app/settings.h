// The settings file: the program's path with ".ini", sections "Form" and "LT_Trivane", 31 keys,
// read once by FormCreate and written once by FormDestroy.
//
// SettingsStore is the private-profile interface the load and save go through. IniFileStore is
// the portable implementation, with the reading rules of the Windows private-profile functions;
// the file is UTF-8 (a byte-order mark is skipped on reading and kept on writing) with CR LF line
// ends. Section and key names compare case-insensitively in the ASCII letters.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace trivane::app {

class TForm1;

// The longest value a read returns, in UTF-16 code units (the private-profile read buffer holds
// 2048 with its terminator). Longer values are cut before the character that would not fit.
inline constexpr int kMaxProfileValueLength = 2047;

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  virtual const std::filesystem::path& Path() const = 0;
  // Does the settings file exist (now)?
  virtual bool Exists() const = 0;
  // The value of the key, trimmed of blanks and tabs at both ends, with one pair of enclosing
  // quotes (" or ') removed and cut to kMaxProfileValueLength; `fallback` when the section or the
  // key is missing.
  virtual std::string ReadString(std::string_view section, std::string_view key,
                                 std::string_view fallback) const = 0;
  // Sets the key, creating the section and the key where missing. A value that would not read
  // back as it is (blanks at its ends, enclosing quotes) is written quoted so that it does.
  // Throws FileWriteError when the value cannot be written (it holds a line break).
  virtual void WriteString(std::string_view section, std::string_view key,
                           std::string_view value) = 0;
  // Makes the writes so far durable in the file. Throws FileWriteError; the file then keeps its
  // old contents.
  virtual void Flush() = 0;
};

// A private-profile integer: optional sign and decimal digits, or "0x"/"0X" and hexadecimal
// digits; nothing else (no blanks, no trailing text), and only values that fit a 32-bit int.
std::optional<int> ParseProfileInteger(std::string_view text);
// The key read as an integer; `fallback` when it is missing or not a number.
int ReadInteger(const SettingsStore& store, std::string_view section, std::string_view key,
                int fallback);
// The key read as an integer: true for any non-zero value; `fallback` when missing or not a number.
bool ReadBool(const SettingsStore& store, std::string_view section, std::string_view key,
              bool fallback);

// The text of an INI file as lines, with private-profile lookups and in-place updates.
class IniDocument {
 public:
  IniDocument() = default;
  explicit IniDocument(std::string_view bytes);

  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  void Set(std::string_view section, std::string_view key, std::string_view storedValue);
  // The file's bytes: CR LF after every line, the byte-order mark if the text had one.
  std::string Bytes() const;
  // The value of the key as SettingsStore::ReadString returns it.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;

 private:
  std::vector<std::string> lines_;
  bool byteOrderMark_ = false;
};

// The portable store over a file. The file is read when the store is made; writes go to memory
// at once and reach the file at Flush, which merges them into the file as it is then (keeping
// every other section, key and comment) and replaces it in one step.
class IniFileStore final : public SettingsStore {
 public:
  explicit IniFileStore(std::filesystem::path path);

  const std::filesystem::path& Path() const override { return path_; }
  bool Exists() const override;
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const override;
  void WriteString(std::string_view section, std::string_view key, std::string_view value) override;
  void Flush() override;

 private:
  std::filesystem::path path_;
  IniDocument document_;
  std::vector<std::pair<std::string, std::pair<std::string, std::string>>> pending_;
};

// The screen size the default window position centres on (pixels).
struct ScreenSize {
  int width = 1920;
  int height = 1080;
};

// Where a key of the settings file lives.
enum class SettingSlot {
  Top,         // the window's top
  Left,        // the window's left
  Edit,        // an edit's text
  CheckBox,    // "1" / "0"
  RadioGroup,  // the item index, limited to the items
  UpDown,      // the position, limited to the range; then the up-down's click handler
  Rounding,    // a rounding-mode variable and its three radio buttons
  ProgId,
  CadName,
};

struct SettingsKey {
  std::string_view section;
  std::string_view key;
  SettingSlot slot;
  // The edit, check box, radio group or up-down; for Rounding the first of its three radio
  // buttons ("RadioButton1"); "" for the window position and the target CAD.
  std::string_view control;
};

// The keys of the settings file in file order (the order LoadSettings and SaveSettings follow).
std::vector<SettingsKey> SettingsKeys();

// Reads every key in file order into the window and the program state (nothing when the file
// does not exist): values out of a control's range are limited to it (Kyuuseki to 0..1),
// Kyuuseki switches the method at once, Leader sets whether Edit14 is enabled, each up-down's
// handler follows its load (Keta1..3 take the positions, Edit8 and Edit17 show the powers of
// ten), the rounding keys check their radio buttons and end as 0, 1 or 2, and ProgId and cadName
// keep the current target when absent.
void LoadSettings(TForm1& form, const SettingsStore& store, ScreenSize screen);

// Writes every key in file order from the window and the program state, then flushes. Throws
// FileWriteError ("<path> に書き込めません").
void SaveSettings(const TForm1& form, SettingsStore& store);

}  // namespace trivane::app
