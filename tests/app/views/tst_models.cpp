// SPDX-License-Identifier: MIT
// The tree and list models: consistent for Qt's views at every step, and
// producing each node and row from the data callback, on demand.
#include <QAbstractItemModelTester>
#include <QIcon>
#include <QTest>

#include "objecticons.h"
#include "objectmodels.h"

namespace {

void fill(int index, TItemData& item) {
  item.Caption = QStringLiteral("Caption %1").arg(index);
  item.SubItems[0] = QString::number(-index);
  item.SubItems[1] = QStringLiteral("Name %1").arg(index);
  item.ImageIndex = index % 10;
}

}  // namespace

class TestModels : public QObject {
  Q_OBJECT

 private slots:
  void imagesAreDrawn() {
    const TImageList tree = makeTreeViewImages();
    const TImageList tool = makeToolbuttonImages();
    QCOMPARE(tree.count(), 10);
    QCOMPARE(tool.count(), 7);
    for (const TImageList* list : {&tree, &tool})
      for (int i = 0; i < list->count(); ++i) {
        const QPixmap pixmap = list->image(i).pixmap(16, 16);
        QVERIFY2(!pixmap.isNull(), qPrintable(QStringLiteral("image %1").arg(i)));
        QCOMPARE(pixmap.size(), QSize(16, 16));
      }
    QVERIFY(tree.image(10).isNull());
    QVERIFY(!applicationIcon().pixmap(32, 32).isNull());
  }

  void treeHasRootAndOneLevelOfObjects() {
    const TImageList images = makeTreeViewImages();
    TObjectTreeModel model(images, nullptr);
    int asked = 0;
    model.setOnData([&](int index, TItemData& item) {
      ++asked;
      fill(index, item);
    });
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(!model.nodeIndex(0).isValid());

    model.rebuild(QStringLiteral("file.txt"), 5);
    QCOMPARE(model.rowCount(), 1);
    const QModelIndex root = model.nodeIndex(0);
    QCOMPARE(root.data().toString(), QStringLiteral("file.txt"));
    QCOMPARE(model.rowCount(root), 5);
    for (int node = 0; node <= 5; ++node)
      QCOMPARE(TObjectTreeModel::absoluteIndex(model.nodeIndex(node)), node);
    QVERIFY(!model.nodeIndex(6).isValid());
    asked = 0;
    QCOMPARE(model.nodeIndex(3).data().toString(), QStringLiteral("Caption 2"));
    QCOMPARE(model.nodeIndex(3).parent(), root);
    QCOMPARE(asked, 1);
    QVERIFY(model.flags(model.nodeIndex(3)) & Qt::ItemNeverHasChildren);

    model.rebuild(QStringLiteral("empty.txt"), 0);
    QCOMPARE(model.rowCount(model.nodeIndex(0)), 0);
    model.clear();
    QCOMPARE(model.rowCount(), 0);
  }

  void listAsksForEachRowAndAlignsTheNumber() {
    const TImageList images = makeTreeViewImages();
    TObjectListModel model(images, nullptr);
    int asked = 0;
    model.setOnData([&](int index, TItemData& item) {
      ++asked;
      fill(index, item);
    });
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setRowCount(1000);
    QCOMPARE(model.rowCount(), 1000);
    QCOMPARE(model.columnCount(), 7);
    QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("Type"));
    QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("ID"));
    QCOMPARE(model.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("Name"));
    const QModelIndex id = model.index(41, 1);
    asked = 0;
    QCOMPARE(id.data().toString(), QStringLiteral("-41"));
    QCOMPARE(asked, 1);
    QCOMPARE(model.index(41, 0).data().toString(), QStringLiteral("Caption 41"));
    QCOMPARE(model.index(41, 2).data().toString(), QStringLiteral("Name 41"));
    QVERIFY(!model.index(41, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    QVERIFY(!model.index(41, 1).data(Qt::DecorationRole).isValid());
    QCOMPARE(Qt::Alignment(id.data(Qt::TextAlignmentRole).toInt()) & Qt::AlignHorizontal_Mask,
             Qt::AlignRight);
    model.setRowCount(0);
    QCOMPARE(model.rowCount(), 0);
  }
};

QTEST_MAIN(TestModels)
#include "tst_models.moc"
