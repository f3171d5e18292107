// SPDX-License-Identifier: MIT
#include "objecticons.h"

TImageList::TImageList(const QStringList& resourceNames) {
  FImages.reserve(std::size_t(resourceNames.size()));
  for (const QString& name : resourceNames) FImages.emplace_back(name);
}

QIcon TImageList::image(int index) const {
  return index >= 0 && index < count() ? FImages[std::size_t(index)] : QIcon();
}

TImageList makeTreeViewImages() {
  return TImageList({":/icons/obj-unknown.svg", ":/icons/obj-table.svg", ":/icons/obj-form.svg",
                     ":/icons/obj-report.svg", ":/icons/obj-dataport.svg",
                     ":/icons/obj-codeunit.svg", ":/icons/obj-xmlport.svg",
                     ":/icons/obj-menusuite.svg", ":/icons/obj-page.svg", ":/icons/obj-query.svg"});
}

TImageList makeToolbuttonImages() {
  return TImageList({":/icons/act-find.svg", ":/icons/act-open.svg", ":/icons/act-font.svg",
                     ":/icons/act-copy.svg", ":/icons/act-export.svg", ":/icons/act-save.svg",
                     ":/icons/act-close.svg"});
}

QIcon applicationIcon() {
  return QIcon(":/icons/app.svg");
}
