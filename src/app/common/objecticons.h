// SPDX-License-Identifier: MIT
// The two image lists of the window and the application icon, drawn for this
// program (SVG in the resources).
#pragma once

#include <QIcon>
#include <QStringList>
#include <vector>

class TImageList {
 public:
  explicit TImageList(const QStringList& resourceNames);
  int count() const { return int(FImages.size()); }
  // An index outside the list gives a null icon.
  QIcon image(int index) const;

 private:
  std::vector<QIcon> FImages;
};

// Tree nodes and list rows, indexed by the TObjectType ordinal; 0 is also the file.
TImageList makeTreeViewImages();
// Actions: 0 find, 1 open, 2 font, 3 copy, 4 export; 5 and 6 unused.
TImageList makeToolbuttonImages();
QIcon applicationIcon();
