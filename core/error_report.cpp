#include "error_report.h"

#include <string>

#include "messages.h"

namespace velmori {

std::string DescribeFailure(OsStatus status) {
  std::string description = DescribeOsError(status);
  return description.empty() ? text::ErrorCode(status.code) : description;
}

void ReportFailure(MessagePort& messages, std::string_view what, const NativeString& path,
                   std::string_view description) {
  std::string text(what);
  text += "\n\n";
  text += NativeToUtf8(path);
  text += "\n\n";
  text += description;
  messages.ShowMessage(text, MessageKind::Error);
}

void ReportFailure(MessagePort& messages, std::string_view what, const NativeString& path,
                   OsStatus status) {
  ReportFailure(messages, what, path, DescribeFailure(status));
}

}  // namespace velmori
