// SPDX-License-Identifier: MIT
// Where the settings file lives: beside the executable for a copy that can
// keep it there, in the user's configuration directory for an installed one.
#pragma once

#include <string>

// The settings file beside the executable at executablePath when that file
// exists already or its directory can be written to (a portable copy, as
// the program has always kept it); otherwise the settings file in
// userConfigDir, which is created with every missing level. When it cannot
// be created, the later write reports the failure with the file's name.
std::string ChooseSettingsFile(const std::string& executablePath, const std::string& userConfigDir);

// Whether the current user may create files in directory.
bool DirectoryWritable(const std::string& directory);
