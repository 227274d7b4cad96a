#pragma once
// A printer's port field: one port, or several separated by commas.
#include <string>
#include <vector>

namespace setup {

// Commas separate items; blanks before an item are skipped; empty items are
// dropped; double or single quotes group an item that holds commas (a
// doubled quote inside stands for one).
std::vector<std::string> SplitPortList(const std::string& field);

// The items joined with commas; an item holding blanks, commas or quotes is
// put in double quotes (its double quotes doubled).
std::string JoinPortList(const std::vector<std::string>& items);

}  // namespace setup
