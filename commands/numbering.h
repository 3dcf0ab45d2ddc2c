// Triangle numbers read back from the drawing: the number texts of the markers carry each
// triangle's data record (extended data of "LT_TRIVANE" holding its three side lengths), which
// turns into one triangle record per text; "最大" sets the next number after the highest one.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cad/objects.h"
#include "commands/context.h"

namespace trivane::commands {

// One line per numbered triangle: the number text as it stands, then the side lengths
// |p1p2|, |p2p3|, |p3p1| in drawing units (unscaled, unrounded) with 8 decimals and "." as the
// decimal point: "12,3000.00000000,4000.00000000,5000.00000000".
using TriangleRecords = std::vector<std::string>;

// The sort key of a record: the text before its first "," read as a decimal integer; 0 when it
// is empty or not an integer.
int RecordNumberKey(std::string_view record);

// Sorts by number key, ascending, with an exchange sort: for each position i, every later line
// whose key is below the key held at i is exchanged into i. Equal keys are never exchanged with
// each other directly, though other exchanges may still change their relative order.
void SortRecordsByNumber(TriangleRecords& records);

// The record of one text: empty when the text carries no data record, or one whose second item
// is not an array of exactly three numbers; AutomationError for a damaged record (below).
std::optional<std::string> TriangleRecordOf(const cad::Text& text);

// Appends one record per text of `set` that carries a data record, then sorts the whole list by
// number key. A text counts when GetXdata gives an array of 16-bit codes and an array of values
// whose second item is an array of exactly three numbers; texts without the record, or with a
// second item of another length, are skipped. A values array without a second item, or a second
// item that is no array, is a damaged record: AutomationError, which ends the calling command.
void ReadTriangleRecords(const cad::SelectionSet& set, TriangleRecords& records);

// The next number after the highest triangle number `key`, kept within what an int holds (the
// number field itself limits it to its range, 1..1000).
int NumberAfter(int key);

// "最大" (Button4): the next number (UpDown4) goes to 1 first, also when the CAD is not running;
// then, reading every text of the drawing, to one more than the highest number found. A drawing
// whose highest number is 1000 or more leaves the field at its top, 1000. Errors end the command
// silently with the number reached so far; the temporary selection set is deleted in every case.
void Button4Click(CommandContext& c);

}  // namespace trivane::commands
