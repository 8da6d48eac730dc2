// The JSON header of an ISF shader: recognised by the comment that opens
// the file, parsed with every size bounded, and faults reported at the
// file's line and column.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

struct IsfHeader {
  int version = 2;          // 1 where ISFVSN is missing
  nlohmann::json object;    // the parsed header, a JSON object
  std::size_t end = 0;      // offset just past the closing "*/"
};

// True when the text opens (after white space) with a comment whose
// content starts with '{': the text is an ISF file.
bool IsIsfText(const std::string& text);

// Parses the header of an ISF text; false with `error` ("path:line:column:
// error: ...") when the JSON is malformed or is not an object.
bool ParseIsfHeader(const std::string& text, const std::string& path, IsfHeader& header,
                    std::string& error);

// The 1-based line of byte `offset` of `text`.
int LineAt(const std::string& text, std::size_t offset);
