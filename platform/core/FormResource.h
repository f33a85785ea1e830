#pragma once
// Form resources: a component tree stored as a JSON document
//
//   {"class": "TFormCopia", "name": "FormCopia",
//    "properties": {"Caption": "x", "Kind": "fkA", "Options": ["oX"], "Lines": ["a", "b"],
//                   "Price": "12.5", "Picture": "R0lGOD...", "Font": {"Size": 8},
//                   "Link": "Query1", "OnCreate": "FormCreate"},
//    "children": [{"class": "TZip", "name": "Zip1", "properties": {...}}]}
//
// Properties are published properties, written when stored and not at their
// default: integers, floats and date-times as numbers, booleans, enumerations
// by element name, sets as arrays of names, money as decimal text, binary data
// as base64, component references by name, string lists as arrays of lines,
// owned objects as nested property objects, events by published method name
// (bound to the root). Reading creates classes through the class registry.

#include "platform/core/Classes.h"

#include <string>
#include <string_view>

namespace core {

// Creates the root described by `json` (its class found with FindClass), owned
// by `owner`, with its whole tree; on failure nothing is left behind.
// EReadError "Invalid stream format" for a malformed document, EClassNotFound for
// an unknown class, EReadError "Error reading %s.%s: %s" for a bad property,
// EReadError "Error reading %s: components nested more than 256 levels deep"
// for children nested deeper than that below the root.
TComponent* read_component(std::string_view json, TComponent* owner);
// Reads `json` into an existing root (a form calls this on itself); the
// document's class must be the root's class or one of its ancestors.
void read_component_into(TComponent& root, std::string_view json);
// The document of `root` and its children (two-space indented).
std::string write_component(const TComponent& root);
// Files: read whole / replaced whole.
TComponent* read_component_file(const std::string& file_name, TComponent* owner);
void write_component_file(const TComponent& root, const std::string& file_name);

std::string base64_encode(const Bytes& data);
// EConvertError "Invalid base64 data" for text that is not base64.
Bytes base64_decode(std::string_view text);

}  // namespace core
