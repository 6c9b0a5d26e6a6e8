// Whole-file reading and writing for the XML object and the tag scanner.
//
// Paths are ANSI byte strings, handed to the C runtime unchanged (on Windows
// its fopen takes ANSI paths). Content is read and written byte for byte.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace xmldoc {

// A read or write that failed after the file was opened; what() names the
// operation, the file and the system's error text.
class XMLFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The whole content of the file; nothing when it cannot be opened for
// reading. Throws XMLFileError when reading fails after the open.
std::optional<std::string> ReadXMLFile(const std::string& path);

// Creates or replaces the file with exactly `content`. Answers false when the
// file cannot be created; throws XMLFileError when writing or closing it
// fails after that (the file may then be left incomplete).
bool WriteXMLFile(const std::string& path, const std::string& content);

}  // namespace xmldoc
