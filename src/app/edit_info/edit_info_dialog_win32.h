#pragma once

// The Edit CD info dialog: edits a private copy of one disc's record on two
// tab pages, imports from CD-TEXT, RUBO.ini, cdplayer.ini and freedb, and
// hands the copy back on Save (or Save && Submit).

#include "app/edit_info/edit_info_model.h"
#include "app/edit_info/edit_info_pages_win32.h"
#include "app/edit_info/info_tab_ctrl_win32.h"
#include "ui/tooltip_dialog_win32.h"

#include <memory>
#include <string>

namespace rubo {

class EventLog;
class MusicBrainzClient;
class SettingsFile;
struct Options;

// What the opener lends: the freedb settings and cdplayer.ini location
// (options), the log of the freedb client, and its drive ("%c:").
struct EditInfoOwner {
    const Options& options;
    EventLog& log;
    std::string drive;
    MusicBrainzClient* musicBrainz = nullptr; // the MusicBrainz import's
};

class CEditCdInfoDialog : public ui::CToolTipDialog {
public:
    // The disc in the drive. `source` is the opener's record, read again on
    // Save to notice a changed disc; cdText only when it is valid.
    CEditCdInfoDialog(HWND parent, SettingsFile& settings, const DiscInfo& source,
                      const DiscInfo* cdText, const EditInfoOwner* owner);
    // A record of the database, not the disc in the drive: no imports.
    CEditCdInfoDialog(HWND parent, SettingsFile& settings, const DiscInfo& storedRecord,
                      const EditInfoOwner* owner);
    ~CEditCdInfoDialog() override;

    // The edited copy; the opener takes it after IDOK.
    const DiscInfo& result() const { return model_.working(); }
    // IDOK or IDCANCEL once the dialog has ended, else 0.
    INT_PTR closedWith() const { return closedWith_; }

    bool preTranslate(MSG& msg) override;

protected:
    bool onCommand(int id, int code, HWND control) override;
    bool onNotify(NMHDR& header, LRESULT& result) override;
    void onOk() override {}
    void onCancel() override { close(IDCANCEL); }
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void onDestroy() override;

private:
    void setUp();
    void close(INT_PTR result);
    void showStatus();
    void applyEnableRules();
    void loadNormal(const EditFields& fields);
    void loadExtended(const EditFields& fields);
    void selectCategory(const std::string& category);
    void enableCategory(bool enabled);
    EditFields readFields() const;
    void showCurrentTrack();
    // After an import of artist, title and track titles.
    void showImportedTitles(const EditFields& fields);
    void onPageCommand(bool normalPage, int id, int code);

    void clearInfo();
    void importCdText();
    void importRuboIni();
    void importCdPlayerIni();
    void importFreedb();
    void importMusicBrainz();
    // The fields and states after an import that replaced the record's text.
    void showImportedRecord();
    // Collect with its messages; false when the dialog has to stay open or
    // has been closed as cancelled.
    bool collect();
    void save();
    void saveAndSubmit();

    SettingsFile& settings_;
    const EditInfoOwner* owner_;
    DiscInfo cdText_;
    EditInfoModel model_;
    CInfoTabCtrl tabs_;
    std::unique_ptr<CNormalInfoPage> normal_;
    std::unique_ptr<CExtendedInfoPage> extended_;
    bool firstPaint_ = true;
    INT_PTR closedWith_ = 0;
};

} // namespace rubo
