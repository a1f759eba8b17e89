#pragma once
// What stopped a run, as data: which failure, on which file, with which system
// status. The front ends put it into words (FailureText in messages.h).

#include <cstdint>
#include <string>
#include <vector>

#include "os/file_system.h"

namespace velmori {

enum class Fault {
  ProjectMissing,     // the project named is not there (or is a folder, hidden or a system file)
  MemberMissing,      // a project that a group lists is not there
  ProjectUnreadable,  // status
  KeyWithoutValue,    // line, key
  GroupListsNothing,
  GroupInGroup,        // path: the group that a group lists
  SeveralMatches,      // path: as listed; matches: its names in other letter cases
  SourceUnreadable,    // status
  OutOfMemory,
  NotText,             // line, codePage
  ReadOnly,            // the source needs cleaning; the rest stops the same way:
  NotWritable,         // status
  TempNotCreated,      // status
  NotWritten,          // status, leftover
  MetadataNotCopied,   // status, leftover
  NotFlushed,          // status, leftover
  NotReplaced,         // status, leftover
  FolderNotFlushed,    // path: the folder, whose files are replaced; status
};

struct RunFailure {
  Fault fault = Fault::SourceUnreadable;
  NativeString path;  // the file (or folder) it concerns
  OsStatus status;    // the system's reason, where there is one
  NativeString leftover;               // a temporary file that could not be removed
  std::vector<NativeString> matches;   // SeveralMatches
  std::int64_t line = 0;               // 1-based: KeyWithoutValue, NotText
  std::string key;                     // KeyWithoutValue: as the line writes it (ANSI)
  unsigned codePage = 0;               // NotText
};

inline RunFailure FailureOf(Fault fault, const NativeString& path, OsStatus status = {}) {
  RunFailure failure;
  failure.fault = fault;
  failure.path = path;
  failure.status = status;
  return failure;
}

}  // namespace velmori
