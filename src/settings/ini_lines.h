#pragma once

#include <string>
#include <string_view>

// The line rules of the settings file, on the file's contents in memory.
// Nothing is trimmed; section names and keys compare without regard to case.
namespace rubo::ini {

bool equalsNoCase(std::string_view a, std::string_view b);

// The reader: the value of the first matching key of the section; false
// when there is none.
bool findValue(std::string_view contents, std::string_view section, std::string_view key,
               std::string& value);

// The writer: the file contents after setting the key (an empty value
// removes it), every line ending in CR LF. The second form reuses `out`.
std::string applyWrite(std::string_view contents, std::string_view section, std::string_view key,
                       std::string_view value);
void applyWrite(std::string_view contents, std::string_view section, std::string_view key,
                std::string_view value, std::string& out);

// Section clearing: the entries of the (last) section go, its header and the
// blank lines after its last entry stay.
std::string applyClearSection(std::string_view contents, std::string_view section);

} // namespace rubo::ini
