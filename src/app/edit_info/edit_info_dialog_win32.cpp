#include "app/edit_info/edit_info_dialog_win32.h"

#include "app/main_window/progress_window_win32.h"
#include "base/message_box.h"
#include "discinfo/disc_store.h"
#include "freedb/freedb_lookup.h"
#include "freedb/freedb_operations.h"
#include "musicbrainz/mb_lookup.h"
#include "res/resource.h"
#include "settings/options.h"
#include "settings/profile_api.h"
#include "ui/controls_win32.h"
#include "ui/modal_operation_win32.h"

#include <commctrl.h>
#include <shellapi.h>

namespace rubo {

namespace {

constexpr const char kNormalTabText[] = "Normal";
constexpr const char kExtendedTabText[] = "Extended";
constexpr int kNormalPage = 0;
constexpr int kExtendedPage = 1;

EditInfoInputs inputsFor(const DiscInfo* cdText, bool liveDisc, const EditInfoOwner* owner) {
    EditInfoInputs inputs;
    inputs.cdText = cdText;
    inputs.liveDisc = liveDisc;
    inputs.owner = owner != nullptr;
    inputs.cdPlayerIniSet = owner && !owner->options.cdPlayerIni.empty();
    return inputs;
}

void enable(ui::DialogBase& dialog, int id, bool on) {
    if (!on)
        dialog.enableItem(id, false);
}

} // namespace

CEditCdInfoDialog::CEditCdInfoDialog(HWND parent, SettingsFile& settings, const DiscInfo& source,
                                     const DiscInfo* cdText, const EditInfoOwner* owner)
    : CToolTipDialog(IDD_EDIT_INFO, parent), settings_(settings), owner_(owner),
      cdText_(cdText ? *cdText : DiscInfo{}),
      model_(source, inputsFor(cdText && cdText->valid ? &cdText_ : nullptr, true, owner)) {}

CEditCdInfoDialog::CEditCdInfoDialog(HWND parent, SettingsFile& settings,
                                     const DiscInfo& storedRecord, const EditInfoOwner* owner)
    : CToolTipDialog(IDD_EDIT_INFO, parent), settings_(settings), owner_(owner),
      model_(storedRecord, inputsFor(nullptr, false, owner)) {}

CEditCdInfoDialog::~CEditCdInfoDialog() = default;

bool CEditCdInfoDialog::preTranslate(MSG& msg) {
    // Neither key ends the dialog; Cancel or the close box does.
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE))
        return true;
    return CToolTipDialog::preTranslate(msg);
}

bool CEditCdInfoDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (message == WM_PAINT && firstPaint_) {
        firstPaint_ = false;
        setUp();
    }
    return CToolTipDialog::onMessage(message, wParam, lParam, result);
}

void CEditCdInfoDialog::onDestroy() {
    tabs_.detach();
    CToolTipDialog::onDestroy();
}

void CEditCdInfoDialog::close(INT_PTR result) {
    closedWith_ = result;
    endDialog(result);
}

void CEditCdInfoDialog::setUp() {
    model_.begin();
    showStatus();

    HWND tab = item(IDC_EI_TABS);
    if (!tabs_.attach(tab))
        return;
    normal_ = std::make_unique<CNormalInfoPage>(
        tab, [this](int id, int code) { onPageCommand(true, id, code); });
    extended_ = std::make_unique<CExtendedInfoPage>(
        tab, [this](int id, int code) { onPageCommand(false, id, code); });
    tabs_.addPage(kNormalTabText, normal_->createModeless());
    tabs_.addPage(kExtendedTabText, extended_->createModeless());
    tabs_.showPage(kNormalPage);
    ShowWindow(extended_->hwnd(), SW_HIDE);
    tabs_.placePages();

    const EditFields fields = model_.fieldsFromWorking();
    ui::ComboBox category(normal_->item(IDC_EI_CATEGORY));
    for (const char* name : kCategories)
        category.addString(name);
    loadNormal(fields);
    enableCategory(model_.working().freedbState != kFreedbStateFound);
    extended_->sendItemMessage(IDC_EI_YEAR, EM_LIMITTEXT, kYearMaxDigits, 0);
    loadExtended(fields);
    showCurrentTrack();
    applyEnableRules();
}

void CEditCdInfoDialog::showStatus() {
    setItemText(IDC_EI_DISC_ID, model_.discIdLine());
    setItemText(IDC_EI_FREEDB_STATE, model_.freedbLine());
}

void CEditCdInfoDialog::applyEnableRules() {
    const EditButtonStates states = editButtonStates(model_.working().freedbState, model_.inputs());
    enable(*this, IDC_EI_SAVE_SUBMIT, states.saveSubmit);
    enable(*this, IDC_EI_IMPORT_CDTEXT, states.cdText);
    enable(*this, IDC_EI_IMPORT_FREEDB, states.freedb);
    enable(*this, IDC_EI_IMPORT_MUSICBRAINZ, states.freedb && owner_ && owner_->musicBrainz);
    enable(*this, IDC_EI_IMPORT_RUBO_INI, states.ruboIni);
    enable(*this, IDC_EI_IMPORT_CDPLAYER_INI, states.cdPlayerIni);
}

void CEditCdInfoDialog::loadNormal(const EditFields& fields) {
    if (!normal_)
        return;
    normal_->fillList(IDC_EI_TITLE_LIST, model_.titleLines());
    normal_->setItemText(IDC_EI_ARTIST, fields.artist);
    normal_->setItemText(IDC_EI_TITLE, fields.title);
    selectCategory(fields.category);
}

void CEditCdInfoDialog::loadExtended(const EditFields& fields) {
    if (!extended_)
        return;
    extended_->fillList(IDC_EI_EXTENDED_LIST, model_.extendedLines());
    extended_->setItemText(IDC_EI_YEAR, fields.year);
    extended_->setItemText(IDC_EI_GENRE, fields.genre);
    extended_->setItemText(IDC_EI_EXTENDED, fields.extended);
}

void CEditCdInfoDialog::selectCategory(const std::string& category) {
    ui::ComboBox list(normal_->item(IDC_EI_CATEGORY));
    // Only the exact name, case and all; another one leaves no selection
    // and is kept.
    const int found = list.findStringExact(category);
    list.setCurSel(found != CB_ERR && list.rowText(found) == category ? found : CB_ERR);
}

void CEditCdInfoDialog::enableCategory(bool enabled) {
    if (normal_)
        normal_->enableItem(IDC_EI_CATEGORY, enabled);
}

EditFields CEditCdInfoDialog::readFields() const {
    EditFields fields = model_.fieldsFromWorking();
    if (!normal_ || !extended_)
        return fields;
    fields.artist = normal_->itemText(IDC_EI_ARTIST);
    fields.title = normal_->itemText(IDC_EI_TITLE);
    const std::string category = normal_->itemText(IDC_EI_CATEGORY);
    if (ui::ComboBox(normal_->item(IDC_EI_CATEGORY)).curSel() != CB_ERR)
        fields.category = category;
    fields.genre = extended_->itemText(IDC_EI_GENRE);
    fields.year = extended_->itemText(IDC_EI_YEAR);
    fields.extended = extended_->itemText(IDC_EI_EXTENDED);
    return fields;
}

void CEditCdInfoDialog::showCurrentTrack() {
    const std::string label = model_.trackLabel();
    normal_->setItemText(IDC_EI_TRACK_LABEL, label);
    normal_->setItemText(IDC_EI_TRACK_TITLE, model_.titleField());
    extended_->setItemText(IDC_EI_TRACK_LABEL, label);
    extended_->setItemText(IDC_EI_TRACK_EXTENDED, model_.extendedField());
}

void CEditCdInfoDialog::showImportedTitles(const EditFields& fields) {
    normal_->fillList(IDC_EI_TITLE_LIST, model_.titleLines());
    normal_->setItemText(IDC_EI_ARTIST, fields.artist);
    normal_->setItemText(IDC_EI_TITLE, fields.title);
    // Only titles were imported: the Extended page keeps what is typed there.
    normal_->setItemText(IDC_EI_TRACK_TITLE, model_.titleField());
}

void CEditCdInfoDialog::onPageCommand(bool normalPage, int id, int code) {
    CInfoPage& page = normalPage ? static_cast<CInfoPage&>(*normal_) : *extended_;
    if (code == BN_CLICKED && id == IDC_EI_UPDATE_TITLE) {
        model_.updateTitle(page.itemText(IDC_EI_TRACK_TITLE));
        page.fillList(IDC_EI_TITLE_LIST, model_.titleLines());
        showCurrentTrack();
    } else if (code == BN_CLICKED && id == IDC_EI_UPDATE_EXTENDED) {
        model_.updateExtended(page.itemText(IDC_EI_TRACK_EXTENDED));
        page.fillList(IDC_EI_EXTENDED_LIST, model_.extendedLines());
        showCurrentTrack();
    } else if (code == LBN_SELCHANGE && (id == IDC_EI_TITLE_LIST || id == IDC_EI_EXTENDED_LIST)) {
        model_.selectTrack(static_cast<int>(page.sendItemMessage(id, LB_GETCURSEL, 0, 0)));
        showCurrentTrack();
    }
}

bool CEditCdInfoDialog::onNotify(NMHDR& header, LRESULT& result) {
    // The keyboard also switches tabs.
    if (header.idFrom == IDC_EI_TABS && header.code == TCN_SELCHANGE) {
        tabs_.showPage(static_cast<int>(SendMessageA(header.hwndFrom, TCM_GETCURSEL, 0, 0)));
        result = 0;
        return true;
    }
    return CToolTipDialog::onNotify(header, result);
}

bool CEditCdInfoDialog::onCommand(int id, int code, HWND control) {
    if (code != BN_CLICKED || !normal_ || !extended_)
        return CToolTipDialog::onCommand(id, code, control);
    switch (id) {
    case IDC_EI_SAVE:
        save();
        return true;
    case IDC_EI_SAVE_SUBMIT:
        saveAndSubmit();
        return true;
    case IDC_EI_CLEAR:
        clearInfo();
        return true;
    case IDC_EI_IMPORT_CDTEXT:
        importCdText();
        return true;
    case IDC_EI_IMPORT_RUBO_INI:
        importRuboIni();
        return true;
    case IDC_EI_IMPORT_CDPLAYER_INI:
        importCdPlayerIni();
        return true;
    case IDC_EI_IMPORT_FREEDB:
        importFreedb();
        return true;
    case IDC_EI_IMPORT_MUSICBRAINZ:
        importMusicBrainz();
        return true;
    default:
        return CToolTipDialog::onCommand(id, code, control);
    }
}

void CEditCdInfoDialog::clearInfo() {
    if (!askQuestion(kClearQuestion))
        return;
    EditFields fields = readFields();
    model_.clear(fields);
    showStatus();
    loadNormal(fields);
    enableCategory(true);
    loadExtended(fields);
    showCurrentTrack();
}

void CEditCdInfoDialog::importCdText() {
    EditFields fields = readFields();
    if (model_.importCdText(fields))
        showImportedTitles(fields);
}

void CEditCdInfoDialog::importRuboIni() {
    EditFields fields = readFields();
    if (!model_.importRuboIni(settings_, fields))
        return;
    loadNormal(fields);
    loadExtended(fields);
    // No track's extended data was imported.
    normal_->setItemText(IDC_EI_TRACK_TITLE, model_.titleField());
}

void CEditCdInfoDialog::importCdPlayerIni() {
    if (!owner_)
        return;
    EditFields fields = readFields();
    if (model_.importCdPlayerIni(systemProfileApi(), systemVolumeSerialSource(),
                                 owner_->options.cdPlayerIni, owner_->drive, fields))
        showImportedTitles(fields);
}

void CEditCdInfoDialog::importFreedb() {
    if (!owner_)
        return;
    const Options& options = owner_->options;
    const FreedbServer server = chosenFreedbServer(options);
    FreedbClient client;
    client.setEventLog(owner_->log);
    if (!setUpFreedbClient(client, options, server))
        return;
    bool fetched = false;
    {
        app::ProgressWindow progress(hwnd());
        const ui::ModalOperation operation(hwnd());
        progress.open(kRetrievingInfoText, server.host);
        fetched = fetchDiscInfo(client, querySite(server), model_.working(), progress,
                                options.cddbHack != 0, cddbFallbackServer(options));
        progress.close();
    }
    if (fetched)
        showImportedRecord();
    enableItem(IDC_EI_SAVE_SUBMIT, true);
    if (model_.working().freedbState == kFreedbStateFound)
        enableCategory(false);
    showStatus();
}

void CEditCdInfoDialog::showImportedRecord() {
    const EditFields fields = model_.fieldsFromWorking();
    loadNormal(fields);
    loadExtended(fields);
    showCurrentTrack();
}

void CEditCdInfoDialog::importMusicBrainz() {
    if (!owner_ || !owner_->musicBrainz)
        return;
    const Options& options = owner_->options;
    MbLookupResult result;
    int index = -1;
    {
        app::ProgressWindow progress(hwnd());
        const ui::ModalOperation operation(hwnd());
        progress.open(kRetrievingInfoText, mbServerHost(options.musicBrainzServer));
        result = owner_->musicBrainz->lookup(options, model_.working());
        if (result.status == MbLookupStatus::Found)
            index = chooseRelease(result, progress);
        progress.close();
    }
    if (result.status == MbLookupStatus::Failed) {
        showMessage("%s", result.failureText.c_str());
    } else if (result.status == MbLookupStatus::NothingFound) {
        if (askQuestion(kMbAddDiscQuestion))
            ShellExecuteA(hwnd(), nullptr, result.addDiscUrl.c_str(), nullptr, nullptr,
                          SW_SHOWNORMAL);
    } else if (index >= 0) {
        // The disc's own numbers and addresses stay; Save checks it is still in.
        model_.working() = result.choices[static_cast<std::size_t>(index)].record;
        showImportedRecord();
        enableCategory(true);
        showStatus();
    }
}

bool CEditCdInfoDialog::collect() {
    switch (model_.collect(readFields())) {
    case CollectResult::Stored:
        return true;
    case CollectResult::BadYear:
        showMessage("%s", kYearMessage);
        tabs_.showPage(kExtendedPage);
        SetFocus(extended_->item(IDC_EI_YEAR));
        return false;
    case CollectResult::DiscGone:
        showMessage("%s", kDiscGoneMessage);
        close(IDCANCEL);
        return false;
    }
    return false;
}

void CEditCdInfoDialog::save() {
    if (collect())
        close(IDOK);
}

void CEditCdInfoDialog::saveAndSubmit() {
    if (!owner_)
        return;
    if (!collect())
        return;
    const Options& options = owner_->options;
    const bool test = options.cddbTestSubmit != 0;
    const ui::ModalOperation operation(hwnd());
    if (!askQuestion(test ? kTestSubmitQuestion : kSubmitQuestion))
        return;
    const FreedbServer server = chosenFreedbServer(options);
    FreedbClient client;
    client.setEventLog(owner_->log);
    if (!setUpFreedbClient(client, options, server))
        return;
    {
        app::ProgressWindow progress(hwnd());
        progress.open(kSubmittingInfoText, server.host);
        submitDiscInfo(client, submitSite(server), model_.working(), test,
                       options.cddbEmailAddress);
        progress.close();
    }
    close(IDOK);
}

} // namespace rubo
