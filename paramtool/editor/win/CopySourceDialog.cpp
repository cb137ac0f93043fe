#include "CopySourceDialog.h"

#include "EditorIds.h"
#include "SettingsTexts.h"
#include "ShowMessage.h"
#include "Wide.h"

namespace orvex {

bool CopySourceDialog::OnInit() {
  for (const CopySource& source : CopySources(definition_, own_block_)) {
    const LRESULT at = SendItem(IDC_COPY_SOURCE_LIST, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(ToWide(source.text).c_str()));
    if (at == CB_ERR || at == CB_ERRSPACE ||
        SendItem(IDC_COPY_SOURCE_LIST, CB_SETITEMDATA, static_cast<WPARAM>(at), source.block) == CB_ERR) {
      ShowFailure(hwnd(), kCopyListFailedText);
      End(IDCANCEL);
      return true;
    }
  }
  SendItem(IDC_COPY_SOURCE_LIST, CB_SETCURSEL, 0);
  return true;
}

void CopySourceDialog::OnOk() {
  const LRESULT at = SendItem(IDC_COPY_SOURCE_LIST, CB_GETCURSEL);
  chosen_ = at == CB_ERR
                ? 0
                : static_cast<int>(SendItem(IDC_COPY_SOURCE_LIST, CB_GETITEMDATA, static_cast<WPARAM>(at)));
  End(IDOK);
}

}  // namespace orvex
