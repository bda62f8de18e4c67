#pragma once

#include <string>
#include <string_view>
#include <vector>

// The line rules of the settings file, on the file's contents in memory.
// Nothing is trimmed; section names and keys compare without regard to case.
namespace rubo::ini {

bool equalsNoCase(std::string_view a, std::string_view b);

// Splits contents into lines without their line ends ("\n", "\r\n"); a last
// line without a line end counts, an empty file has no lines.
std::vector<std::string_view> splitLines(std::string_view contents);

// Joins lines, each followed by the file line end.
std::string joinLines(const std::vector<std::string_view>& lines);

// The reader: the value of the first matching key of the section; false
// when there is none.
bool findValue(std::string_view contents, std::string_view section, std::string_view key,
               std::string& value);

// The writer: the file contents after setting the key (an empty value
// removes it).
std::string applyWrite(std::string_view contents, std::string_view section, std::string_view key,
                       std::string_view value);

// Section clearing: the entries of the (last) section go, its header and the
// blank lines after its last entry stay.
std::string applyClearSection(std::string_view contents, std::string_view section);

} // namespace rubo::ini
