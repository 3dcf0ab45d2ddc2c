#include "commands/numbering.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

#include "annotate/writers.h"
#include "cad/connection.h"
#include "cad/database.h"
#include "commands/common.h"
#include "geometry/numbers.h"

namespace trivane::commands {
namespace {

// Item i of an array value as a double: a point comes as an array of doubles, but a CAD may
// hand it over as an array of variants holding numbers.
double ArrayItem(const cad::Value& array, std::size_t i) {
  switch (array.type()) {
    case cad::Value::Type::DoubleArray:
      return array.GetDoubles().at(i);
    case cad::Value::Type::Int16Array:
      return array.GetInt16s().at(i);
    default:
      return array.GetArray().at(i).ToDouble();
  }
}

std::string_view NumberText(std::string_view record) {
  return record.substr(0, record.find(','));
}

}  // namespace

int RecordNumberKey(std::string_view record) {
  return ParseInteger(NumberText(record)).value_or(0);
}

void SortRecordsByNumber(TriangleRecords& records) {
  const std::size_t n = records.size();
  for (std::size_t i = 0; i + 1 < n; ++i) {
    int k = RecordNumberKey(records[i]);
    for (std::size_t j = i + 1; j < n; ++j) {
      const int kj = RecordNumberKey(records[j]);
      if (kj < k) {
        std::swap(records[i], records[j]);
        k = kj;
      }
    }
  }
}

std::optional<std::string> TriangleRecordOf(const cad::Text& text) {
  const std::string number = text.TextString();
  const cad::XdataValues data = text.GetXdata(annotate::kRecordApplication);
  if (data.types.type() != cad::Value::Type::Int16Array ||
      data.values.type() != cad::Value::Type::VariantArray)
    return std::nullopt;
  const cad::Value::Variants& values = data.values.GetArray();
  if (values.size() < 2)
    throw cad::AutomationError("GetXdata", "the triangle data record has no side lengths",
                               cad::kErrorInvalidArg);
  const cad::Value& sides = values[1];
  if (!sides.IsArray())
    throw cad::AutomationError(
        "GetXdata",
        "the side lengths of the triangle data record are " + sides.Describe() + ", not an array",
        cad::kErrorTypeMismatch);
  if (sides.UpperBound() != 2)
    return std::nullopt;
  std::string record = number;
  for (std::size_t j = 0; j < 3; ++j) {
    record += ',';
    record += FormatFixed(ArrayItem(sides, j), kRecordDecimals);
  }
  return record;
}

void ReadTriangleRecords(const cad::SelectionSet& set, TriangleRecords& records) {
  const std::int32_t count = set.Count();
  for (std::int32_t i = 0; i < count; ++i) {
    std::optional<std::string> record = TriangleRecordOf(cad::Text(set.Item(i).object()));
    if (record)
      records.push_back(std::move(*record));
  }
  SortRecordsByNumber(records);
}

int NumberAfter(int key) {
  return key == std::numeric_limits<int>::max() ? key : key + 1;
}

void Button4Click(CommandContext& c) {
  c.window.SetPosition("UpDown4", 1);
  if (!cad::IsCadRunning(c.link))
    return;
  RunSilently([&] {
    const cad::Document document = cad::BeginCadCommand(c.link);
    const cad::ScopedSelectionSet set(cad::NewTempSelectionSet(document));
    set->Clear();
    set->Select(cad::kSelectAll, cad::SelectionFilter::EntityType("TEXT"));
    if (set->Count() == 0)
      return;
    TriangleRecords records;
    ReadTriangleRecords(*set, records);
    if (records.empty() || NumberText(records.back()).empty())
      return;
    c.window.SetPosition("UpDown4", NumberAfter(RecordNumberKey(records.back())));
  });
}

}  // namespace trivane::commands
