#pragma once

// The one dialog base of the program: a dialog from a template, modal or
// modeless, whose static procedure keeps `this` in DWLP_USER and calls the
// virtual handlers below. Nothing may throw out of a handler.

#include <windows.h>

#include <prsht.h>

#include <string>

namespace rubo::ui {

// Messages a dialog reflects back to the child that caused them
// (WM_DRAWITEM, WM_CTLCOLORSTATIC, WM_CTLCOLORBTN): kReflectBase + message.
inline constexpr UINT kReflectBase = WM_USER + 0x1C00;

class DialogBase {
public:
    DialogBase(int templateId, HWND parent);
    virtual ~DialogBase();
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    // DialogBoxParamA; the value given to endDialog, -1 when it cannot start.
    INT_PTR doModal();
    // CreateDialogParamA; null on failure. The window is not shown.
    HWND createModeless();

    HWND hwnd() const { return hwnd_; }
    HWND parent() const { return parent_; }
    int templateId() const { return templateId_; }
    HWND item(int controlId) const { return GetDlgItem(hwnd_, controlId); }
    LRESULT sendItemMessage(int controlId, UINT message, WPARAM wParam, LPARAM lParam) const {
        return SendDlgItemMessageA(hwnd_, controlId, message, wParam, lParam);
    }
    // A control's text; empty without the control.
    std::string itemText(int controlId) const;
    void setItemText(int controlId, const char* text) { SetDlgItemTextA(hwnd_, controlId, text); }
    void setItemText(int controlId, const std::string& text) {
        setItemText(controlId, text.c_str());
    }
    void enableItem(int controlId, bool enabled) {
        EnableWindow(item(controlId), enabled ? TRUE : FALSE);
    }
    void checkItem(int controlId, bool checked) {
        CheckDlgButton(hwnd_, controlId, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    bool isItemChecked(int controlId) const {
        return IsDlgButtonChecked(hwnd_, controlId) == BST_CHECKED;
    }
    // Fills a property-sheet page whose window the sheet creates from the
    // template and this object then handles.
    void fillPage(PROPSHEETPAGEA& page);
    // EndDialog for a modal dialog, DestroyWindow for a modeless one.
    void endDialog(INT_PTR result);

    // Every message of this thread's loops passes here before dispatch
    // (see MessageFilter); true when it was used up.
    virtual bool preTranslate(MSG& msg);

    // The live dialog whose window is `window` or holds it as a descendant,
    // innermost first; null when none.
    static DialogBase* fromWindow(HWND window);

protected:
    // Return TRUE to let the dialog manager set the focus.
    virtual BOOL onInitDialog() { return TRUE; }
    // true when handled. IDOK/IDCANCEL reach onOk/onCancel when unhandled.
    virtual bool onCommand(int id, int code, HWND control);
    virtual bool onNotify(NMHDR& header, LRESULT& result);
    virtual void onTimer(UINT_PTR id) { (void)id; }
    virtual void onOk() { endDialog(IDOK); }
    virtual void onCancel() { endDialog(IDCANCEL); }
    // WM_CLOSE; the default runs onCancel.
    virtual void onClose() { onCancel(); }
    virtual void onDestroy() {}
    // Every other message. Set `result` and return true when handled; the
    // base returns it as the procedure's value for messages that return one
    // directly (WM_CTLCOLOR*, WM_QUERYDRAGICON...) and in DWLP_MSGRESULT
    // otherwise.
    virtual bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK pageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void attach(HWND window);
    void detach();

    int templateId_;
    HWND parent_;
    HWND hwnd_ = nullptr;
    bool modal_ = false;
};

} // namespace rubo::ui
