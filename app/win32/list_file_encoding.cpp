#include "app/win32/list_file_encoding.h"

#include <optional>

#include "app/support.h"
#include "app/win32/wide_text.h"

namespace trivane::app::win32 {

std::string ListFileText(std::string_view bytes, UINT codePage) {
  if (bytes.starts_with(kByteOrderMark))
    return std::string(bytes);  // UTF-8 already; the list reader skips the mark
  return CodePageToUtf8(bytes, codePage);
}

std::string ListFileBytes(std::string_view utf8, UINT codePage) {
  if (std::optional<std::string> bytes = Utf8ToCodePage(utf8, codePage))
    return *std::move(bytes);
  return std::string(kByteOrderMark) + std::string(utf8);
}

TTargetCADForm::ListFileEncoding SystemCodePageListEncoding(UINT codePage) {
  return {[codePage](std::string_view bytes) { return ListFileText(bytes, codePage); },
          [codePage](std::string_view utf8) { return ListFileBytes(utf8, codePage); }};
}

}  // namespace trivane::app::win32
