#include "ModelNumber.h"

#include "Cp932Text.h"

namespace orvex::autoupdate {

int ModelNumber(std::string_view device_name) {
  for (int i = 0; i < kModelCount; ++i) {
    if (StartsWithNoCase(device_name, kModelPrefixes[i])) return i;
  }
  return 0;
}

}  // namespace orvex::autoupdate
