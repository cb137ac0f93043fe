#include "ExtensionDialog.h"

#include "FileListRules.h"
#include "FlashIds.h"

namespace orvex::flash {

INT_PTR ExtensionDialog::Run(HWND parent, HINSTANCE instance) {
  return RunModal(instance ? instance : GetModuleHandleW(nullptr), IDD_FLASH_EXTENSION, parent);
}

bool ExtensionDialog::OnInit() {
  SetItemText(IDC_EXTENSION_EDIT, extension_);
  SendItem(IDC_EXTENSION_EDIT, EM_SETSEL, 0, -1);
  SetFocus(Item(IDC_EXTENSION_EDIT));
  return false;
}

void ExtensionDialog::OnOk() {
  extension_ = NormalizeExtension(GetItemText(IDC_EXTENSION_EDIT));
  End(IDOK);
}

}  // namespace orvex::flash
