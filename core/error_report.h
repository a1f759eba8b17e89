#pragma once
// The error report: one error message naming what failed, the file and the
// system's own description of the failure.

#include <string>
#include <string_view>

#include "os/file_system.h"
#include "ui_port.h"

namespace velmori {

// The system's description of a failure, or its code where it has none.
std::string DescribeFailure(OsStatus status);

void ReportFailure(MessagePort& messages, std::string_view what, const NativeString& path,
                   std::string_view description);
void ReportFailure(MessagePort& messages, std::string_view what, const NativeString& path,
                   OsStatus status);

}  // namespace velmori
