// Fuzz target: the target-CAD list file. The lines read from any bytes are the lines read again
// from what the dialog writes for them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/target_cad_form.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trivane;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = app::ParseTargetCadList(bytes);
  // A line the dialog keeps has no line break in it; what it writes reads back the same.
  const std::vector<std::string> again = app::ParseTargetCadList(app::TargetCadListBytes(lines));
  if (again != lines)
    std::abort();
  for (const std::string& line : lines)
    (void)app::SplitTargetCadLine(line);
  return 0;
}
