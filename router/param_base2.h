#pragma once
// The small XML settings reader used for the Quillet importer's settings file.
#include <pugixml.hpp>

#include "support/ansi_split.h"
#include "support/wide_conversion.h"

class cPARAMBASE2 {
 public:
  // Loads `fileName` (default options, encoding detected from the file). On
  // failure `errorText` says why and `root` stays empty.
  explicit cPARAMBASE2(const AnsiString& fileName);
  cPARAMBASE2(const cPARAMBASE2&) = delete;
  cPARAMBASE2& operator=(const cPARAMBASE2&) = delete;

  // The element at `path` below `root`: steps separated by "\" or "/", each
  // selecting the first child element of that name. Empty when `root` is
  // empty or a step finds nothing; a path without steps gives `root`.
  pugi::xml_node GetNode(const AnsiString& path) const;

  // The first text or CDATA child of `element`, as wide text.
  cWIDE NodeTextWide(const pugi::xml_node& element) const;
  // The same in the system ANSI code page.
  AnsiString NodeText(const pugi::xml_node& element) const;

  pugi::xml_node root;
  AnsiString errorText;

 private:
  pugi::xml_document document_;
};
