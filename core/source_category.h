#pragma once
// The five kinds of source file a project lists: one row each, in the order a
// run cleans them. Adding a kind is one enumerator and one row.

#include <array>
#include <cstddef>
#include <string_view>

#include "messages.h"

namespace velmori {

enum class SourceCategory { Form, Module, Class, UserControl, PropertyPage, kCount };
inline constexpr std::size_t kCategoryCount = static_cast<std::size_t>(SourceCategory::kCount);

struct CategoryInfo {
  SourceCategory category;
  std::string_view key;  // as project files write it; matched without regard to ASCII case
  char separator;        // the value is what follows the first one, when there is one
  const char* progressMessage;
};

inline constexpr std::array<CategoryInfo, kCategoryCount> kCategoryTable = {{
    {SourceCategory::Form, "Form", '=', text::kLoadingForms},
    {SourceCategory::Module, "Module", ';', text::kLoadingModules},
    {SourceCategory::Class, "Class", ';', text::kLoadingClasses},
    {SourceCategory::UserControl, "UserControl", ';', text::kLoadingUserControls},
    {SourceCategory::PropertyPage, "PropertyPage", ';', text::kLoadingPropertyPages},
}};

// Every row filled, each in its enumerator's place: a missing or misplaced row
// would otherwise give a key that matches every line or a null message.
constexpr bool CategoryTableIsComplete() {
  for (std::size_t i = 0; i < kCategoryTable.size(); ++i) {
    const CategoryInfo& row = kCategoryTable[i];
    if (static_cast<std::size_t>(row.category) != i || row.key.empty() ||
        row.separator == '\0' || row.progressMessage == nullptr) {
      return false;
    }
  }
  return true;
}
static_assert(CategoryTableIsComplete(), "kCategoryTable needs one full row per SourceCategory");

constexpr const CategoryInfo& InfoOf(SourceCategory category) {
  return kCategoryTable[static_cast<std::size_t>(category)];
}

}  // namespace velmori
