#pragma once
#include "crashreport/text/TmyString.h"

#include <cstdint>

namespace errvane {

struct ExceptionRecord;
class TmyStringList;

// The name of an exception code; an unknown code gives its unsigned decimal value.
TmyString ExceptionCodeName(std::uint32_t code);
// The record's lines and those of every record nested in it.
void ReportExceptionRecord(TmyStringList& list, const ExceptionRecord* record);

}  // namespace errvane
