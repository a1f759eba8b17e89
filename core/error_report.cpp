#include "error_report.h"

#include <string>

namespace velmori {

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
  ReportFailure(messages, what, path, DescribeOsError(status));
}

}  // namespace velmori
