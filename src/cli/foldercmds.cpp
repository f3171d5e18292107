// SPDX-License-Identifier: MIT
#include "foldercmds.h"

#include <filesystem>
#include <memory>
#include <vector>

#include "pathtext.h"

namespace fs = std::filesystem;

namespace marlox::cli {

namespace {

std::string TypeName(TObjectType type) {
  return std::string(ObjectTypeNames[std::size_t(type)]);
}

}  // namespace

void LoadFolder(TObjectFolder& folder, const std::string& path, std::FILE* err,
                bool noteDuplicates) {
  folder.LoadFromFolder(path);
  for (const std::string& skipped : folder.Skipped())
    std::fprintf(err, "marlox-cli: skipped %s: no object header\n",
                 vexa::PathText(vexa::PathOf(path) / vexa::PathOf(skipped)).c_str());
  if (!noteDuplicates) return;
  for (const TObjectFolder::TDuplicate& d : folder.Duplicates()) {
    std::string files;
    for (const std::string& file : d.Files) files += (files.empty() ? "" : ", ") + file;
    std::fprintf(err, "marlox-cli: %s %d occurs %zu time(s) in %s: %s\n", TypeName(d.Type).c_str(),
                 d.ID, d.Files.size(), path.c_str(), files.c_str());
  }
}

int RunFolderFind(const TCommandLine& line, const TObjectFolder& folder,
                  const TObjectFilter& filter, std::FILE* out) {
  std::string row;
  std::function<bool(std::int32_t)> accept;
  if (!filter.Empty())
    accept = [&](std::int32_t index) { return filter.Matches(folder.GetObject(index)); };
  const std::size_t count = FindAllInSet(
      folder, line.operands[2], line.matchCase,
      [&](const TFoundMatch& m) {
        row = std::to_string(m.Index) + '\t' + folder.GetObject(m.Index).GetDisplayName() + '\t' +
              std::to_string(m.Pos) + '\t' + std::to_string(m.Line) + '\n';
        WriteBytes(out, row);
      },
      accept);
  return count > 0 ? ecSuccess : ecNotFound;
}

int RunJoin(const TCommandLine& line, std::FILE* err) {
  const std::string& target = line.operands.back();
  std::error_code ec;
  if (line.exportMode != TExportMode::emOverwrite &&
      fs::exists(fs::symlink_status(vexa::PathOf(target), ec)))
    throw VexaError("\"" + target + "\" exists already; nothing written (use --overwrite)");
  std::vector<std::unique_ptr<TObjectSet>> owned;
  std::vector<const TObjectSet*> sets;
  for (std::size_t i = 1; i + 1 < line.operands.size(); ++i) {
    const std::string& source = line.operands[i];
    if (IsObjectFolder(source)) {
      auto folder = std::make_unique<TObjectFolder>();
      folder->SetReadProperties(false);
      LoadFolder(*folder, source, err, false);
      owned.push_back(std::move(folder));
    } else {
      auto file = std::make_unique<TObjectTextFile>();
      file->SetReadProperties(false);
      file->LoadFromFile(source);
      // Many files on one command line must not hold a descriptor each.
      file->Stream()->Release();
      owned.push_back(std::move(file));
    }
    sets.push_back(owned.back().get());
  }
  const std::vector<const TObjectTextObject*> objects = ExportOrder(sets);
  for (std::size_t i = 0; i < objects.size();) {
    std::size_t j = i + 1;
    while (j < objects.size() && objects[j]->ObjectType() == objects[i]->ObjectType() &&
           objects[j]->ID() == objects[i]->ID())
      ++j;
    if (j - i > 1) {
      std::string files;
      for (std::size_t k = i; k < j; ++k)
        files += (k == i ? "" : ", ") + objects[k]->Owner().FileName();
      std::fprintf(err, "marlox-cli: %s %d occurs %zu time(s): %s; each is written\n",
                   TypeName(objects[i]->ObjectType()).c_str(), objects[i]->ID(), j - i,
                   files.c_str());
    }
    i = j;
  }
  WriteJoined(objects, target, sets);
  std::fprintf(err, "%zu object(s) written to %s\n", objects.size(), target.c_str());
  return ecSuccess;
}

}  // namespace marlox::cli
