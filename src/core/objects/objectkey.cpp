// SPDX-License-Identifier: MIT
#include "objectkey.h"

TObjectKey KeyOf(const TObjectTextFile& file, std::int32_t index) {
  const TObjectTextObject& object = file.GetObject(index);
  TObjectKey key{object.ObjectType(), object.ID(), 0};
  for (std::int32_t i = 0; i < index; ++i) {
    const TObjectTextObject& other = file.GetObject(i);
    if (other.ObjectType() == key.Type && other.ID() == key.ID) ++key.Occurrence;
  }
  return key;
}

std::int32_t IndexOf(const TObjectTextFile& file, const TObjectKey& key) {
  std::int32_t found = -1;
  std::int32_t seen = 0;
  for (std::int32_t i = 0; i < file.GetCount(); ++i) {
    const TObjectTextObject& object = file.GetObject(i);
    if (object.ObjectType() != key.Type || object.ID() != key.ID) continue;
    found = i;
    if (seen++ == key.Occurrence) break;
  }
  return found;
}
