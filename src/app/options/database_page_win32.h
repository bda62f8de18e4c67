#pragma once

// The "Database" page: the discs of the settings file as a tree of artists,
// albums and songs; a right click edits the chosen album's record.

#include "app/options/database_tree.h"
#include "app/options/options_sheet_win32.h"
#include "ui/gdi_objects_win32.h"

#include <commctrl.h>

#include <vector>

namespace rubo {

inline constexpr const char kSelectAlbumText[] = "Select an album (or a song) to edit the info";

// The items in a tree control, each inserted as the last child of its
// parent when the parent is first expanded, so a large database shows at
// once; an item's lParam is its index.
class DatabaseTreeFill {
public:
    // Empties the control and inserts the top-level items.
    void start(HWND tree, const DatabaseTree& items);
    // TVN_ITEMEXPANDING: inserts the item's children once.
    void expand(HTREEITEM item, LPARAM index);
    std::size_t inserted() const { return inserted_; }

private:
    void insertChildren(HTREEITEM parent, std::size_t parentIndex);

    HWND tree_ = nullptr;
    const DatabaseTree* items_ = nullptr;
    std::vector<std::vector<std::size_t>> children_; // by item; the last holds the roots
    std::vector<bool> filled_;
    std::size_t inserted_ = 0;
};

class Page3 : public ui::ToolTipPropertyPage {
public:
    explicit Page3(OptionsSheetContext& context);
    ~Page3() override;

    const DatabaseTree& tree() const { return tree_; }

protected:
    BOOL onInitDialog() override;
    bool onNotify(NMHDR& header, LRESULT& result) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void onDestroy() override;

private:
    void rebuild();
    void editSelected();

    OptionsSheetContext& context_;
    HIMAGELIST images_ = nullptr;
    DatabaseTree tree_;
    DatabaseTreeFill fill_;
    bool rebuild_ = true;
};

} // namespace rubo
