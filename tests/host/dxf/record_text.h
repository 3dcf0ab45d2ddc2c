// One record to and from the tag text a CAD writes, through the reader and writer themselves.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "host/dxf/io.h"

namespace trivane::dxf::testing {

// The record of an ENTITIES section holding only this text.
inline Entity Parse(std::string_view recordText) {
  const std::string file =
      "  0\nSECTION\n  2\nENTITIES\n" + std::string(recordText) + "  0\nENDSEC\n  0\nEOF\n";
  Document doc = Read(file);
  EXPECT_EQ(doc.Entities().size(), 1u);
  return doc.Entities().at(0);
}

// The record as written ("\n" line ends, UTF-8).
inline std::string Text(const Entity& e) {
  Document doc;
  doc.lineEnding = "\n";
  doc.codePage = "UTF-8";
  doc.EnsureSection("ENTITIES").records.push_back(e);
  const std::string all = Write(doc);
  const std::string head = "  0\nSECTION\n  2\nENTITIES\n";
  const std::size_t from = all.find(head) + head.size();
  return all.substr(from, all.find("  0\nENDSEC") - from);
}

}  // namespace trivane::dxf::testing
