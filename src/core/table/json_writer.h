#pragma once

#include <QByteArray>
#include <QStringView>

namespace runpad {

class GridModel;

// The exchange file's exact text. No library writer fits: none escapes the
// solidus or writes every code above 127 as upper-case \u escapes.

// Appends `text` as a JSON string with its quotation marks: quotation mark,
// backslash and solidus after a backslash; \b \t \n \f \r; every other code
// below 32 and every UTF-16 code unit above 127 as \u with four upper-case
// hexadecimal digits; codes 32 to 127 as themselves. The result is ASCII.
void appendJsonString(QByteArray& out, QStringView text);

// {"data":[[row 0 cells],[row 1 cells],...]} with every cell of the counts
// as a string, rows and columns in order, without any white space.
QByteArray gridToJson(const GridModel& grid);

} // namespace runpad
