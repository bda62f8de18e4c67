#pragma once

// Bounded whole-file reading for disc and CD-TEXT files.

#include <cstddef>
#include <string>
#include <vector>

namespace rubo::vdrive {

enum class ReadStatus { Ok, CannotOpen, TooLarge };

// Reads at most maxBytes; a longer file gives TooLarge and no bytes.
ReadStatus readFileBounded(const std::string& path, std::size_t maxBytes,
                           std::vector<unsigned char>& bytes);

} // namespace rubo::vdrive
