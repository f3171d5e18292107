// SPDX-License-Identifier: MIT
#pragma once

#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace merge {

// The target's keys in its order, and the keys only the modified side has,
// each right after the key it follows there (at the start when it follows
// none), so that both sides' additions keep their places.
template <typename Key, typename Hash = std::hash<Key>>
std::vector<Key> OrderedUnion(const std::vector<Key>& modified, const std::vector<Key>& target) {
  const std::unordered_set<Key, Hash> inTarget(target.begin(), target.end());
  std::vector<Key> leading;
  std::unordered_map<Key, std::vector<Key>, Hash> followers;
  const Key* anchor = nullptr;
  for (const Key& key : modified) {
    if (inTarget.count(key)) {
      anchor = &key;
    } else {
      (anchor ? followers[*anchor] : leading).push_back(key);
    }
  }
  std::vector<Key> result = std::move(leading);
  result.reserve(result.size() + target.size());
  for (const Key& key : target) {
    result.push_back(key);
    const auto it = followers.find(key);
    if (it != followers.end()) result.insert(result.end(), it->second.begin(), it->second.end());
  }
  return result;
}

}  // namespace merge

namespace merge {

// The order of a merged sequence: the modified side's when the target kept
// the original's order, else the target's, with the other side's own keys
// after the key they follow there.
template <typename Key, typename Hash = std::hash<Key>>
std::vector<Key> MergedOrder(const std::vector<Key>* original, const std::vector<Key>& modified,
                             const std::vector<Key>& target) {
  if (original && *original == target) return OrderedUnion<Key, Hash>(target, modified);
  return OrderedUnion<Key, Hash>(modified, target);
}

}  // namespace merge
