// SPDX-License-Identifier: MIT
#include "objectkey.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {

using TTypeAndID = std::pair<int, std::int32_t>;

TTypeAndID TypeAndID(const TObjectTextObject& object) {
  return {int(object.ObjectType()), object.ID()};
}

}  // namespace

std::vector<TObjectKey> KeysOf(const TObjectSet& file, const std::vector<std::int32_t>& indexes) {
  std::vector<std::int32_t> occurrence(std::size_t(file.GetCount()), 0);
  std::map<TTypeAndID, std::int32_t> seen;
  for (std::int32_t i = 0; i < file.GetCount(); ++i)
    occurrence[std::size_t(i)] = seen[TypeAndID(file.GetObject(i))]++;
  std::vector<TObjectKey> keys;
  keys.reserve(indexes.size());
  for (const std::int32_t index : indexes) {
    const TObjectTextObject& object = file.GetObject(index);
    keys.push_back({object.ObjectType(), object.ID(), occurrence[std::size_t(index)]});
  }
  return keys;
}

std::vector<std::int32_t> IndexesOf(const TObjectSet& file, const std::vector<TObjectKey>& keys) {
  // Every object of each type and number, in file order.
  std::map<TTypeAndID, std::vector<std::int32_t>> objects;
  for (const TObjectKey& key : keys) objects[{int(key.Type), key.ID}];
  for (std::int32_t i = 0; i < file.GetCount(); ++i)
    if (const auto it = objects.find(TypeAndID(file.GetObject(i))); it != objects.end())
      it->second.push_back(i);
  std::vector<std::int32_t> indexes;
  indexes.reserve(keys.size());
  for (const TObjectKey& key : keys) {
    const std::vector<std::int32_t>& found = objects[{int(key.Type), key.ID}];
    if (found.empty())
      indexes.push_back(-1);
    else
      indexes.push_back(found[std::min(std::size_t(key.Occurrence), found.size() - 1)]);
  }
  return indexes;
}
