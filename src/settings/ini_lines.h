#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// The reader on a section found once: each header of the section and the
// lines after it up to the next header, in file order (offsets into
// `contents`). With `profileHeaderBefore`, also whether a "[" before the
// first of them could start a header of the section for the profile
// functions (see mayHoldProfileHeader()).
struct Block {
    std::size_t header;
    std::size_t begin;
    std::size_t end;
};
void findSectionBlocks(std::string_view contents, std::string_view section,
                       std::vector<Block>& blocks, bool* profileHeaderBefore = nullptr);
// The same value as findValue() from the blocks of the section.
bool findValueInBlocks(std::string_view contents, const std::vector<Block>& blocks,
                       std::string_view key, std::string& value);

// GetPrivateProfileStringA on a file in the profile functions' written form
// (isProfileWrittenForm()), from the section's blocks: only the first section
// of the name counts, and its first line with the key; a line without "="
// gives the default. `read` is the text as the function returns it for a
// buffer of `bufferSize`: surrounding quotes taken off, then cut.
bool findProfileValue(std::string_view contents, const std::vector<Block>& blocks,
                      std::string_view key, std::string& value);
std::string profileCopy(std::string_view text, std::size_t bufferSize);

// The part of a file the writer and the section clearing change for a
// section: from the first line of its first header to the next header after
// its last one (or the end); without a header, the last line. False when the
// section has no header.
bool findSectionRegion(std::string_view contents, std::string_view section, std::size_t& begin,
                       std::size_t& end);

// Whether every line ends in CR LF, as the writer leaves them.
bool endsEveryLineWithCrLf(std::string_view text);

// Whether a "[" in the text could start a header of the section for the
// profile functions of Windows, which trim blanks, end lines also at a CR and
// compare beyond ASCII: anything unsure counts as a header.
bool mayHoldProfileHeader(std::string_view text, std::string_view section);

// Whether the profile functions of Windows write these lines back byte for
// byte: CR LF line ends, no blank line, printable ASCII, no blanks at the
// ends of a line or around the first "=", headers "[name]" with nothing
// after the "]".
bool isProfileWrittenForm(std::string_view text, bool blankLines = false);

// WritePrivateProfileStringA (a null value removes the key) on file
// contents in that form, blank lines allowed where the write changes
// nothing; false (text untouched) when the contents, names or value are
// outside what this is sure of.
bool applyProfileWrite(std::string& text, std::string_view section, std::string_view key,
                       const char* value);

// Section clearing: the entries of the (last) section go, its header and the
// blank lines after its last entry stay.
std::string applyClearSection(std::string_view contents, std::string_view section);

} // namespace rubo::ini
