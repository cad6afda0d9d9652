// Writes the neutral file: numbered blocks framed by code lines, fixed
// columns, CR LF after every line.
#pragma once

#include <ctime>

#include "ConversionModel.h"
#include "OutputFile.h"

namespace cor2tavik {

void WriteCodeLine(OutputFile& out, int code);

// Blocks 1, 2, 3 (version and date, title, product), 12 (nodes) and 13
// (elements). `now` is the local time stamped on the version line. With
// `helper`, a second thread formats half of each large block's records.
void WriteModelBlocks(OutputFile& out, const ConversionModel& model, const std::tm& now, bool helper = false);

// Block 52, 72 or 73 for `kind`, when its result file was read.
void WriteResultBlock(OutputFile& out, const ConversionModel& model, ResultKind kind, bool helper = false);

void WriteEndCode(OutputFile& out);

// Node numbers written for an element: its type code less 300. A type code
// that asks for more than this writes none (and the reader has warned).
inline constexpr int kMaxWrittenElementNodes = 100;

}  // namespace cor2tavik
