// SPDX-License-Identifier: MIT
// Folders of object files on the command line: loading one with its notes,
// find over a loaded set, and join.
#pragma once

#include <cstdio>
#include <string>

#include "cli.h"
#include "objectfolder.h"

namespace marlox::cli {

// Loads path into folder and names on err every file it skipped and, when
// noteDuplicates, every type and number found more than once.
void LoadFolder(TObjectFolder& folder, const std::string& path, std::FILE* err,
                bool noteDuplicates);

// find over a loaded folder: the rows of find on a file, in the folder's order.
int RunFolderFind(const TCommandLine& line, const TObjectFolder& folder,
                  const TObjectFilter& filter, std::FILE* out);

// join SOURCE... OUT: every object of the sources in export order, into OUT.
int RunJoin(const TCommandLine& line, std::FILE* err);

}  // namespace marlox::cli
