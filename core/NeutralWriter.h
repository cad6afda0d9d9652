// Writes the neutral file: numbered blocks framed by code lines, fixed
// columns, CR LF after every line.
#pragma once

#include <ctime>

#include "ConversionModel.h"
#include "OutputFile.h"
#include "RecordBatch.h"

namespace cor2tavik {

void WriteCodeLine(OutputFile& out, int code);

// Blocks 1, 2 and 3: version and date, title, product. `now` is the local
// time stamped on the version line.
void WriteHeader(OutputFile& out, const std::tm& now);

// A block of rows: its code line (and a result block's preamble), the rows
// batch by batch, the closing "-1".
void WriteBlockStart(OutputFile& out, Block block);
void WriteRows(OutputFile& out, const ConversionModel& model, Block block, const RecordBatch& batch);
void WriteBlockEnd(OutputFile& out);

void WriteEndCode(OutputFile& out);

// Node numbers written for an element: its type code less 300. A type code
// that asks for more than this writes none (and the reader has warned).
inline constexpr int kMaxWrittenElementNodes = 100;

}  // namespace cor2tavik
