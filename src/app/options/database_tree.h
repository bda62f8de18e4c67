#pragma once

// The Database page's tree of the disc database in the settings file:
// artists, under each its albums, under each album its songs. Built from the
// file's text in one pass; any text gives a tree of what can be read.

#include "discinfo/disc_model.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rubo {

// The item pictures, in image-list order.
enum class DatabaseIcon { Artist = 0, Album = 1, Song = 2 };

inline constexpr const char kDatabaseArtistPrefix[] = "Artist";
inline constexpr const char kDatabaseTitlePrefix[] = "Title";

struct DatabaseItem {
    static constexpr std::size_t kNoParent = static_cast<std::size_t>(-1);

    DatabaseIcon icon = DatabaseIcon::Artist;
    std::size_t parent = kNoParent; // index of the parent item
    std::string text;               // as shown; never holds a NUL byte
    // Albums only: the section name and the disc id read from it (up to
    // eight leading hexadecimal digits; 0 when there are none).
    std::string section;
    DiscId discId = 0;
};

struct DatabaseTree {
    // In the order made: each item after its parent. Inserting them in this
    // order, each as the last child of its parent, gives the tree.
    std::vector<DatabaseItem> items;

    // The album of an item: an album itself, a song's parent; null for an
    // artist or an index outside the tree.
    const DatabaseItem* albumOf(std::size_t index) const;
};

// Lines end in LF, CR LF or a lone CR; a last line without an end counts.
DatabaseTree buildDatabaseTree(std::string_view contents);

// Reads the file once; a missing or unreadable file gives an empty tree.
DatabaseTree readDatabaseTree(const std::string& path);

} // namespace rubo
