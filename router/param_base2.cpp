#include "router/param_base2.h"

#include <string_view>

#include "support/platform/file_handle.h"
#include "support/platform/file_io.h"
#include "support/platform/win_error.h"

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The encoding named by the XML declaration of an 8-bit text ("" when there
// is no declaration or it names none), in lower case.
std::string DeclaredEncoding(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  if (!text.starts_with("<?xml")) return {};
  const std::string_view declaration = text.substr(0, text.find("?>"));
  const std::size_t key = declaration.find("encoding");
  if (key == std::string_view::npos) return {};
  std::size_t at = declaration.find_first_of("\"'", key);
  if (at == std::string_view::npos) return {};
  const char quote = declaration[at];
  const std::size_t close = declaration.find(quote, at + 1);
  if (close == std::string_view::npos) return {};
  std::string name;
  for (const char c : declaration.substr(at + 1, close - at - 1)) name.push_back(LowerAscii(c));
  return name;
}

// What the parser decodes itself in an 8-bit file: UTF-8 (and its ASCII
// subset) and Latin-1. Any other name would be read as UTF-8 and give
// garbage paths.
bool DecodableEightBitEncoding(const std::string& name) {
  for (const char* known : {"", "utf-8", "utf8", "us-ascii", "ascii", "iso-8859-1", "latin1"}) {
    if (name == known) return true;
  }
  return false;
}

}  // namespace

cPARAMBASE2::cPARAMBASE2(const AnsiString& fileName) {
  // Read through a regular-file open: a FIFO or device in the file's place
  // must not make the run wait for ever. The settings live in the
  // administrator's folder, so a link there may be followed.
  std::string text;
  platform::FileHandle file;
  if (!platform::OpenRegularForRead(fileName, file, true) || !platform::ReadAll(file.get(), text)) {
    // Worded as the parser words its own file errors.
    const uint32_t error = platform::GetLastError();
    const bool missing = error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound;
    errorText = missing ? "File was not found" : "Error reading from file";
    return;
  }
  file.Close();
  if (!DecodableEightBitEncoding(DeclaredEncoding(text))) {
    errorText = "Unsupported encoding " + DeclaredEncoding(text);
    return;
  }
  const pugi::xml_parse_result result =
      document_.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_auto);
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
