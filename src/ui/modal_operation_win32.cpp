#include "ui/modal_operation_win32.h"

#include "base/message_box_win32.h"

namespace rubo::ui {

ModalOperation::ModalOperation(HWND window)
    : window_(window), wasEnabled_(EnableWindow(window, FALSE) == 0),
      previousOwner_(setMessageOwner(window)) {}

ModalOperation::~ModalOperation() {
    setMessageOwner(previousOwner_);
    if (wasEnabled_)
        EnableWindow(window_, TRUE);
}

} // namespace rubo::ui
