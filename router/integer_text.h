#pragma once
// Integer conversions of table texts, each with the leniency its field needs.
#include <cstdint>

#include "support/ansi_split.h"

// The whole of `text` as a decimal int32 (leading blanks and a sign allowed);
// `defaultValue` when it is anything else or out of range.
int32_t StrToIntDef(const AnsiString& text, int32_t defaultValue);

// The decimal number at the start of `text`: leading white space skipped, an
// optional sign, digits up to the first other character; 0 when there are
// none. Values beyond the int32 range stop at its ends.
int32_t LeadingInt32(const AnsiString& text);
