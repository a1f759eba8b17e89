#include "messages.h"

#include "run_failure.h"

namespace velmori {
namespace {

// What failed, for each fault a report names a file for.
const char* WhatFailed(Fault fault) {
  switch (fault) {
    case Fault::ProjectMissing:
    case Fault::MemberMissing: return text::kProjectMissing;
    case Fault::ProjectUnreadable:
    case Fault::KeyWithoutValue:
    case Fault::GroupListsNothing:
    case Fault::GroupInGroup: return text::kProjectUnreadable;
    case Fault::SeveralMatches: return text::kSeveralMatches;
    case Fault::SourceUnreadable:
    case Fault::OutOfMemory: return text::kSourceUnreadable;
    case Fault::NotText: return text::kSourceNotText;
    case Fault::ReadOnly: return text::kReadOnlySource;
    case Fault::NotWritable: return text::kNotWritable;
    case Fault::TempNotCreated: return text::kTempNotCreated;
    case Fault::NotWritten: return text::kNotWritten;
    case Fault::MetadataNotCopied: return text::kMetadataNotCopied;
    case Fault::NotFlushed: return text::kNotFlushed;
    case Fault::NotReplaced: return text::kNotReplaced;
    case Fault::FolderNotFlushed: return text::kFolderNotFlushed;
  }
  return text::kSourceUnreadable;
}

// Why, below the file's name.
std::string Reason(const RunFailure& failure) {
  switch (failure.fault) {
    case Fault::KeyWithoutValue:
      return std::to_string(failure.line) + " 行目: 「" + failure.key + "」の後に値がありません。";
    case Fault::GroupListsNothing: return text::kGroupListsNothing;
    case Fault::GroupInGroup: return text::kGroupInGroup;
    case Fault::SeveralMatches: {
      std::string found = text::kMatchesFound;
      for (const NativeString& match : failure.matches) {
        found += '\n';
        found += NativeToUtf8(match);
      }
      return found;
    }
    case Fault::OutOfMemory: return text::kOutOfMemory;
    case Fault::NotText:
      return std::to_string(failure.line) + " 行目に、コード ページ " +
             std::to_string(failure.codePage) + " の文字として読めないバイトがあります。";
    case Fault::ReadOnly: return DescribeFailure(ReadOnlyError());
    default: return DescribeFailure(failure.status);
  }
}

// Whether the report says the source is as it was: every failure on the way to replacing it.
bool SaysUnchanged(Fault fault) {
  switch (fault) {
    case Fault::NotText:
    case Fault::ReadOnly:
    case Fault::NotWritable:
    case Fault::TempNotCreated:
    case Fault::NotWritten:
    case Fault::MetadataNotCopied:
    case Fault::NotFlushed:
    case Fault::NotReplaced: return true;
    default: return false;
  }
}

}  // namespace

std::string DescribeFailure(OsStatus status) {
  std::string description = DescribeOsError(status);
  return description.empty() ? "エラー コード " + std::to_string(status.code) : description;
}

std::string FailureText(const RunFailure& failure) {
  std::string report = WhatFailed(failure.fault);
  // The window names the project the user gave by the words alone.
  if (failure.fault == Fault::ProjectMissing) return report;
  report += "\n\n";
  report += NativeToUtf8(failure.path);
  if (failure.fault == Fault::MemberMissing) return report;
  report += "\n\n";
  report += Reason(failure);
  if (SaysUnchanged(failure.fault)) {
    report += '\n';
    report += text::kSourceUnchanged;
  }
  if (!failure.leftover.empty()) {
    report += "\n\n";
    report += text::kTempLeftBehind;
    report += '\n';
    report += NativeToUtf8(failure.leftover);
  }
  return report;
}

void ShowFailure(MessagePort& messages, const RunFailure& failure) {
  const bool missing =
      failure.fault == Fault::ProjectMissing || failure.fault == Fault::MemberMissing;
  messages.ShowMessage(FailureText(failure), missing ? MessageKind::Warning : MessageKind::Error);
}

}  // namespace velmori
