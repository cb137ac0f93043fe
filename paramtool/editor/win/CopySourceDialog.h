// The copy dialog (118): which command block's values the settings window takes over.
#pragma once

#include <windows.h>

#include "Dialog.h"
#include "ParameterDefinition.h"

namespace orvex {

class CopySourceDialog : public Dialog {
 public:
  CopySourceDialog(const ParameterDefinition& definition, int own_block)
      : definition_(definition), own_block_(own_block) {}

  // After IDOK: the chosen command block, 0 when the list was empty.
  int chosen() const { return chosen_; }

 protected:
  bool OnInit() override;
  void OnOk() override;

 private:
  const ParameterDefinition& definition_;
  int own_block_;
  int chosen_ = 0;
};

}  // namespace orvex
