// SPDX-License-Identifier: MIT
#include "objecticons.h"

namespace {

// The icons' resource names: SVG, or PNG where the build drew them into PNG.
QString icon(const char* name) {
  return QStringLiteral(":/icons/") + QLatin1String(name) + QStringLiteral(MARLOX_ICON_SUFFIX);
}

}  // namespace

TImageList::TImageList(const QStringList& resourceNames) {
  FImages.reserve(std::size_t(resourceNames.size()));
  for (const QString& name : resourceNames) FImages.emplace_back(name);
}

QIcon TImageList::image(int index) const {
  return index >= 0 && index < count() ? FImages[std::size_t(index)] : QIcon();
}

TImageList makeTreeViewImages() {
  return TImageList({icon("obj-unknown"), icon("obj-table"), icon("obj-form"), icon("obj-report"),
                     icon("obj-dataport"), icon("obj-codeunit"), icon("obj-xmlport"),
                     icon("obj-menusuite"), icon("obj-page"), icon("obj-query")});
}

TImageList makeToolbuttonImages() {
  return TImageList({icon("act-find"), icon("act-open"), icon("act-font"), icon("act-copy"),
                     icon("act-export"), icon("act-save"), icon("act-close")});
}

QIcon applicationIcon() {
  return QIcon(icon("app"));
}
