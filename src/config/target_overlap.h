#pragma once
// Tasks whose targets are one folder, or one inside the other: the service would copy each task
// over the other's files and undo its own work. Folders are compared as Windows resolves a path,
// on the targets decoded from the file's code page; each front end decodes with its own means.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/document.h"

namespace qv {

enum class OverlapKind { kSameFolder, kInside };

struct TargetOverlap {
  std::size_t task;   // the later task, or the one whose target lies inside
  OverlapKind kind;
  std::size_t other;  // the earlier task with the same folder, or the one around `task`'s
  friend bool operator==(const TargetOverlap&, const TargetOverlap&) = default;
};

// A target's bytes as text, or nothing where they do not decode in the file's code page.
using TargetDecoder = std::function<std::optional<std::u32string>(std::string_view bytes)>;

// Only full drive paths take part: a network path is no folder the service can write to, and
// where a drive-relative one ("d:", "C:Data") lies depends on the service's current folders.
// The same folder comes first, in task order, naming the first task that has it; then each
// target inside another, naming the outermost one around it.
std::vector<TargetOverlap> FindTargetOverlaps(const ConfigDocument& doc,
                                              const TargetDecoder& decode);

// A target's text as Windows reads it: decoded where it decodes, else byte by byte (a byte then
// stands for itself, which cannot make two different folders look the same).
std::u32string DecodedTarget(std::string_view bytes, const TargetDecoder& decode);

// One spelling per folder of a full drive path, as Windows resolves it: one kind of separator,
// "." and ".." resolved, the dots and blanks that end the path dropped and the one dot that ends
// a folder name inside it, letters in one case as Windows compares file names.
std::u32string FolderKey(std::u32string_view path);

}  // namespace qv
