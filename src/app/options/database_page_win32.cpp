#include "app/options/database_page_win32.h"

#include "app/edit_info/edit_info_dialog_win32.h"
#include "base/message_box.h"
#include "discinfo/disc_store.h"
#include "res/resource.h"
#include "settings/settings_file.h"

#include <algorithm>
#include <vector>

namespace rubo {

namespace {

constexpr int kIconSize = 16;
constexpr int kIconCount = 3;
constexpr int kIcons[kIconCount] = {IDI_DB_ARTIST, IDI_DB_ALBUM, IDI_DB_SONG};

} // namespace

void DatabaseTreeFill::start(HWND tree, const DatabaseTree& items) {
    tree_ = tree;
    items_ = &items;
    inserted_ = 0;
    const std::size_t count = items.items.size();
    children_.assign(count + 1, {});
    filled_.assign(count, false);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t parent = items.items[i].parent;
        if (parent == DatabaseItem::kNoParent)
            children_[count].push_back(i);
        else if (parent < i)
            children_[parent].push_back(i);
    }
    SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    insertChildren(TVI_ROOT, count);
}

void DatabaseTreeFill::expand(HTREEITEM item, LPARAM index) {
    if (!items_ || index < 0 || static_cast<std::size_t>(index) >= filled_.size())
        return;
    const auto at = static_cast<std::size_t>(index);
    if (filled_[at])
        return;
    filled_[at] = true;
    insertChildren(item, at);
}

void DatabaseTreeFill::insertChildren(HTREEITEM parent, std::size_t parentIndex) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
    for (std::size_t i : children_[parentIndex]) {
        const DatabaseItem& entry = items_->items[i];
        insert.item.pszText = const_cast<char*>(entry.text.c_str());
        insert.item.iImage = static_cast<int>(entry.icon);
        insert.item.iSelectedImage = insert.item.iImage;
        insert.item.lParam = static_cast<LPARAM>(i);
        insert.item.cChildren = children_[i].empty() ? 0 : 1;
        if (SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)))
            ++inserted_;
    }
}

Page3::Page3(OptionsSheetContext& context)
    : ToolTipPropertyPage(IDD_OPTIONS_DATABASE), context_(context) {}

Page3::~Page3() {
    if (images_)
        ImageList_Destroy(images_);
}

BOOL Page3::onInitDialog() {
    ToolTipPropertyPage::onInitDialog();
    images_ = ImageList_Create(kIconSize, kIconSize, ILC_COLOR32 | ILC_MASK, kIconCount, 0);
    if (images_) {
        for (int id : kIcons) {
            HICON icon =
                static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                              IMAGE_ICON, kIconSize, kIconSize, 0));
            ImageList_AddIcon(images_, icon);
            if (icon)
                DestroyIcon(icon);
        }
        sendItemMessage(IDC_OPT_DATABASE, TVM_SETIMAGELIST, TVSIL_NORMAL,
                        reinterpret_cast<LPARAM>(images_));
    }
    return TRUE;
}

bool Page3::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (message == WM_PAINT && rebuild_) {
        rebuild_ = false;
        rebuild();
    }
    return ToolTipPropertyPage::onMessage(message, wParam, lParam, result);
}

void Page3::rebuild() {
    HWND control = item(IDC_OPT_DATABASE);
    SendMessageA(control, WM_SETREDRAW, FALSE, 0);
    tree_ = readDatabaseTree(context_.settings->path());
    fill_.start(control, tree_);
    SendMessageA(control, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(control, nullptr, TRUE);
}

bool Page3::onNotify(NMHDR& header, LRESULT& result) {
    // The control speaks the parent's character set; the fields read here
    // lie at the same places in both forms.
    if (header.idFrom == IDC_OPT_DATABASE &&
        (header.code == TVN_ITEMEXPANDINGA || header.code == TVN_ITEMEXPANDINGW)) {
        const auto& change = reinterpret_cast<const NMTREEVIEWA&>(header);
        if (change.action & TVE_EXPAND)
            fill_.expand(change.itemNew.hItem, change.itemNew.lParam);
        result = FALSE;
        return true;
    }
    if (header.idFrom == IDC_OPT_DATABASE && header.code == NM_RCLICK) {
        editSelected();
        result = TRUE;
        return true;
    }
    return ToolTipPropertyPage::onNotify(header, result);
}

void Page3::editSelected() {
    HWND control = item(IDC_OPT_DATABASE);
    // The item under the mouse becomes the selected one.
    TVHITTESTINFO hit{};
    GetCursorPos(&hit.pt);
    ScreenToClient(control, &hit.pt);
    if (SendMessageA(control, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) && hit.hItem)
        SendMessageA(control, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(hit.hItem));
    TVITEMA selected{};
    selected.hItem =
        reinterpret_cast<HTREEITEM>(SendMessageA(control, TVM_GETNEXTITEM, TVGN_CARET, 0));
    selected.mask = TVIF_PARAM;
    const bool read = selected.hItem &&
                      SendMessageA(control, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&selected));
    const DatabaseItem* album =
        read ? tree_.albumOf(static_cast<std::size_t>(selected.lParam)) : nullptr;
    if (!album) {
        showMessage("%s", kSelectAlbumText);
        return;
    }
    DiscInfo record;
    record.discId = album->discId;
    readRuboIniEntry(*context_.settings, record);
    // No drive gives this disc's track list: it has a track for each
    // numbered line read.
    record.trackList.trackCount = std::max(0, record.trackList.entryCount() - 1);
    const EditInfoOwner owner{*context_.saved, *context_.log, context_.drive};
    CEditCdInfoDialog dialog(GetParent(hwnd()), *context_.settings, record, &owner);
    if (dialog.doModal() != IDOK)
        return;
    reportSave(saveDiscInfo(*context_.settings, dialog.result()), context_.settings->path());
    rebuild_ = true;
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void Page3::onDestroy() {
    sendItemMessage(IDC_OPT_DATABASE, TVM_SETIMAGELIST, TVSIL_NORMAL, 0);
    ToolTipPropertyPage::onDestroy();
}

} // namespace rubo
