#include "setup/port_list.h"

namespace setup {

std::vector<std::string> SplitPortList(const std::string& field) {
  std::vector<std::string> items;
  std::size_t i = 0;
  const std::size_t n = field.size();
  while (i < n) {
    while (i < n && field[i] == ' ') ++i;
    std::string item;
    if (i < n && (field[i] == '"' || field[i] == '\'')) {
      const char quote = field[i++];
      while (i < n) {
        if (field[i] == quote) {
          if (i + 1 < n && field[i + 1] == quote) {
            item.push_back(quote);
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item.push_back(field[i++]);
      }
      // Whatever follows the closing quote up to the next comma belongs to the item.
      while (i < n && field[i] != ',') item.push_back(field[i++]);
    } else {
      while (i < n && field[i] != ',') item.push_back(field[i++]);
    }
    if (i < n) ++i;  // the comma
    if (!item.empty()) items.push_back(item);
  }
  return items;
}

std::string JoinPortList(const std::vector<std::string>& items) {
  std::string field;
  for (std::size_t k = 0; k < items.size(); ++k) {
    if (k > 0) field.push_back(',');
    const std::string& item = items[k];
    if (item.find_first_of(" ,\"'") == std::string::npos) {
      field += item;
      continue;
    }
    field.push_back('"');
    for (char c : item) {
      if (c == '"') field.push_back('"');
      field.push_back(c);
    }
    field.push_back('"');
  }
  return field;
}

}  // namespace setup
