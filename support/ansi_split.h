#pragma once
// Field splitting shared by the routing-table readers and the XML node-path lookup.
#include <cstdint>
#include <string>
#include <vector>

using AnsiString = std::string;
using cVANSISTR = std::vector<AnsiString>;

// Splits `text` at every single character of `delimiters`. A run of k
// delimiters between fields yields k-1 empty fields; one trailing delimiter
// yields none. Pads with empty fields up to `minimumCount`; never truncates.
// Text after an embedded NUL is ignored.
class cANSISTRSPLIT : public cVANSISTR {
 public:
  cANSISTRSPLIT(AnsiString text, AnsiString delimiters, int32_t minimumCount);
};
