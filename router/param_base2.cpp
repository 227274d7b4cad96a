#include "router/param_base2.h"

cPARAMBASE2::cPARAMBASE2(const AnsiString& fileName) {
  const pugi::xml_parse_result result = document_.load_file(fileName.c_str(), pugi::parse_default, pugi::encoding_auto);
  if (result) {
    root = document_.first_child();
  } else {
    errorText = result.description();
  }
}

pugi::xml_node cPARAMBASE2::GetNode(const AnsiString& path) const {
  if (root.empty()) return {};
  pugi::xml_node node = root;
  for (const AnsiString& step : cANSISTRSPLIT(path, "\\/", 0)) {
    pugi::xml_node next;
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
      if (child.type() == pugi::node_element && step == child.name()) {
        next = child;
        break;
      }
    }
    if (next.empty()) return {};
    node = next;
  }
  return node;
}

cWIDE cPARAMBASE2::NodeTextWide(const pugi::xml_node& element) const {
  for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
      return cWIDE(Utf8ToWString(child.value()));
    }
  }
  return cWIDE();
}

AnsiString cPARAMBASE2::NodeText(const pugi::xml_node& element) const {
  return WideToAnsiString(NodeTextWide(element));
}
