// trivane: the land-area tool on DXF drawings, with the built-in drawing host (see cli.h).
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv, argv + argc);
  return trivane::cli::Main(args, std::cout, std::cerr);
}
