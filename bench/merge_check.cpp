// SPDX-License-Identifier: MIT
// marlox-merge-check DIR RESULT: holds a merge's RESULT against DIR/expected.txt
// (from marlox-gen --merge), object by object, and counts the conflicts that
// git merge-file, a plain line-based three-way merge, finds in the objects
// changed on both sides.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "linemerge.h"
#include "vexafile.h"

namespace {

using TKey = std::pair<std::string, std::int32_t>;

TKey KeyOf(const TObjectTextObject& object) {
  return {std::string(ObjectTypeNames[std::size_t(object.ObjectType())]), object.ID()};
}

// The type name a header's type word stands for: its first letter decides.
std::string TypeOfWord(const std::string& word) {
  for (std::size_t t = 1; t < ObjectTypeCount; ++t)
    if (!word.empty() && ObjectTypeNames[t][0] == word[0]) return std::string(ObjectTypeNames[t]);
  return std::string(ObjectTypeNames[0]);
}

std::map<TKey, std::int32_t> Index(const TObjectTextFile& file) {
  std::map<TKey, std::int32_t> index;
  for (std::int32_t i = 0; i < file.GetCount(); ++i) index.emplace(KeyOf(file.GetObject(i)), i);
  return index;
}

std::string TextOf(const TObjectTextFile& file, const std::map<TKey, std::int32_t>& index,
                   const TKey& key) {
  const auto it = index.find(key);
  return it == index.end() ? std::string() : file.GetObject(it->second).GetText();
}

void Write(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "Usage: marlox-merge-check DIR RESULT\n");
    return 2;
  }
  const std::string dir = argv[1];
  try {
    TObjectTextFile files[5];
    const std::string names[5] = {dir + "/original.txt", dir + "/modified.txt", dir + "/target.txt",
                                  dir + "/expected.txt", argv[2]};
    for (int i = 0; i < 5; ++i) files[i].LoadFromFile(names[i]);
    std::map<TKey, std::int32_t> index[5];
    for (int i = 0; i < 5; ++i) index[i] = Index(files[i]);
    std::map<TKey, bool> both;  // changed on both sides: whether a conflict is right
    std::ifstream list(dir + "/both.txt");
    std::string type;
    std::int32_t id = 0;
    int conflict = 0;
    while (list >> type >> id >> conflict) both[{TypeOfWord(type), id}] = conflict != 0;

    int right = 0, rightBoth = 0, conflicts = 0, blocks = 0, rightConflicts = 0, wrong = 0,
        unneeded = 0, missing = 0;
    std::map<TKey, bool> seen;
    for (const auto& [key, i] : index[3]) seen[key] = true;
    for (const auto& [key, i] : index[4]) seen[key] = true;
    for (const auto& [key, unused] : seen) {
      const auto it = both.find(key);
      const bool conflictRight = it != both.end() && it->second;
      if (!index[4].count(key) || !index[3].count(key)) {
        ++missing;
        continue;
      }
      const std::string result = TextOf(files[4], index[4], key);
      const std::size_t found = merge::FindConflicts(result).size();
      if (found > 0) {
        ++conflicts;
        blocks += int(found);
        (conflictRight ? rightConflicts : unneeded) += 1;
      } else if (result == TextOf(files[3], index[3], key) && !conflictRight) {
        ++right;
        rightBoth += it != both.end();
      } else {
        ++wrong;
        if (wrong <= 5) std::fprintf(stderr, "wrong: %s %d\n", key.first.c_str(), key.second);
      }
    }

    // git merge-file TARGET ORIGINAL MODIFIED exits with the number of conflicts.
    int gitBlocks = 0, gitObjects = 0;
    const std::string o = dir + "/git.o", a = dir + "/git.a", b = dir + "/git.b";
    for (const auto& [key, unused] : both) {
      Write(o, TextOf(files[0], index[0], key));
      Write(a, TextOf(files[1], index[1], key));
      Write(b, TextOf(files[2], index[2], key));
      const int status = std::system(
          ("git merge-file -p --diff3 '" + b + "' '" + o + "' '" + a + "' >/dev/null").c_str());
      const int count = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
      if (count > 0 && count < 127) {
        gitBlocks += count;
        ++gitObjects;
      }
    }
    for (const std::string& path : {o, a, b}) std::remove(path.c_str());
    std::printf(
        "objects %zu\nchanged on both sides %zu\nright %d\nright of both sides %d\n"
        "conflicts %d\nconflict blocks %d\nright conflicts %d\nunneeded conflicts %d\n"
        "wrong %d\nmissing or extra %d\ngit conflict objects %d\ngit conflict blocks %d\n",
        seen.size(), both.size(), right, rightBoth, conflicts, blocks, rightConflicts, unneeded,
        wrong, missing, gitObjects, gitBlocks);
    return wrong == 0 && missing == 0 ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "marlox-merge-check: %s\n", e.what());
    return 2;
  }
}
