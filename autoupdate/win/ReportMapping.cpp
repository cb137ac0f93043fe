#include "ReportMapping.h"

namespace orvex::autoupdate {

ReportMapping::Result ReportMapping::Create() {
  view_.Reset();
  SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  mapping_.Reset(CreateFileMappingW(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0, kReportBufferSize, nullptr));
  if (!mapping_) return kCreateFailed;
  view_.Reset(MapViewOfFile(mapping_.Get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (!view_) return kMapFailed;
  return kOk;
}

void ReportMapping::ClearText() { ClearReportText(Bytes(), Mapped() ? kReportBufferSize : 0); }

std::string ReportMapping::Text() const { return GetReportText(Bytes(), Mapped() ? kReportBufferSize : 0); }

void ReportMapping::SetResumeValue(uint32_t value) { PutResumeValue(Bytes(), Mapped() ? kReportBufferSize : 0, value); }

uint32_t ReportMapping::ResumeValue() const { return GetResumeValue(Bytes(), Mapped() ? kReportBufferSize : 0); }

}  // namespace orvex::autoupdate
